// WAVE decoding: PCM files made by sox compared byte for byte, compressed WAVE
// (ADPCM, A-law, mu-law, 24-bit) through the platform codec, the odd RIFF layouts
// and hostile headers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "runtime/sound/sound_decoder.h"
#include "sound_test_util.h"

namespace {

struct PcmCase {
    int bits, channels, rate;
};

class PcmWaveFromSox : public ::testing::TestWithParam<PcmCase> {};

TEST_P(PcmWaveFromSox, DecodesExactlyTheSamples) {
    if (!HaveTool("sox")) GTEST_SKIP() << "sox missing";
    PcmCase c = GetParam();
    std::string base = ScratchDir() + "/pcm_" + std::to_string(c.bits) + "_" + std::to_string(c.channels) + "_" +
                       std::to_string(c.rate);
    std::string enc = c.bits == 8 ? "-e unsigned-integer" : "-e signed-integer";
    ASSERT_TRUE(RunTool("/usr/bin/sox -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) + " -b " +
                        std::to_string(c.bits) + " " + enc + " " + base + ".wav synth 0.3 sine 700"));
    ASSERT_TRUE(RunTool("/usr/bin/sox " + base + ".wav -t raw " + base + ".raw"));
    Bytes raw = ReadFileBytes(base + ".raw");
    DecodeResult r = DecodeBytes(ReadFileBytes(base + ".wav"));
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.kind, SoundKindPcm);
    EXPECT_EQ(r.format.FormatTag, 1);
    EXPECT_EQ(r.format.Channels, c.channels);
    EXPECT_EQ((int)r.format.SamplesPerSec, c.rate);
    EXPECT_EQ(r.format.BitsPerSample, c.bits);
    EXPECT_EQ(r.format.BlockAlign, c.channels * c.bits / 8);
    EXPECT_EQ((int)r.format.AvgBytesPerSec, c.rate * c.channels * c.bits / 8);
    EXPECT_EQ(r.pcmSize, (int)raw.size());
    EXPECT_EQ(r.pcm, raw);
}

INSTANTIATE_TEST_SUITE_P(Formats, PcmWaveFromSox,
                         ::testing::Values(PcmCase{8, 1, 11025}, PcmCase{8, 2, 22050}, PcmCase{16, 1, 48000},
                                           PcmCase{16, 2, 44100}, PcmCase{16, 1, 32000}, PcmCase{8, 1, 16000}));

Bytes Ramp(int n) {
    Bytes b(n);
    for (int i = 0; i < n; i++) b[i] = (uint8_t)(i * 7 + 3);
    return b;
}

TEST(RiffLayout, FormatChunkMustComeFirst) {
    Bytes b;
    PutTag(b, "RIFF");
    PutU32(b, 100);
    PutTag(b, "WAVE");
    PutTag(b, "LIST");
    PutU32(b, 4);
    PutTag(b, "INFO");
    Bytes rest = MakePcmWave(1, 22050, 16, Bytes(64, 0));
    b.insert(b.end(), rest.begin() + 12, rest.end());
    DecodeResult r = DecodeBytes(b);
    // Neither WAVE decoder takes it, and nothing in it looks like Vorbis or MPEG.
    EXPECT_FALSE(r.accepted);
}

TEST(RiffLayout, OddSizedChunkIsSkippedWithItsPadByte) {
    Bytes between;
    PutTag(between, "LIST");
    PutU32(between, 5);
    for (int i = 0; i < 5; i++) between.push_back('x');
    between.push_back(0); // pad
    Bytes data = Ramp(400);
    DecodeResult r = DecodeBytes(MakePcmWave(2, 44100, 16, data, 16, between));
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.kind, SoundKindPcm);
    EXPECT_EQ(r.pcm, data);
}

TEST(RiffLayout, SixteenByteFormatTakesBitsFromBlockAlign) {
    Bytes data = Ramp(64);
    Bytes b = MakePcmWave(2, 44100, 16, data, 16);
    b[34] = 12; // bits per sample field says 12
    DecodeResult r = DecodeBytes(b);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.format.BitsPerSample, 16);
    EXPECT_EQ(r.format.ExtraSize, 0);
    EXPECT_EQ(r.format.BlockAlign, 4);
    EXPECT_EQ(r.pcm, data);
}

