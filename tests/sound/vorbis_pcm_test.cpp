// Vorbis float to 16-bit conversion: the vector loop, the plain loop and
// vorbisfile's own 16-bit output agree bit for bit, on edge values and on whole
// files that clip.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <vorbis/vorbisfile.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/sound/vorbis_pcm.h"
#include "sound_test_util.h"

namespace {

// vorbisfile's rule, written out: the product converted through a double.
int16_t Reference(float sample) {
    double d = sample * 32768.f;
    int v;
#if defined(__SSE2__)
    v = _mm_cvtsd_si32(_mm_load_sd(&d));
#else
    v = (d >= -2147483648.0 && d < 2147483648.0) ? (int)lrint(d) : std::numeric_limits<int>::min();
#endif
    if (v > 32767) v = 32767;
    else if (v < -32768) v = -32768;
    return (int16_t)v;
}

std::vector<float> EdgeValues() {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> v = {0.f,
                            -0.f,
                            1.f,
                            -1.f,
                            1.00001f,
                            -1.00001f,
                            0.99998f,
                            -0.99998f,
                            2.f,
                            -2.f,
                            1e10f,
                            -1e10f,
                            65536.f,
                            -65536.f,
                            70000.f,
                            -70000.f,
                            inf,
                            -inf,
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::denorm_min(),
                            1e-30f,
                            -1e-30f};
    // Ties fall to the even neighbour: 0.5, 1.5, 2.5 ... in sample units.
    for (int k = -6; k <= 6; k++) v.push_back(((float)k + 0.5f) / 32768.f);
    for (int k = 32760; k <= 32770; k++) {
        v.push_back(((float)k + 0.5f) / 32768.f);
        v.push_back(-((float)k + 0.5f) / 32768.f);
    }
    return v;
}

TEST(VorbisPcm, OneSampleMatchesTheReferenceOnEdgeValues) {
    for (float f : EdgeValues()) EXPECT_EQ(VorbisSampleToPcm16(f), Reference(f)) << f;
    EXPECT_EQ(VorbisSampleToPcm16(1.f), 32767);
    EXPECT_EQ(VorbisSampleToPcm16(-1.f), -32768);
    EXPECT_EQ(VorbisSampleToPcm16(0.5f / 32768.f), 0);
    EXPECT_EQ(VorbisSampleToPcm16(1.5f / 32768.f), 2);
    // Beyond the int range the processor's indefinite value clips to the bottom.
    EXPECT_EQ(VorbisSampleToPcm16(std::numeric_limits<float>::infinity()), Reference(1e30f));
}

TEST(VorbisPcm, VectorAndPlainLoopsAgreeForEveryLayoutAndTail) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> dist(-1.6f, 1.6f);
    std::vector<float> edges = EdgeValues();
    for (int channels : {1, 2, 3, 6}) {
        for (int frames : {0, 1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 64, 1021}) {
            std::vector<std::vector<float>> data((size_t)channels, std::vector<float>((size_t)frames));
            std::vector<float*> planes;
            for (int c = 0; c < channels; c++) {
                for (int j = 0; j < frames; j++)
                    data[(size_t)c][(size_t)j] =
                        (j + c) % 3 == 0 ? edges[(size_t)(j * 7 + c) % edges.size()] : dist(rng);
                planes.push_back(data[(size_t)c].data());
            }
            // One guard value past the end catches a store too many.
            std::vector<int16_t> fast((size_t)(frames * channels) + 1, 0x5A5A);
            std::vector<int16_t> plain((size_t)(frames * channels) + 1, 0x5A5A);
            VorbisFloatToPcm16(planes.data(), channels, frames, fast.data());
            VorbisFloatToPcm16Plain(planes.data(), channels, frames, plain.data());
            ASSERT_EQ(fast, plain) << channels << " channels, " << frames << " frames";
            for (int j = 0; j < frames; j++)
                for (int c = 0; c < channels; c++)
                    ASSERT_EQ(fast[(size_t)(j * channels + c)], Reference(data[(size_t)c][(size_t)j]));
        }
    }
}

// The whole file through vorbisfile's own 16-bit output.
std::vector<uint8_t> ReferenceDecode(const std::string& path) {
    std::vector<uint8_t> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return out;
    char buf[4096];
    int link = 0;
    for (;;) {
        long got = ov_read(&vf, buf, sizeof(buf), 0, 2, 1, &link);
        if (got == OV_HOLE) continue;
        if (got <= 0) break;
        out.insert(out.end(), buf, buf + got);
    }
    ov_clear(&vf);
    return out;
}

TEST(VorbisPcm, WholeFilesThatClipDecodeAsVorbisfileDecodesThem) {
    if (!HaveTool("sox") || !HaveTool("oggenc")) GTEST_SKIP() << "encoders missing";
    for (int channels : {1, 2, 3}) {
        std::string name = "vorbis_pcm_" + std::to_string(channels);
        std::string wav = ScratchDir() + "/" + name + ".wav";
        std::string ogg = ScratchDir() + "/" + name + ".ogg";
        // Full-scale noise and a square wave: the decoded floats overshoot 1.0.
        ASSERT_TRUE(RunTool("/usr/bin/sox -n -r 44100 -c " + std::to_string(channels) + " -b 16 " + wav +
                            " synth 1.3 whitenoise synth 1.3 square 440 gain -0.1"));
        ASSERT_TRUE(RunTool("/usr/bin/oggenc -Q -q 2 -o " + ogg + " " + wav));
        std::vector<uint8_t> want = ReferenceDecode(ogg);
        ASSERT_GT(want.size(), 44100u * 2u * (size_t)channels);
        // Vorbis stores three channels as L, C, R; the image holds them as WAVE does (L, R, C).
        if (channels == 3)
            for (size_t at = 0; at + 6 <= want.size(); at += 6) {
                std::swap(want[at + 2], want[at + 4]);
                std::swap(want[at + 3], want[at + 5]);
            }
        DecodeResult r = DecodeBytes(ReadFileBytes(ogg));
        ASSERT_TRUE(r.decoded);
        ASSERT_EQ(r.pcm.size(), want.size()) << channels;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), r.pcm.begin())) << channels;
        // Clipping really happened, so the clip path was compared too.
        std::vector<int16_t> s = AsSamples(r.pcm);
        int extremes = 0;
        for (int16_t v : s) extremes += (v == 32767 || v == -32768);
        EXPECT_GT(extremes, 0) << channels;
    }
}

} // namespace
