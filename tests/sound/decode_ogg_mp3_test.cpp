// Ogg Vorbis and MPEG audio decoding on files made by oggenc and lame: formats,
// lengths, pitch and level; the MPEG frame walk with ID3v2 (3 and 4 with footer)
// and ID3v1 tags; the frame header tables; hostile files.
#include <gtest/gtest.h>

#include <string>

#include "runtime/sound/mpeg_frames.h"
#include "runtime/sound/sound_decoder.h"
#include "sound_test_util.h"

namespace {

// A 1 kHz tone as a 16-bit WAVE file made by sox.
std::string MakeTone(const std::string& name, int rate, int channels, double seconds) {
    std::string path = ScratchDir() + "/" + name + ".wav";
    RunTool("/usr/bin/sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 " + path +
            " synth " + std::to_string(seconds) + " sine 1000 gain -6");
    return path;
}

bool HaveEncoders() {
    return HaveTool("sox") && HaveTool("oggenc") && HaveTool("lame");
}

TEST(OggVorbis, StereoFileDecodesTo16BitPcmOfTheSameLength) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("ogg_st", 44100, 2, 1.0);
    std::string ogg = ScratchDir() + "/ogg_st.ogg";
    ASSERT_TRUE(RunTool("/usr/bin/oggenc -Q -o " + ogg + " " + wav));
    DecodeResult r = DecodeBytes(ReadFileBytes(ogg));
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.kind, SoundKindVorbis);
    EXPECT_EQ(r.format.FormatTag, 1);
    EXPECT_EQ(r.format.Channels, 2);
    EXPECT_EQ(r.format.SamplesPerSec, 44100u);
    EXPECT_EQ(r.format.BitsPerSample, 16);
    EXPECT_EQ(r.format.BlockAlign, 4);
    EXPECT_EQ(r.format.AvgBytesPerSec, 176400u);
    EXPECT_EQ(r.format.ExtraSize, 0);
    EXPECT_EQ(r.pcmSize, 44100 * 4);
    EXPECT_EQ((int)r.pcm.size(), 44100 * 4);
    std::vector<int16_t> s = AsSamples(r.pcm);
    std::vector<double> left = Channel(s, 2, 0);
    EXPECT_NEAR(ZeroCrossingFrequency(left, 44100), 1000.0, 5.0);
    // -6 dB sine: peak about 16400, RMS about 11600.
    EXPECT_NEAR(Rms(left), 11600, 1200);
}

TEST(OggVorbis, MonoLowRateFile) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("ogg_mono", 22050, 1, 0.5);
    std::string ogg = ScratchDir() + "/ogg_mono.ogg";
    ASSERT_TRUE(RunTool("/usr/bin/oggenc -Q -o " + ogg + " " + wav));
    DecodeResult r = DecodeBytes(ReadFileBytes(ogg));
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.format.Channels, 1);
    EXPECT_EQ(r.format.SamplesPerSec, 22050u);
    EXPECT_EQ(r.format.BlockAlign, 2);
    EXPECT_EQ((int)r.pcm.size(), 11025 * 2);
}

// Random byte damage and truncation on a good file: the decoder may refuse it, but
// never crash or hand out more samples than it claims.
void DecodeDamagedCopies(const Bytes& good, uint32_t seed, int truncateEvery) {
    for (int round = 0; round < 150; round++) {
        Bytes b = good;
        for (int k = 0; k < 6; k++) {
            seed = seed * 1103515245u + 12345u;
            size_t at = (seed >> 4) % b.size();
            seed = seed * 1103515245u + 12345u;
            b[at] = (uint8_t)(seed >> 16);
        }
        if (round % truncateEvery == 0) b.resize(b.size() * (round % 7 + 1) / 8);
        DecodeResult r = DecodeBytes(b);
        if (r.decoded) {
            EXPECT_LE((int)r.pcm.size(), r.pcmSize);
        }
    }
}

TEST(OggVorbis, DamagedFilesNeverCrash) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("ogg_dmg", 22050, 2, 0.3);
    std::string ogg = ScratchDir() + "/ogg_dmg.ogg";
    ASSERT_TRUE(RunTool("/usr/bin/oggenc -Q -o " + ogg + " " + wav));
    Bytes good = ReadFileBytes(ogg);
    DecodeDamagedCopies(good, 99, 5);
}

// Frame walk figures of an MP3 file the test reads itself.
struct Walk {
    int frames = 0;
    int samples = 0;
};

