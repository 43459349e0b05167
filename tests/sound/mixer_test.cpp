// The mixer behind the platform's sound buffers, driven directly on the scripted
// device: format conversion, resampling at the right pitch, clipping, looping,
// duplicates with their own positions, and stop keeping the position.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"
#include "sound_test_util.h"

namespace {

WaveFormat Pcm(int channels, int rate, int bits) {
    WaveFormat f = {};
    f.FormatTag = 1;
    f.Channels = (uint16_t)channels;
    f.SamplesPerSec = (uint32_t)rate;
    f.BitsPerSample = (uint16_t)bits;
    f.BlockAlign = (uint16_t)(channels * bits / 8);
    f.AvgBytesPerSec = f.BlockAlign * f.SamplesPerSec;
    return f;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ScriptedSetAudioOpenResult(0);
        ASSERT_EQ(PlatformAudioOpen(), 0);
    }
    void TearDown() override {
        for (PlatformSoundBuffer* b : made_) PlatformAudioReleaseBuffer(b);
        EXPECT_EQ(ScriptedAudioBufferCount(), 0);
        PlatformAudioClose();
    }
    PlatformSoundBuffer* Make(const WaveFormat& f, const Bytes& data) {
        PlatformSoundBuffer* b = PlatformAudioCreateBuffer(&f, (int)data.size(), 0);
        EXPECT_NE(b, nullptr);
        if (!b) return nullptr;
        void *p1, *p2;
        int n1, n2;
        EXPECT_EQ(PlatformAudioLockBuffer(b, 0, (int)data.size(), &p1, &n1, &p2, &n2), 0);
        if (n1 > 0) memcpy(p1, data.data(), n1);
        EXPECT_EQ(PlatformAudioUnlockBuffer(b, p1, n1, p2, n2), 0);
        made_.push_back(b);
        return b;
    }
    std::vector<int16_t> Mix(int frames) {
        std::vector<int16_t> out(frames * 2, 1234);
        EXPECT_EQ(ScriptedMixAudio(out.data(), frames), frames);
        return out;
    }
    std::vector<PlatformSoundBuffer*> made_;
};

Bytes Samples16(const std::vector<int>& v) {
    Bytes b;
    for (int s : v) PutU16(b, s & 0xFFFF);
    return b;
}

TEST_F(MixerTest, SilenceWhenNothingPlays) {
    std::vector<int16_t> out = Mix(300);
    for (int16_t s : out) ASSERT_EQ(s, 0);
}

TEST_F(MixerTest, StereoAt44100PassesThroughUnchanged) {
    std::vector<int> v;
    for (int i = 0; i < 200; i++) v.push_back(i * 100 - 10000);
    PlatformSoundBuffer* b = Make(Pcm(2, 44100, 16), Samples16(v));
    ASSERT_EQ(PlatformAudioPlayBuffer(b, 0), 0);
    std::vector<int16_t> out = Mix(150);
    for (int i = 0; i < 200; i++) ASSERT_EQ(out[i], v[i]);
    for (int i = 200; i < 300; i++) ASSERT_EQ(out[i], 0);
    int playing = 1;
    PlatformAudioGetStatus(b, &playing);
    EXPECT_EQ(playing, 0);
}

TEST_F(MixerTest, MonoGoesToBothSidesAnd8BitIsWidened) {
    Bytes eight = {0, 128, 255, 64};
    PlatformSoundBuffer* b = Make(Pcm(1, 44100, 8), eight);
    PlatformAudioPlayBuffer(b, 0);
    std::vector<int16_t> out = Mix(4);
    const int want[] = {-32768, 0, 127 << 8, -64 << 8};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(out[i * 2], want[i]);
        EXPECT_EQ(out[i * 2 + 1], want[i]);
    }
}

TEST_F(MixerTest, EightBitStereoKeepsItsSides) {
    Bytes eight = {255, 0, 0, 255};
    PlatformSoundBuffer* b = Make(Pcm(2, 44100, 8), eight);
    PlatformAudioPlayBuffer(b, 0);
    std::vector<int16_t> out = Mix(2);
    EXPECT_EQ(out[0], 127 << 8);
    EXPECT_EQ(out[1], -32768);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(out[3], 127 << 8);
}

