// The mixer behind the platform's sound buffers, driven directly on the scripted
// device: format conversion, resampling at the right pitch, clipping, looping,
// duplicates with their own positions, and stop keeping the position; the rate
// converter's images, pass band, length, latency, loop seams and clicks.
#include <gtest/gtest.h>

#include <string.h>

#include <stdio.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <set>
#include <vector>

#include "runtime/platform/common/audio_mixer.h"
#include "runtime/platform/common/audio_resample.h"
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
    EXPECT_LE(peak, 12000 * 1.01); // the band-limited onset rings by less than 1 %: no clipping
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

// ---- Rate conversion -----------------------------------------------------------

std::vector<int> Tone(int rate, double freq, double amplitude, int frames) {
    std::vector<int> v;
    for (int i = 0; i < frames; i++) v.push_back((int)std::lround(amplitude * std::sin(2 * M_PI * freq * i / rate)));
    return v;
}

double Db(double ratio) {
    return 20 * std::log10(ratio);
}

// Amplitude of the component of x at freq, through a Blackman-Harris window (its
// side lobes lie 92 dB down, below anything measured here).
double LevelAt(const std::vector<double>& x, double freq, int rate) {
    const double a[] = {0.35875, 0.48829, 0.14128, 0.01168};
    const int n = (int)x.size();
    std::complex<double> sum = 0;
    double weights = 0;
    for (int i = 0; i < n; i++) {
        double t = 2 * M_PI * i / (n - 1);
        double w = a[0] - a[1] * std::cos(t) + a[2] * std::cos(2 * t) - a[3] * std::cos(3 * t);
        sum += w * x[i] * std::polar(1.0, -2 * M_PI * freq * i / rate);
        weights += w;
    }
    return 2 * std::abs(sum) / weights;
}

// What is left of x besides the sinusoid at freq (a least-squares fit), in dB
// against that sinusoid: images, aliases and noise together.
double ResidualDb(const std::vector<double>& x, double freq, int rate) {
    double cc = 0, ss = 0, cs = 0, xc = 0, xs = 0;
    for (size_t i = 0; i < x.size(); i++) {
        double c = std::cos(2 * M_PI * freq * i / rate), s = std::sin(2 * M_PI * freq * i / rate);
        cc += c * c, ss += s * s, cs += c * s, xc += x[i] * c, xs += x[i] * s;
    }
    double det = cc * ss - cs * cs;
    double a = (xc * ss - xs * cs) / det, b = (xs * cc - xc * cs) / det;
    double fit = 0, rest = 0;
    for (size_t i = 0; i < x.size(); i++) {
        double c = std::cos(2 * M_PI * freq * i / rate), s = std::sin(2 * M_PI * freq * i / rate);
        double y = a * c + b * s;
        fit += y * y;
        rest += (x[i] - y) * (x[i] - y);
    }
    return 10 * std::log10(rest / fit);
}

// Where a tone at freq of a sound at rate leaves images (copies around multiples of
// the rate) once they fold into the device's band, the tone itself left out.
std::set<double> ImageFrequencies(int rate, double freq) {
    std::set<double> out;
    for (int k = 1; k <= 20; k++) {
        for (int sign = -1; sign <= 1; sign += 2) {
            double f = std::fmod(k * (double)rate + sign * freq, 44100.0);
            if (f > 22050) f = 44100 - f;
            if (std::fabs(f - freq) > 30 && f > 30 && f < 22020) out.insert(f);
        }
    }
    return out;
}

// Largest step between neighbouring left samples in [from, to).
int LargestStep(const std::vector<int16_t>& out, int from, int to) {
    int largest = 0;
    for (int i = std::max(from, 1); i < to && i * 2 < (int)out.size(); i++)
        largest = std::max(largest, std::abs(out[i * 2] - out[i * 2 - 2]));
    return largest;
}

struct ToneCase {
    int rate;
    double freq;
};