Walk WalkFrames(const Bytes& b, size_t from, size_t limit) {
    Walk w;
    size_t at = from;
    while (at + 4 <= limit) {
        MpegFrameInfo info;
        if (b[at] != 0xFF || ParseMpegFrameHeader(&b[at], &info) != 0) {
            at++;
            continue;
        }
        w.frames++;
        w.samples += info.samplesPerFrame;
        at += info.frameLength;
    }
    return w;
}

TEST(MpegAudio, Mpeg1StereoFile) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("mp3_st", 44100, 2, 1.0);
    std::string mp3 = ScratchDir() + "/mp3_st.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet -b 128 " + wav + " " + mp3));
    Bytes file = ReadFileBytes(mp3);
    DecodeResult r = DecodeBytes(file);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.kind, SoundKindConverted);
    EXPECT_EQ(r.format.FormatTag, 1);
    EXPECT_EQ(r.format.Channels, 2);
    EXPECT_EQ(r.format.SamplesPerSec, 44100u);
    EXPECT_EQ(r.format.BitsPerSample, 16);
    EXPECT_EQ(r.format.BlockAlign, 4);
    EXPECT_EQ(r.dataStart, 0);
    EXPECT_EQ(r.dataStart + r.dataSize, (int)file.size());
    Walk w = WalkFrames(file, 0, file.size());
    EXPECT_EQ(r.pcmSize, w.samples * 4);
    EXPECT_EQ(r.pcmSize % (1152 * 4), 0);
    // The decoder trims the encoder's delay and padding: the tone's own length.
    EXPECT_LE((int)r.pcm.size(), r.pcmSize);
    EXPECT_NEAR((double)r.pcm.size(), 44100.0 * 4, 1152 * 4);
    std::vector<int16_t> s = AsSamples(r.pcm);
    std::vector<double> left = Channel(s, 2, 0);
    EXPECT_NEAR(ZeroCrossingFrequency(left, 44100), 1000.0, 5.0);
    EXPECT_NEAR(Rms(left), 11600, 1500);
}

TEST(MpegAudio, Mpeg2MonoFileHas576SamplesPerFrame) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("mp3_m2", 22050, 1, 1.0);
    std::string mp3 = ScratchDir() + "/mp3_m2.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet -m m -b 64 " + wav + " " + mp3));
    Bytes file = ReadFileBytes(mp3);
    DecodeResult r = DecodeBytes(file);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.format.Channels, 1);
    EXPECT_EQ(r.format.SamplesPerSec, 22050u);
    EXPECT_EQ(r.pcmSize % (576 * 2), 0);
    EXPECT_EQ(r.pcmSize, WalkFrames(file, 0, file.size()).samples * 2);
    // Encoder delay and padding may stay in: at most a few frames more.
    EXPECT_GE((double)r.pcm.size(), 22050.0 * 2 - 576 * 2);
    EXPECT_LE((double)r.pcm.size(), 22050.0 * 2 + 4 * 576 * 2);
    std::vector<double> x = Channel(AsSamples(r.pcm), 1, 0);
    EXPECT_NEAR(ZeroCrossingFrequency(x, 22050), 1000.0, 5.0);
}

// 320 kbit/s: the first 2048-byte step may hold the encoder's info frame and only
// part of the next frame, so it yields nothing; decoding must go on regardless.
TEST(MpegAudio, HighRateFileDecodesWhole) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("mp3_320", 44100, 2, 2.0);
    std::string mp3 = ScratchDir() + "/mp3_320.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet -b 320 " + wav + " " + mp3));
    DecodeResult r = DecodeBytes(ReadFileBytes(mp3));
    ASSERT_TRUE(r.accepted);
    EXPECT_NEAR((double)r.pcm.size(), 2 * 44100.0 * 4, 1152 * 4 * 2);
}

// 8 kbit/s: one 2048-byte step decodes to more than the one-second output buffer
// holds; what does not fit comes out in the following steps.
TEST(MpegAudio, LowRateFileOverflowingTheOutputBufferDecodesWhole) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("mp3_8k", 16000, 1, 6.0);
    std::string mp3 = ScratchDir() + "/mp3_8k.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet -m m -b 8 --resample 16 " + wav + " " + mp3));
    Bytes file = ReadFileBytes(mp3);
    DecodeResult r = DecodeBytes(file);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.format.SamplesPerSec, 16000u);
    ASSERT_LT(file.size(), 2048u * 4);
    EXPECT_GE((double)r.pcm.size(), 6 * 16000.0 * 2 - 576 * 2);
    EXPECT_LE((double)r.pcm.size(), 6 * 16000.0 * 2 + 4 * 576 * 2);
}