TEST(RiffLayout, EighteenByteFormatKeepsItsOwnFields) {
    Bytes data = Ramp(64);
    Bytes b = MakePcmWave(1, 8000, 16, data, 18);
    b[34] = 12;
    DecodeResult r = DecodeBytes(b);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.format.BitsPerSample, 12);
    EXPECT_EQ(r.format.BlockAlign, 2);
}

TEST(RiffLayout, NoDataChunkIsRejected) {
    Bytes b = MakePcmWave(1, 22050, 16, Bytes());
    b.resize(b.size() - 8); // drop the data header
    EXPECT_FALSE(DecodeBytes(b).accepted);
}

TEST(RiffLayout, DataChunkLongerThanTheFileGivesTheBytesPresent) {
    Bytes data = Ramp(1000);
    Bytes b = MakePcmWave(1, 22050, 16, data);
    size_t dataHeader = b.size() - data.size() - 4;
    b[dataHeader] = 0xFF;
    b[dataHeader + 1] = 0xFF;
    b[dataHeader + 2] = 0xFF;
    b[dataHeader + 3] = 0x7F; // claims 2 GB
    DecodeResult r = DecodeBytes(b);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.pcm, data);
    EXPECT_EQ(r.pcmSize, 1000);
}

TEST(RiffLayout, ChunkRunningPastTheEndMeansNoData) {
    Bytes between;
    PutTag(between, "junk");
    PutU32(between, 0xFFFFFFF0u);
    Bytes b = MakePcmWave(1, 22050, 16, Ramp(10), 16, between);
    EXPECT_FALSE(DecodeBytes(b).accepted);
}