TEST_F(MixerTest, ConvertedTonesStayFlatAndTheirImagesStay70dBDown) {
    const ToneCase cases[] = {
        {8000, 2500},  {11025, 3000}, {22050, 5000}, {48000, 9000},  // tones known to ghost
        {11127, 3000}, {22254, 5000}, {32000, 7000}, {16000, 200},   // odd and other rates
        {8000, 3600},  {22050, 9922}, {11025, 4961}, {48000, 19845}, // 0.45 of the lower rate
    };
    const double amplitude = 16000;
    for (const ToneCase& c : cases) {
        PlatformSoundBuffer* b = Make(Pcm(1, c.rate, 16), Samples16(Tone(c.rate, c.freq, amplitude, c.rate)));
        ASSERT_EQ(PlatformAudioPlayBuffer(b, 0), 0);
        std::vector<int16_t> out = Mix(4096 + 16384);
        PlatformAudioStopBuffer(b);
        std::vector<double> left = Channel(out, 2, 0);
        left.erase(left.begin(), left.begin() + 4096); // past the onset
        double tone = LevelAt(left, c.freq, 44100);
        double worst = -300, worstAt = 0;
        for (double f : ImageFrequencies(c.rate, c.freq)) {
            double level = Db(LevelAt(left, f, 44100) / tone);
            if (level > worst) worst = level, worstAt = f;
        }
        double rest = ResidualDb(left, c.freq, 44100);
        printf(
            "%5d Hz sound, %5.0f Hz tone: gain %+.3f dB, worst image %.1f dB at %.0f Hz, "
            "everything else %.1f dB\n",
            c.rate, c.freq, Db(tone / amplitude), worst, worstAt, rest);
        EXPECT_NEAR(Db(tone / amplitude), 0, 0.5) << c.rate << " " << c.freq;
        EXPECT_LE(worst, -70) << c.rate << " " << c.freq << " at " << worstAt;
        EXPECT_LE(rest, -70) << c.rate << " " << c.freq;
    }
}

// The tabulated, vectorised converter (the portable loop and the processor's
// fastest) against the plain windowed-sinc sum in double precision, on random
// sounds, rates, formats, start positions, loops and period lengths.
TEST_F(MixerTest, ConversionMatchesThePlainWindowedSincSum) {
    std::mt19937 random(20);
    const int rates[] = {8000, 11025, 11127, 22050, 22254, 32000, 48000, 96000};
    for (int round = 0; round < 16; round++) {
        const int plain = round / 8, turn = round % 8;
        ResampleUsePlainLoop(plain);
        const int rate = !plain ? rates[turn] : turn < 4 ? rates[7 - turn] : 4000 + (int)(random() % 120000);
        const int channels = 1 + turn % 2, bits = turn % 3 == 2 ? 8 : 16;
        const int frames = 200 + (int)(random() % 3000), start = (int)(random() % frames);
        const bool loop = turn % 4 >= 2;
        Bytes data(frames * channels * bits / 8);
        for (uint8_t& byte : data) byte = (uint8_t)random();
        PlatformSoundBuffer* b = Make(Pcm(channels, rate, bits), data);
        PlatformAudioSetPosition(b, start * channels * bits / 8);
        PlatformAudioPlayBuffer(b, loop);
        std::vector<int16_t> out;
        while (out.size() < 2 * 4000) {
            std::vector<int16_t> part = Mix(1 + (int)(random() % 700));
            out.insert(out.end(), part.begin(), part.end());
        }
        PlatformAudioStopBuffer(b);
        Mix(200); // past its fade

        ResampleKernel kernel;
        ASSERT_EQ(ResampleMakeKernel(&kernel, rate, MIXER_DEVICE_RATE), 0);
        auto sample = [&](int64_t k, int side) -> double {
            if (k < 0 || (k >= frames && !loop)) return 0;
            const uint8_t* p = data.data() + (k % frames) * channels * bits / 8 + (channels == 2 ? side : 0) * bits / 8;
            return bits == 8 ? (p[0] - 128) * 256.0 : (double)(int16_t)(p[0] | (p[1] << 8));
        };
        const uint64_t step = ((uint64_t)rate << 32) / MIXER_DEVICE_RATE;
        const int64_t length = loop ? (int64_t)out.size() / 2 : (((int64_t)(frames - start) << 32) + step - 1) / step;
        int worst = 0;
        for (int64_t n = 0; n < (int64_t)out.size() / 2; n++) {
            const uint64_t at = ((uint64_t)start << 32) + (uint64_t)n * step;
            const double t = (double)(at >> 32) + (double)(uint32_t)at / 4294967296.0;
            for (int side = 0; side < 2; side++) {
                double sum = 0, weights = 0;
                if (n < length) {
                    const int64_t i = (int64_t)(at >> 32);
                    for (int64_t k = i - kernel.half + 1; k <= i + kernel.half; k++) {
                        double w = ResampleWeight(&kernel, t - k);
                        sum += w * sample(k, side);
                        weights += w;
                    }
                }
                double want = weights ? std::clamp(sum / weights, -32768.0, 32767.0) : 0;
                worst = std::max(worst, (int)std::lround(std::fabs(out[n * 2 + side] - want)));
            }
        }
        ResampleFreeKernel(&kernel);
        EXPECT_LE(worst, 3) << "rate " << rate << " channels " << channels << " bits " << bits << " loop " << loop
                            << " plain " << plain;
    }
    ResampleUsePlainLoop(0);
}