TEST(MpegAudio, ConversionStepsTakeAtMost2048Bytes) {
    uint8_t format[30] = {0x55, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x80, 0x3E, 0, 0, 1, 0, 0, 0, 12, 0};
    std::vector<uint8_t> data(4096, 0);
    WaveFormat pcm;
    ASSERT_EQ(PlatformCodecSuggestPcm(format, 30, data.data(), (int)data.size(), &pcm), 0);
    EXPECT_EQ(pcm.Channels, 2);
    EXPECT_EQ(pcm.SamplesPerSec, 44100u);
    EXPECT_EQ(pcm.BitsPerSample, 16);
    PlatformSoundCodec* c = PlatformCodecOpen(format, 30, data.data(), (int)data.size(), &pcm);
    ASSERT_NE(c, nullptr);
    std::vector<uint8_t> out(176400);
    int used = 0, made = 0;
    EXPECT_EQ(PlatformCodecConvert(c, data.data(), 2049, out.data(), (int)out.size(), &used, &made), -1);
    EXPECT_EQ(PlatformCodecConvert(c, data.data() + 3000, 2048, out.data(), (int)out.size(), &used, &made), -1);
    EXPECT_EQ(PlatformCodecConvert(c, data.data(), 2048, out.data(), (int)out.size(), &used, &made), 0);
    EXPECT_EQ(made, 0); // zeros hold no frame
    PlatformCodecClose(c);
    format[4] = 0x45; // 44101 Hz is no MPEG rate
    EXPECT_EQ(PlatformCodecSuggestPcm(format, 30, data.data(), (int)data.size(), &pcm), -1);
}

TEST(MpegAudio, Id3v23TagIsSkipped) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("mp3_v23", 44100, 2, 0.5);
    std::string mp3 = ScratchDir() + "/mp3_v23.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet --add-id3v2 --id3v2-only --tt Title --ta Artist " + wav + " " + mp3));
    Bytes file = ReadFileBytes(mp3);
    ASSERT_EQ(std::string(file.begin(), file.begin() + 3), "ID3");
    ASSERT_EQ(file[3], 3);
    int size = (file[6] << 21) | (file[7] << 14) | (file[8] << 7) | file[9];
    DecodeResult r = DecodeBytes(file);
    ASSERT_TRUE(r.accepted);
    EXPECT_GE(r.dataStart, size + 10);
    EXPECT_EQ(file[r.dataStart], 0xFF);
    EXPECT_EQ(r.pcmSize, WalkFrames(file, size + 10, file.size()).samples * 4);
}

// A plain MP3 with a handmade ID3v2.4 tag in front; its footer carries bytes
// that would read as a broken frame header if the walk started inside it.
TEST(MpegAudio, Id3v24FooterIsSkippedToo) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("mp3_v24", 44100, 2, 0.5);
    std::string mp3 = ScratchDir() + "/mp3_v24.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet " + wav + " " + mp3));
    Bytes plain = ReadFileBytes(mp3);
    const int body = 300;
    Bytes file = {'I', 'D', '3', 4, 0, 0x10, 0, 0, (uint8_t)(body >> 7), (uint8_t)(body & 0x7F)};
    file.resize(10 + body, 0);
    Bytes footer = {'3', 'D', 'I', 4, 0, 0x10, 0xFF, 0xFF, 0xFF, 0xFF};
    file.insert(file.end(), footer.begin(), footer.end());
    file.insert(file.end(), plain.begin(), plain.end());
    DecodeResult r = DecodeBytes(file);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.dataStart, body + 20);
    EXPECT_EQ(r.dataSize, (int)plain.size());

    // Version 3 with the same flag has no footer: the walk meets its bytes and
    // the broken header there rejects the file.
    file[3] = 3;
    EXPECT_FALSE(DecodeBytes(file).accepted);
}

TEST(MpegAudio, Id3v1BlockIsNotCounted) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("mp3_v1", 44100, 2, 0.5);
    std::string mp3 = ScratchDir() + "/mp3_v1.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet --id3v1-only --tt Title " + wav + " " + mp3));
    Bytes file = ReadFileBytes(mp3);
    ASSERT_EQ(std::string(file.end() - 128, file.end() - 125), "TAG");
    DecodeResult r = DecodeBytes(file);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.dataStart + r.dataSize, (int)file.size() - 128);
    EXPECT_EQ(r.pcmSize, WalkFrames(file, 0, file.size() - 128).samples * 4);
}