TEST(HostileWave, BadFormatFieldsNeverCrash) {
    Bytes data = Ramp(256);
    // channels 0, block align 0, rate 0, huge fmt size, fmt shorter than 16.
    struct Patch {
        size_t at;
        std::vector<uint8_t> bytes;
    } patches[] = {
        {22, {0, 0}},       {32, {0, 0}},       {24, {0, 0, 0, 0}}, {16, {0xFF, 0xFF, 0xFF, 0xFF}},
        {16, {8, 0, 0, 0}}, {22, {0xFF, 0xFF}}, {32, {0xFF, 0xFF}}, {24, {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Patch& p : patches) {
        Bytes b = MakePcmWave(2, 44100, 16, data);
        for (size_t i = 0; i < p.bytes.size(); i++) b[p.at + i] = p.bytes[i];
        DecodeResult r = DecodeBytes(b);
        if (r.accepted) {
            EXPECT_LE((int)r.pcm.size(), r.pcmSize);
            EXPECT_GT(r.format.Channels, 0);
            EXPECT_GT(r.format.BlockAlign, 0);
        }
    }
}

TEST(HostileWave, EveryTruncationIsHandled) {
    Bytes data = Ramp(200);
    Bytes b = MakePcmWave(2, 44100, 16, data);
    for (size_t n = 0; n < b.size(); n++) {
        Bytes cut(b.begin(), b.begin() + n);
        DecodeResult r = DecodeBytes(cut);
        if (n < 44) EXPECT_FALSE(r.accepted) << n;
        else {
            ASSERT_TRUE(r.accepted) << n;
            EXPECT_EQ(r.pcm, Bytes(data.begin(), data.begin() + (n - 44)));
        }
    }
}

TEST(HostileWave, RandomDamageNeverCrashes) {
    Bytes base = MakePcmWave(2, 22050, 16, Ramp(512));
    uint32_t seed = 12345;
    for (int round = 0; round < 400; round++) {
        Bytes b = base;
        for (int k = 0; k < 4; k++) {
            seed = seed * 1103515245u + 12345u;
            size_t at = (seed >> 8) % 48;
            seed = seed * 1103515245u + 12345u;
            b[at] = (uint8_t)(seed >> 16);
        }
        DecodeResult r = DecodeBytes(b);
        if (r.decoded) EXPECT_LE((int)r.pcm.size(), r.pcmSize < 0 ? 0 : r.pcmSize);
    }
}

// Compressed WAVE made by sox, decoded through the platform codec.
struct CodecCase {
    const char* encoding;
    int channels, rate;
};

class CompressedWaveFromSox : public ::testing::TestWithParam<CodecCase> {};

TEST_P(CompressedWaveFromSox, ConvertsToPcmOfTheSameSound) {
    if (!HaveTool("sox")) GTEST_SKIP() << "sox missing";
    CodecCase c = GetParam();
    std::string name = c.encoding;
    for (char& ch : name)
        if (ch == ' ' || ch == '-') ch = '_';
    std::string base = ScratchDir() + "/codec" + name + "_" + std::to_string(c.channels) + "_" + std::to_string(c.rate);
    std::string rate = std::to_string(c.rate), ch = std::to_string(c.channels);
    ASSERT_TRUE(
        RunTool("/usr/bin/sox -n -r " + rate + " -c " + ch + " -b 16 " + base + "_src.wav synth 0.5 sine 440 gain -3"));
    ASSERT_TRUE(RunTool("/usr/bin/sox " + base + "_src.wav " + c.encoding + " " + base + ".wav"));
    DecodeResult src = DecodeBytes(ReadFileBytes(base + "_src.wav"));
    DecodeResult r = DecodeBytes(ReadFileBytes(base + ".wav"));
    ASSERT_TRUE(src.accepted);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.kind, SoundKindConverted);
    EXPECT_EQ(r.format.FormatTag, 1);
    EXPECT_EQ(r.format.Channels, c.channels);
    EXPECT_EQ((int)r.format.SamplesPerSec, c.rate);
    EXPECT_EQ(r.format.BitsPerSample, 16);
    EXPECT_EQ(r.format.BlockAlign, c.channels * 2);
    EXPECT_EQ(r.pcm.size(), (size_t)r.pcmSize);
    int frames = (int)r.pcm.size() / r.format.BlockAlign;
    int srcFrames = (int)src.pcm.size() / src.format.BlockAlign;
    // Block codecs round up to whole blocks (at most 2048 frames).
    EXPECT_GE(frames, srcFrames);
    EXPECT_LE(frames, srcFrames + 2048);
    std::vector<int16_t> got = AsSamples(r.pcm), want = AsSamples(src.pcm);
    for (int ch = 0; ch < c.channels; ch++) {
        std::vector<double> a = Channel(got, c.channels, ch), e = Channel(want, c.channels, ch);
        a.resize(e.size());
        EXPECT_NEAR(Rms(a), Rms(e), Rms(e) * 0.1);
        EXPECT_NEAR(ZeroCrossingFrequency(a, c.rate), 440.0, 5.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, CompressedWaveFromSox,
                         ::testing::Values(CodecCase{"-e ima-adpcm", 1, 22050}, CodecCase{"-e ima-adpcm", 2, 44100},
                                           CodecCase{"-e ms-adpcm", 1, 11025}, CodecCase{"-e ms-adpcm", 2, 22050},
                                           CodecCase{"-e a-law", 1, 8000}, CodecCase{"-e u-law", 2, 16000},
                                           CodecCase{"-b 24", 2, 48000},
                                           CodecCase{"-e floating-point -b 32", 1, 44100}));

TEST(HostileWave, DamagedAdpcmNeverCrashes) {
    if (!HaveTool("sox")) GTEST_SKIP() << "sox missing";
    std::string base = ScratchDir() + "/damaged_adpcm";
    ASSERT_TRUE(RunTool("/usr/bin/sox -n -r 22050 -c 2 -e ms-adpcm " + base + ".wav synth 0.2 sine 440"));
    Bytes good = ReadFileBytes(base + ".wav");
    ASSERT_GT(good.size(), 100u);
    uint32_t seed = 777;
    for (int round = 0; round < 300; round++) {
        Bytes b = good;
        for (int k = 0; k < 3; k++) {
            seed = seed * 1103515245u + 12345u;
            size_t at = 20 + (seed >> 8) % 60; // the format chunk and its coefficient table
            seed = seed * 1103515245u + 12345u;
            b[at] = (uint8_t)(seed >> 16);
        }
        DecodeResult r = DecodeBytes(b);
        if (r.decoded) {
            EXPECT_LE((int)r.pcm.size(), r.pcmSize);
        }
    }
}

} // namespace