TEST_F(MixerTest, ToneAt22050KeepsItsPitchAt44100) {
    const int rate = 22050, n = 22050;
    std::vector<int> v;
    for (int i = 0; i < n; i++) v.push_back((int)std::lround(12000 * std::sin(2 * M_PI * 1000 * i / rate)));
    PlatformSoundBuffer* b = Make(Pcm(1, rate, 16), Samples16(v));
    PlatformAudioPlayBuffer(b, 0);
    std::vector<int16_t> out = Mix(44100);
    std::vector<double> left = Channel(out, 2, 0), right = Channel(out, 2, 1);
    EXPECT_NEAR(ZeroCrossingFrequency(left, 44100), 1000.0, 1.0);
    EXPECT_NEAR(Rms(left), 12000 / std::sqrt(2.0), 200);
    EXPECT_EQ(left, right);
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs((int)s));
    EXPECT_LE(peak, 12001); // interpolation never overshoots: no clipping
    // One second of source lasts one second of output: it ends on the next frame.
    Mix(1);
    int playing = 1;
    PlatformAudioGetStatus(b, &playing);
    EXPECT_EQ(playing, 0);
}

TEST_F(MixerTest, RatesAboveTheDeviceRateAreResampledDown) {
    const int rate = 48000;
    std::vector<int> v;
    for (int i = 0; i < rate; i++) v.push_back((int)std::lround(8000 * std::sin(2 * M_PI * 440 * i / rate)));
    PlatformSoundBuffer* b = Make(Pcm(1, rate, 16), Samples16(v));
    PlatformAudioPlayBuffer(b, 0);
    std::vector<int16_t> out = Mix(44100 / 2);
    EXPECT_NEAR(ZeroCrossingFrequency(Channel(out, 2, 0), 44100), 440.0, 1.0);
}

TEST_F(MixerTest, SumsClipInsteadOfWrapping) {
    std::vector<int> loud(100, 30000), quiet(100, -30000);
    PlatformSoundBuffer* a = Make(Pcm(1, 44100, 16), Samples16(loud));
    PlatformSoundBuffer* b = PlatformAudioDuplicateBuffer(a);
    ASSERT_NE(b, nullptr);
    made_.push_back(b);
    PlatformAudioPlayBuffer(a, 0);
    PlatformAudioPlayBuffer(b, 0);
    std::vector<int16_t> out = Mix(10);
    for (int16_t s : out) EXPECT_EQ(s, 32767);
    PlatformAudioStopBuffer(a);
    PlatformAudioStopBuffer(b);
    PlatformSoundBuffer* c = Make(Pcm(1, 44100, 16), Samples16(quiet));
    PlatformSoundBuffer* d = PlatformAudioDuplicateBuffer(c);
    made_.push_back(d);
    PlatformAudioPlayBuffer(c, 0);
    PlatformAudioPlayBuffer(d, 0);
    out = Mix(10);
    for (int16_t s : out) EXPECT_EQ(s, -32768);
}

TEST_F(MixerTest, LoopingWrapsAroundUntilStopped) {
    std::vector<int> v = {100, 200, 300, 400, 500};
    PlatformSoundBuffer* b = Make(Pcm(1, 44100, 16), Samples16(v));
    PlatformAudioPlayBuffer(b, 1);
    std::vector<int16_t> out = Mix(12);
    for (int i = 0; i < 12; i++) ASSERT_EQ(out[i * 2], v[i % 5]) << i;
    int playing = 0;
    PlatformAudioGetStatus(b, &playing);
    EXPECT_EQ(playing, 1);
    PlatformAudioStopBuffer(b);
    out = Mix(3);
    EXPECT_EQ(out[0], 0);
}

TEST_F(MixerTest, StopKeepsThePositionAndPlayContinues) {
    std::vector<int> v;
    for (int i = 0; i < 1000; i++) v.push_back(i);
    PlatformSoundBuffer* b = Make(Pcm(1, 44100, 16), Samples16(v));
    PlatformAudioPlayBuffer(b, 0);
    Mix(300);
    PlatformAudioStopBuffer(b);
    int pos = -1;
    ASSERT_EQ(PlatformAudioGetPosition(b, &pos), 0);
    EXPECT_EQ(pos, 600); // 300 frames of 2 bytes
    Mix(50);
    PlatformAudioGetPosition(b, &pos);
    EXPECT_EQ(pos, 600);
    PlatformAudioPlayBuffer(b, 0);
    std::vector<int16_t> out = Mix(2);
    EXPECT_EQ(out[0], 300);
    EXPECT_EQ(out[2], 301);
}