TEST(MpegAudio, TagSizePastTheEndIsRejected) {
    Bytes file = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    file.resize(2000, 0);
    file[1000] = 0xFF;
    file[1001] = 0xFB;
    file[1002] = 0x90;
    EXPECT_FALSE(DecodeBytes(file).accepted);
}

TEST(MpegAudio, PlainTextIsRejected) {
    std::string text = "This is not a sound at all, just some words.\n";
    Bytes file;
    for (int i = 0; i < 50; i++) file.insert(file.end(), text.begin(), text.end());
    EXPECT_FALSE(DecodeBytes(file).accepted);
}

TEST(MpegAudio, FreeFormatAndBrokenHeadersAreRejected) {
    Bytes freeFormat = {0xFF, 0xFB, 0x00, 0x64};
    freeFormat.resize(500, 0);
    EXPECT_FALSE(DecodeBytes(freeFormat).accepted);
    Bytes badRate = {0xFF, 0xFB, 0x9C, 0x64}; // sample-rate index 3
    badRate.resize(500, 0);
    EXPECT_FALSE(DecodeBytes(badRate).accepted);
}

TEST(MpegAudio, DamagedFilesNeverCrash) {
    if (!HaveEncoders()) GTEST_SKIP() << "encoders missing";
    std::string wav = MakeTone("mp3_dmg", 22050, 2, 0.3);
    std::string mp3 = ScratchDir() + "/mp3_dmg.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet " + wav + " " + mp3));
    Bytes good = ReadFileBytes(mp3);
    DecodeDamagedCopies(good, 4242, 4);
}

struct HeaderCase {
    uint8_t b1, b2, b3;
    int mpeg1, layer, kbps, rate, length, samples, channels;
};

TEST(MpegHeaderTables, VersionsAndLayers) {
    const HeaderCase cases[] = {
        {0xFB, 0x90, 0x64, 1, 2, 128, 44100, 417, 1152, 2}, // MPEG-1 Layer III
        {0xFB, 0x92, 0xC0, 1, 2, 128, 44100, 418, 1152, 1}, // padded, single channel
        {0xFB, 0xE4, 0x00, 1, 2, 320, 48000, 960, 1152, 2},
        {0xFD, 0xC0, 0x00, 1, 1, 256, 44100, 835, 1152, 2}, // MPEG-1 Layer II
        {0xFF, 0x90, 0x00, 1, 0, 288, 44100, 312, 384, 2},  // MPEG-1 Layer I
        {0xFF, 0x92, 0x00, 1, 0, 288, 44100, 316, 384, 2},  // Layer I pads 4 bytes
        {0xF7, 0x80, 0x00, 0, 0, 128, 22050, 276, 384, 2},  // MPEG-2 Layer I
        {0xF5, 0x80, 0x00, 0, 1, 64, 22050, 417, 1152, 2},  // MPEG-2 Layer II
        {0xF3, 0x80, 0x00, 0, 2, 64, 22050, 208, 576, 2},   // MPEG-2 Layer III
        {0xF3, 0x18, 0xC0, 0, 2, 8, 16000, 36, 576, 1},
    };
    for (const HeaderCase& c : cases) {
        uint8_t h[4] = {0xFF, c.b1, c.b2, c.b3};
        MpegFrameInfo info;
        ASSERT_EQ(ParseMpegFrameHeader(h, &info), 0) << std::hex << (int)c.b1 << " " << (int)c.b2;
        EXPECT_EQ(info.mpeg1, c.mpeg1);
        EXPECT_EQ(info.layer, c.layer);
        EXPECT_EQ(info.kbps, c.kbps);
        EXPECT_EQ(info.sampleRate, c.rate);
        EXPECT_EQ(info.frameLength, c.length);
        EXPECT_EQ(info.samplesPerFrame, c.samples);
        EXPECT_EQ(info.channels, c.channels);
    }
}

TEST(MpegHeaderTables, UnusableHeadersAreRefused) {
    const uint8_t bad[][4] = {
        {0xFF, 0xFB, 0xF0, 0x00}, // bit-rate index 15
        {0xFF, 0xFB, 0x00, 0x00}, // free format
        {0xFF, 0xFB, 0x9C, 0x00}, // sample-rate index 3
        {0xFF, 0xF9, 0x90, 0x00}, // reserved layer
        {0xFF, 0xEB, 0x90, 0x00}, // no sync
        {0xFE, 0xFB, 0x90, 0x00},
    };
    for (const auto& h : bad) {
        MpegFrameInfo info;
        EXPECT_EQ(ParseMpegFrameHeader(h, &info), -1);
    }
}

} // namespace
