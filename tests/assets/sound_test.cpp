// The generated sounds: formats, levels measured with sox, loading through the runtime,
// and the music's loop seam decoded with vorbisfile.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "asset_files.h"
#include "runtime/runtime.h"

using namespace assetfiles;

namespace {

const char* const kEffects[] = {"jump.wav", "jumpd.wav", "sibo.wav", "bom35.wav", "bosu35.wav"};

struct WaveHeader {
    int tag = 0, channels = 0, rate = 0, bits = 0, blockAlign = 0;
    bool fmtFirst = false;
};

WaveHeader ParseWave(const std::vector<uint8_t>& b) {
    WaveHeader h;
    if (b.size() < 36 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return h;
    h.fmtFirst = std::string(b.begin() + 12, b.begin() + 16) == "fmt ";
    h.tag = b[20] | (b[21] << 8);
    h.channels = b[22] | (b[23] << 8);
    h.rate = b[24] | (b[25] << 8) | (b[26] << 16) | (b[27] << 24);
    h.blockAlign = b[32] | (b[33] << 8);
    h.bits = b[34] | (b[35] << 8);
    return h;
}

// Peak level in dBFS from "sox FILE -n stat".
double SoxPeakDb(const std::string& path, std::string* report) {
    *report = assetfiles::Run("/usr/bin/sox " + path + " -n stat");
    auto value = [&](const char* label) {
        size_t at = report->find(label);
        return at == std::string::npos ? 0.0 : std::atof(report->c_str() + report->find(':', at) + 1);
    };
    double peak = std::max(std::fabs(value("Maximum amplitude")), std::fabs(value("Minimum amplitude")));
    return peak > 0 ? 20 * std::log10(peak) : -999;
}

} // namespace

TEST(Sounds, FormatsCoverEightBitPcmAndImaAdpcm) {
    bool pcm8 = false, ima = false;
    for (const char* name : kEffects) {
        WaveHeader h = ParseWave(ReadAll(Dist(std::string("bkt/wav/") + name)));
        ASSERT_TRUE(h.fmtFirst) << name;
        EXPECT_EQ(h.channels, 1) << name;
        EXPECT_EQ(h.rate, 22050) << name;
        if (h.tag == 1 && h.bits == 8) pcm8 = true;
        if (h.tag == 0x11) {
            ima = true;
            EXPECT_EQ(h.bits, 4) << name;
            EXPECT_EQ(h.blockAlign, 512) << name;
        }
    }
    EXPECT_TRUE(pcm8);
    EXPECT_TRUE(ima);
}

TEST(Sounds, SoxSeesPeaksBetweenMinusOneAndMinusSixDbAndNoClipping) {
    ASSERT_EQ(system("test -x /usr/bin/sox"), 0) << "sox is needed (scripts/deps --test)";
    for (const char* name : kEffects) {
        std::string report;
        double db = SoxPeakDb(Dist(std::string("bkt/wav/") + name), &report);
        EXPECT_LE(db, -1.0) << name << "\n" << report;
        EXPECT_GE(db, -6.0) << name << "\n" << report;
        EXPECT_EQ(report.find("clipped"), std::string::npos) << name << "\n" << report;
        std::string info = assetfiles::Run("/usr/bin/sox --i " + Dist(std::string("bkt/wav/") + name));
        EXPECT_NE(info.find("22050"), std::string::npos) << info;
    }
    std::string report;
    double db = SoxPeakDb(Dist("bkt/wav/bgm.ogg"), &report);
    EXPECT_LT(db, -0.1) << report;
    EXPECT_GT(db, -6.0) << report;
    EXPECT_EQ(report.find("clipped"), std::string::npos) << report;
}

TEST(Sounds, MusicIsLongStereoAndLoopsWithoutAJump) {
    OggVorbis_File vf;
    ASSERT_EQ(ov_fopen(Dist("bkt/wav/bgm.ogg").c_str(), &vf), 0);
    vorbis_info* vi = ov_info(&vf, -1);
    EXPECT_EQ(vi->channels, 2);
    EXPECT_EQ(vi->rate, 44100);
    std::vector<int16_t> pcm;
    char buffer[8192];
    int section = 0;
    long n;
    while ((n = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &section)) > 0) {
        const int16_t* s = reinterpret_cast<const int16_t*>(buffer);
        pcm.insert(pcm.end(), s, s + n / 2);
    }
    ov_clear(&vf);
    size_t frames = pcm.size() / 2;
    EXPECT_GE(frames, 40u * 44100u);
    ASSERT_GT(frames, 1000u);
    // Steps between neighbouring samples inside the music: the seam may be no larger
    // than the 99th percentile of them, in each channel.
    for (int ch = 0; ch < 2; ++ch) {
        std::vector<int> steps;
        for (size_t i = 1; i < frames; ++i) steps.push_back(std::abs(pcm[i * 2 + ch] - pcm[(i - 1) * 2 + ch]));
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
        int p99 = steps[steps.size() * 99 / 100];
        int seam = std::abs(pcm[ch] - pcm[(frames - 1) * 2 + ch]);
        EXPECT_LE(seam, p99) << "channel " << ch << " first " << pcm[ch] << " last " << pcm[(frames - 1) * 2 + ch];
        // The loop starts in the music, not in silence that would leave a gap.
        long energy = 0;
        for (size_t i = 0; i < 4410; ++i) energy += std::abs(pcm[i * 2 + ch]);
        EXPECT_GT(energy / 4410, 100) << "channel " << ch;
    }
}

TEST(Sounds, EverySoundLoadsThroughTheRuntime) {
    SetLogOutputEnabled(0);
    ASSERT_EQ(RuntimeInit(), 0);
    for (const char* name : {"jump.wav", "jumpd.wav", "sibo.wav", "bom35.wav", "bosu35.wav", "bgm.ogg"}) {
        SoundHandle h = LoadSoundFile(Dist(std::string("bkt/wav/") + name).c_str(), 3);
        EXPECT_NE(h, -1) << name;
    }
    RuntimeEnd();
}
