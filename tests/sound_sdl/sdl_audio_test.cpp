// The sound device on the SDL backend: SDL's dummy driver (as on CI), the disk
// driver, whose file holds exactly what the device played, and a missing driver,
// with which the runtime runs silent.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "runtime/platform/sdl/sdl_audio.h"
#include "runtime/runtime.h"
#include "runtime/sound/sound_device.h"
#include "tests/test_files.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// A mono 16-bit WAVE image of a sine tone.
Bytes ToneWave(int rate, double seconds, double frequency, int amplitude) {
    int frames = (int)(rate * seconds);
    Bytes b;
    auto u16 = [&](int v) {
        b.push_back((uint8_t)v);
        b.push_back((uint8_t)(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16((int)(v & 0xFFFF));
        u16((int)(v >> 16));
    };
    auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
    tag("RIFF");
    u32(36 + frames * 2);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    tag("data");
    u32(frames * 2);
    for (int i = 0; i < frames; i++)
        u16((int)std::lround(amplitude * std::sin(2 * M_PI * frequency * i / rate)) & 0xFFFF);
    return b;
}

bool WaitSilent(SoundHandle h, int seconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (CheckSoundHandle(h) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

class SdlAudio : public ::testing::Test {
protected:
    void SetUp() override { SetLogOutputEnabled(0); }
    void TearDown() override {
        EndSoundSystem();
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
    }
};

TEST_F(SdlAudio, DummyDriverOpensAndPlays) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(InitSoundSystem(), 0);
    EXPECT_EQ(InitSoundSystem(), -1);
    Bytes wave = ToneWave(22050, 0.1, 440, 8000);
    SoundHandle h = LoadSoundMemory(wave.data(), (int)wave.size(), 3);
    ASSERT_NE(h, -1);
    ASSERT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(CheckSoundHandle(h), 1);
    EXPECT_TRUE(WaitSilent(h, 5));
    SdlAudioStats st;
    GetSdlAudioStats(&st);
    EXPECT_GT(st.callbacks, 0);
    EXPECT_EQ(st.periodFrames, 512);
    EXPECT_EQ(st.deviceRate, 44100);
    EXPECT_EQ(EndSoundSystem(), 0);
    EXPECT_EQ(EndSoundSystem(), -1);
    EXPECT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), -1);
}

TEST_F(SdlAudio, DiskDriverRecordsTheToneAtItsPitch) {
    std::string out = ProcessScratchDir("bkt_sdl_sound") + "/heard.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    ASSERT_EQ(InitSoundSystem(), 0);
    Bytes wave = ToneWave(22050, 0.5, 1000, 12000);
    SoundHandle h = LoadSoundMemory(wave.data(), (int)wave.size(), 1);
    ASSERT_NE(h, -1);
    // Play type 0 returns when the device has played the whole sound.
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(PlaySoundHandle(h, PLAY_NORMAL, 1), 0);
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(CheckSoundHandle(h), 0);
    EXPECT_GT(waited, 0.3);
    ASSERT_EQ(EndSoundSystem(), 0);
    Bytes raw = ReadFileBytes(out);
    ASSERT_GT(raw.size(), 44100u * 4 / 2);
    // Stereo S16 at 44100: both sides carry the tone, rising zero crossings at 1 kHz.
    std::vector<double> left, right;
    for (size_t i = 0; i + 3 < raw.size(); i += 4) {
        left.push_back((int16_t)(raw[i] | (raw[i + 1] << 8)));
        right.push_back((int16_t)(raw[i + 2] | (raw[i + 3] << 8)));
    }
    EXPECT_EQ(left, right);
    int first = -1, last = -1, count = 0;
    double peak = 0;
    for (size_t i = 1; i < left.size(); i++) {
        peak = std::max(peak, std::fabs(left[i]));
        if (left[i - 1] < 0 && left[i] >= 0) {
            if (first < 0) first = (int)i;
            last = (int)i;
            count++;
        }
    }
    ASSERT_GT(count, 400);
    EXPECT_NEAR((count - 1) * 44100.0 / (last - first), 1000.0, 2.0);
    EXPECT_NEAR((last - first) / 44100.0, 0.5, 0.01);
    EXPECT_LE(peak, 12000 * 1.01); // the band-limited onset rings by less than 1 %
}

TEST_F(SdlAudio, MissingDriverRunsSilent) {
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    EXPECT_EQ(InitSoundSystem(), -1);
    Bytes wave = ToneWave(22050, 0.1, 440, 8000);
    EXPECT_EQ(LoadSoundMemory(wave.data(), (int)wave.size(), 3), -1);
    EXPECT_EQ(DeleteAllSoundHandles(), -1);
    EXPECT_EQ(EndSoundSystem(), -1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

} // namespace