TEST_F(MixerTest, ConvertedSoundsKeepTheirLengthAndHaveNoDelay) {
    struct {
        int rate, frames, pulse;
    } cases[] = {{22050, 1000, 500},  {11025, 1000, 300}, {8000, 800, 400},
                 {48000, 4800, 2000}, {11127, 1000, 500}, {96000, 9600, 3200}};
    for (const auto& c : cases) {
        std::vector<int> v(c.frames, 0);
        v[c.pulse] = 20000;
        PlatformSoundBuffer* b = Make(Pcm(1, c.rate, 16), Samples16(v));
        PlatformAudioPlayBuffer(b, 0);
        // The sound lasts as long as its frames at the device rate (one more at most for
        // the rounding of the step), no longer.
        const int length = (int)((int64_t)c.frames * 44100 / c.rate);
        std::vector<int16_t> out = Mix(length - 1);
        int playing = 0;
        PlatformAudioGetStatus(b, &playing);
        EXPECT_EQ(playing, 1) << c.rate;
        Mix(2);
        PlatformAudioGetStatus(b, &playing);
        EXPECT_EQ(playing, 0) << c.rate;
        // The pulse's energy is centred where the pulse is: a symmetric filter, no delay.
        double moment = 0, energy = 0;
        for (int i = 0; i < length - 1; i++) {
            moment += i * (double)out[i * 2] * out[i * 2];
            energy += (double)out[i * 2] * out[i * 2];
        }
        EXPECT_NEAR(moment / energy, c.pulse * 44100.0 / c.rate, 0.05) << c.rate;
    }
}

TEST_F(MixerTest, ALoopAt22050IsSeamlessOverTenPeriods) {
    // 1050 Hz repeats every 21 frames at 22050, so 25 repeats loop as one endless tone:
    // the looped sound must mix exactly as a long sound holding the same tone.
    const int rate = 22050, loop = 21 * 25;
    PlatformSoundBuffer* looped = Make(Pcm(1, rate, 16), Samples16(Tone(rate, 1050, 12000, loop)));
    PlatformSoundBuffer* whole = Make(Pcm(1, rate, 16), Samples16(Tone(rate, 1050, 12000, loop * 12)));
    std::vector<int16_t> a, b;
    PlatformAudioPlayBuffer(looped, 1);
    for (int period = 0; period < 10; period++) {
        std::vector<int16_t> out = Mix(512);
        a.insert(a.end(), out.begin(), out.end());
    }
    PlatformAudioStopBuffer(looped);
    Mix(200); // past its fade
    PlatformAudioPlayBuffer(whole, 0);
    for (int period = 0; period < 10; period++) {
        std::vector<int16_t> out = Mix(512);
        b.insert(b.end(), out.begin(), out.end());
    }
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); i++) ASSERT_EQ(a[i], b[i]) << "frame " << i / 2;
    // Played again from its start, the loop starts from silence as it did the first
    // time, not from its own end.
    PlatformAudioStopBuffer(whole);
    Mix(200);
    PlatformAudioSetPosition(looped, 0);
    PlatformAudioPlayBuffer(looped, 1);
    std::vector<int16_t> again = Mix(512);
    for (size_t i = 0; i < again.size(); i++) ASSERT_EQ(again[i], a[i]) << "frame " << i / 2;
    // Past the onset no step exceeds the tone's own slope.
    EXPECT_LE(LargestStep(a, 100, 5120), (int)std::ceil(12000 * 2 * M_PI * 1050 / 44100));
}