TEST_F(MixerTest, DuplicatesShareSamplesButNotPositions) {
    std::vector<int> v;
    for (int i = 0; i < 1000; i++) v.push_back(i * 10);
    PlatformSoundBuffer* a = Make(Pcm(1, 44100, 16), Samples16(v));
    PlatformSoundBuffer* b = PlatformAudioDuplicateBuffer(a);
    ASSERT_NE(b, nullptr);
    made_.push_back(b);
    PlatformAudioPlayBuffer(a, 0);
    Mix(100);
    PlatformAudioPlayBuffer(b, 0);
    std::vector<int16_t> out = Mix(1);
    EXPECT_EQ(out[0], 1000 + 0); // a at frame 100, b at frame 0
    int pa = 0, pb = 0;
    PlatformAudioGetPosition(a, &pa);
    PlatformAudioGetPosition(b, &pb);
    EXPECT_EQ(pa, 202);
    EXPECT_EQ(pb, 2);
    // Releasing the original leaves the duplicate's samples intact.
    PlatformAudioReleaseBuffer(a);
    made_.erase(made_.begin());
    out = Mix(1);
    EXPECT_EQ(out[0], 10);
}

TEST_F(MixerTest, ABufferThatRanOutStartsAgainFromZero) {
    std::vector<int> v = {5, 6, 7};
    PlatformSoundBuffer* b = Make(Pcm(1, 44100, 16), Samples16(v));
    PlatformAudioPlayBuffer(b, 0);
    Mix(10);
    int pos = -1;
    PlatformAudioGetPosition(b, &pos);
    EXPECT_EQ(pos, 0);
}

TEST_F(MixerTest, SetPositionRoundsToAFrameAndClamps) {
    std::vector<int> v(100, 1);
    PlatformSoundBuffer* b = Make(Pcm(2, 44100, 16), Samples16(v));
    int pos = 0;
    PlatformAudioSetPosition(b, 7);
    PlatformAudioGetPosition(b, &pos);
    EXPECT_EQ(pos, 4);
    PlatformAudioSetPosition(b, 100000);
    PlatformAudioGetPosition(b, &pos);
    EXPECT_EQ(pos, 200);
    EXPECT_EQ(PlatformAudioSetPosition(b, -1), -1);
}

TEST_F(MixerTest, EmptyBufferEndsAtOnce) {
    PlatformSoundBuffer* b = Make(Pcm(1, 22050, 16), Bytes());
    EXPECT_EQ(PlatformAudioPlayBuffer(b, 1), 0);
    int playing = 1;
    PlatformAudioGetStatus(b, &playing);
    EXPECT_EQ(playing, 0);
    Mix(10);
}

TEST_F(MixerTest, LockWrapsIntoASecondPart) {
    PlatformSoundBuffer* b = Make(Pcm(1, 44100, 16), Bytes(100, 0));
    void *p1, *p2;
    int n1, n2;
    ASSERT_EQ(PlatformAudioLockBuffer(b, 80, 40, &p1, &n1, &p2, &n2), 0);
    EXPECT_EQ(n1, 20);
    EXPECT_EQ(n2, 20);
    EXPECT_NE(p2, nullptr);
    EXPECT_EQ(PlatformAudioLockBuffer(b, 0, 101, &p1, &n1, &p2, &n2), -1);
    EXPECT_EQ(PlatformAudioLockBuffer(b, -1, 4, &p1, &n1, &p2, &n2), -1);
}

TEST_F(MixerTest, UnplayableFormatsAreRefused) {
    WaveFormat f = Pcm(2, 44100, 16);
    EXPECT_EQ(PlatformAudioFormatSupported(&f), 1);
    WaveFormat bad[] = {Pcm(0, 44100, 16), Pcm(2, 50, 16), Pcm(2, 500000, 16), Pcm(2, 44100, 24)};
    for (WaveFormat& w : bad) {
        EXPECT_EQ(PlatformAudioFormatSupported(&w), 0);
        EXPECT_EQ(PlatformAudioCreateBuffer(&w, 100, 0), nullptr);
    }
    WaveFormat compressed = Pcm(1, 22050, 16);
    compressed.FormatTag = 2;
    EXPECT_EQ(PlatformAudioCreateBuffer(&compressed, 100, 0), nullptr);
}

TEST(MixerClosed, NothingMixesWithoutADevice) {
    int16_t out[8];
    EXPECT_EQ(ScriptedMixAudio(out, 4), -1);
    WaveFormat f = Pcm(1, 44100, 16);
    EXPECT_EQ(PlatformAudioCreateBuffer(&f, 10, 0), nullptr);
}

} // namespace