// Steps at a sound's start from silence, its end, a stop and a restart from its
// start (both where the sound swings widest), against the largest step the sound
// holds, counting its steps in from and out to silence.
TEST_F(MixerTest, StartEndStopAndRestartStepNoFurtherThanTheSoundItself) {
    struct Sound {
        const char* name;
        int rate, bits;
        Bytes data;
    };
    std::vector<Sound> sounds;
    sounds.push_back({"440 Hz sine at 22050", 22050, 16, Samples16(Tone(22050, 440, 12000, 2205))});
    sounds.push_back({"1 kHz sine at 11025", 11025, 16, Samples16(Tone(11025, 1000, 12000, 1103))});
    DecodeResult jump = DecodeBytes(ReadFileBytes(std::string(BKT_DIST_DIR) + "/bkt/wav/jump.wav"));
    if (jump.decoded)
        sounds.push_back({"the game's jump.wav", (int)jump.format.SamplesPerSec, jump.format.BitsPerSample, jump.pcm});
    for (const Sound& s : sounds) {
        std::vector<int> v;
        if (s.bits == 8) {
            for (uint8_t byte : s.data) v.push_back((byte - 128) * 256);
        } else {
            for (size_t i = 0; i + 1 < s.data.size(); i += 2) v.push_back((int16_t)(s.data[i] | (s.data[i + 1] << 8)));
        }
        int own = std::max(std::abs(v.front()), std::abs(v.back()));
        for (size_t i = 1; i < v.size(); i++) own = std::max(own, std::abs(v[i] - v[i - 1]));
        const int length = (int)((int64_t)v.size() * 44100 / s.rate);
        PlatformSoundBuffer* b = Make(Pcm(1, s.rate, s.bits), s.data);
        PlatformAudioPlayBuffer(b, 0);
        std::vector<int16_t> whole = Mix(length + 100);
        int start = LargestStep(whole, 1, 200), end = LargestStep(whole, length - 200, length + 100);
        int widest = length / 4;
        for (int i = length / 4; i < length * 3 / 4; i++)
            if (std::abs(whole[i * 2]) > std::abs(whole[widest * 2])) widest = i;
        // Stop right after the widest frame, or stop there and play again from the start.
        int cut[2];
        for (int restart = 0; restart < 2; restart++) {
            PlatformAudioSetPosition(b, 0);
            PlatformAudioPlayBuffer(b, 0);
            std::vector<int16_t> out = Mix(widest + 1);
            PlatformAudioStopBuffer(b);
            if (restart) {
                PlatformAudioSetPosition(b, 0);
                PlatformAudioPlayBuffer(b, 0);
            }
            std::vector<int16_t> after = Mix(300);
            out.insert(out.end(), after.begin(), after.end());
            cut[restart] = LargestStep(out, widest, widest + 300);
            PlatformAudioStopBuffer(b);
            Mix(300);
        }
        printf("%s: own largest step %d; at its start %d, its end %d, a stop %d, a restart %d\n", s.name, own, start,
               end, cut[0], cut[1]);
        EXPECT_LE(start, own) << s.name;
        EXPECT_LE(end, own) << s.name;
        EXPECT_LE(cut[0], own) << s.name;
        EXPECT_LE(cut[1], own) << s.name;
    }
}

TEST_F(MixerTest, AStoppedConvertedSoundFadesOutWithoutMovingOn) {
    std::vector<int> v(22050, 10000);
    PlatformSoundBuffer* b = Make(Pcm(1, 22050, 16), Samples16(v));
    PlatformAudioPlayBuffer(b, 0);
    Mix(1000);
    PlatformAudioStopBuffer(b);
    std::vector<int16_t> out = Mix(200);
    // A straight ramp from the level down to silence within 3 ms, then nothing.
    for (int k = 0; k < 128; k++) ASSERT_EQ(out[k * 2], 10000 * (127 - k) >> 7) << k;
    for (int k = 128; k < 200; k++) ASSERT_EQ(out[k * 2], 0) << k;
    int pos = 0;
    PlatformAudioGetPosition(b, &pos);
    EXPECT_EQ(pos, 500 * 2); // the fade does not move the buffer on
    // Released while playing, it fades the same way.
    PlatformAudioPlayBuffer(b, 0);
    Mix(10);
    PlatformAudioReleaseBuffer(b);
    made_.clear();
    out = Mix(200);
    EXPECT_EQ(out[0], 10000 * 127 >> 7);
    EXPECT_EQ(out[127 * 2], 0);
}

} // namespace
