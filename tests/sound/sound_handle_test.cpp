// Sound handles on the scripted backend: the turn of buffers, restart flags, play
// types, the table's limits, invalid handles and the loader's failure lines.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "runtime/platform/platform.h"
#include "runtime/core/sjis.h"
#include "runtime/sound/sound_state.h"
#include "sound_runtime_fixture.h"

namespace {

int Position(SoundHandle h, int buffer) {
    int pos = -1;
    PlatformAudioGetPosition(LookupSound(h)->buffers[buffer], &pos);
    return pos;
}

int Playing(SoundHandle h, int buffer) {
    int playing = -1;
    PlatformAudioGetStatus(LookupSound(h)->buffers[buffer], &playing);
    return playing;
}

// A constant sound: every frame holds the same value, so overlaps add up.
// 4000 frames whose sample values count up from 0: a sample tells where it was read.
SoundHandle RampSound(int buffers) {
    std::vector<int> ramp;
    for (int i = 0; i < 4000; i++) ramp.push_back(i);
    Bytes wave = SmallWave(ramp);
    return LoadSoundMemory(wave.data(), (int)wave.size(), buffers);
}

SoundHandle ConstantSound(int value, int frames, int buffers) {
    Bytes wave = SmallWave(std::vector<int>(frames, value));
    return LoadSoundMemory(wave.data(), (int)wave.size(), buffers);
}

typedef SoundRuntime SoundHandles;

TEST_F(SoundHandles, HandlesCarryTheSoundKind) {
    Start();
    SoundHandle h = ConstantSound(100, 100, 1);
    ASSERT_NE(h, -1);
    EXPECT_EQ(h & 0x78000000, 0x10000000);
}

TEST_F(SoundHandles, ThreeQuickPlaysTakeBuffers1Then2Then0AndOverlap) {
    Start();
    SoundHandle h = ConstantSound(1000, 44100, 3);
    ASSERT_NE(h, -1);
    SoundRecord* s = LookupSound(h);
    ASSERT_EQ(s->bufferCount, 3);
    EXPECT_EQ(s->currentBuffer, 0);
    const int order[] = {1, 2, 0};
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), 0);
        EXPECT_EQ(s->currentBuffer, order[i]);
        EXPECT_EQ(Playing(h, order[i]), 1);
        Mix(100);
    }
    // All three sound together: 3 x 1000 on both sides.
    std::vector<int16_t> out = Mix(10);
    EXPECT_EQ(out[0], 3000);
    EXPECT_EQ(out[1], 3000);
    EXPECT_EQ(Position(h, 1), 300 * 2 + 20);
    // The fourth play stops buffer 1 and starts it again from 0.
    ASSERT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(s->currentBuffer, 1);
    EXPECT_EQ(Position(h, 1), 0);
    EXPECT_EQ(Playing(h, 1), 1);
    EXPECT_EQ(Position(h, 2), 200 * 2 + 20);
}

TEST_F(SoundHandles, RestartFlag0WithEveryBufferBusyOnlyAdvancesTheTurn) {
    Start();
    SoundHandle h = ConstantSound(500, 44100, 2);
    SoundRecord* s = LookupSound(h);
    PlaySoundHandle(h, PLAY_BACKGROUND, 1);
    PlaySoundHandle(h, PLAY_BACKGROUND, 1);
    Mix(50);
    int p0 = Position(h, 0), p1 = Position(h, 1);
    EXPECT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 0), 0);
    EXPECT_EQ(s->currentBuffer, 1);
    EXPECT_EQ(Position(h, 0), p0);
    EXPECT_EQ(Position(h, 1), p1);
    EXPECT_EQ(Playing(h, 0), 1);
    EXPECT_EQ(Playing(h, 1), 1);
}

TEST_F(SoundHandles, OneBufferStoppedHalfWayContinuesOrRestarts) {
    Start();
    SoundHandle h = RampSound(1);
    ASSERT_NE(h, -1);
    PlaySoundHandle(h, PLAY_BACKGROUND, 1);
    Mix(2000);
    ASSERT_EQ(StopSoundHandle(h), 0);
    EXPECT_EQ(CheckSoundHandle(h), 0);
    EXPECT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 0), 0);
    std::vector<int16_t> out = Mix(1);
    EXPECT_EQ(out[0], 2000);
    StopSoundHandle(h);
    EXPECT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), 0);
    out = Mix(1);
    EXPECT_EQ(out[0], 0);
}

TEST_F(SoundHandles, RestartFlag0TakesThePositionOfTheBufferPlayedLast) {
    Start();
    SoundHandle h = RampSound(2);
    PlaySoundHandle(h, PLAY_BACKGROUND, 1); // buffer 1
    Mix(1000);
    PlaySoundHandle(h, PLAY_BACKGROUND, 0); // buffer 0 starts where buffer 1 is
    EXPECT_EQ(Position(h, 0), 2000);
    std::vector<int16_t> out = Mix(1);
    EXPECT_EQ(out[0], 1000 + 1000);
}

TEST_F(SoundHandles, LoopingKeepsCheckAt1UntilStopped) {
    Start();
    SoundHandle h = ConstantSound(10, 100, 3);
    ASSERT_EQ(PlaySoundHandle(h, PLAY_LOOP, 1), 0);
    for (int i = 0; i < 20; i++) {
        Mix(333);
        ASSERT_EQ(CheckSoundHandle(h), 1);
    }
    EXPECT_EQ(StopSoundHandle(h), 0);
    EXPECT_EQ(CheckSoundHandle(h), 0);
}

TEST_F(SoundHandles, OtherPlayTypesPlayOnce) {
    Start();
    SoundHandle h = ConstantSound(10, 100, 1);
    ASSERT_EQ(PlaySoundHandle(h, 2, 1), 0);
    EXPECT_EQ(CheckSoundHandle(h), 1);
    Mix(101);
    EXPECT_EQ(CheckSoundHandle(h), 0);
}

TEST_F(SoundHandles, PlayType0WaitsForTheEnd) {
    Start();
    SoundHandle h = ConstantSound(10, 4410, 1);
    std::atomic<bool> done(false);
    std::thread device([&] {
        std::vector<int16_t> out(512 * 2);
        while (!done) {
            ScriptedMixAudio(out.data(), 512);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_EQ(PlaySoundHandle(h, PLAY_NORMAL, 1), 0);
    EXPECT_EQ(CheckSoundHandle(h), 0);
    done = true;
    device.join();
}

TEST_F(SoundHandles, PlayType0ReturnsWhenTheWindowCloses) {
    Start();
    SoundHandle h = ConstantSound(10, 44100, 1);
    ScriptedPushEvent(PlatformEventClose, 0, 0, 0, 0, 0);
    EXPECT_EQ(PlaySoundHandle(h, PLAY_NORMAL, 1), 0);
}

TEST_F(SoundHandles, CountsAbove10Make10Buffers) {
    Start();
    std::string path = ToneFile("count25", 22050, 1, 0.05);
    SoundHandle h = LoadSoundFile(path.c_str(), 25);
    ASSERT_NE(h, -1);
    EXPECT_EQ(LookupSound(h)->bufferCount, 10);
    Bytes wave = SmallWave({1, 2, 3});
    EXPECT_EQ(LoadSoundMemory(wave.data(), (int)wave.size(), 11), -1);
    SoundHandle one = LoadSoundMemory(wave.data(), (int)wave.size(), 0);
    ASSERT_NE(one, -1);
    EXPECT_EQ(LookupSound(one)->bufferCount, 1);
    SoundHandle neg = LoadSoundMemory(wave.data(), (int)wave.size(), -5);
    ASSERT_NE(neg, -1);
    EXPECT_EQ(LookupSound(neg)->bufferCount, 1);
}

TEST_F(SoundHandles, The4097thSoundFailsWithTheTableFullLine) {
    Start(true);
    Bytes wave = SmallWave({1, 2, 3, 4});
    for (int i = 0; i < 4096; i++) ASSERT_NE(LoadSoundMemory(wave.data(), (int)wave.size(), 1), -1) << i;
    EXPECT_EQ(g_sound.table.usedCount, 4096);
    EXPECT_EQ(LoadSoundMemory(wave.data(), (int)wave.size(), 1), -1);
    EXPECT_EQ(AddSoundData(), -1);
    EXPECT_TRUE(LogHas("サウンドの数が許容量を越えました\n"));
    EXPECT_EQ(g_sound.table.usedCount, 4096);
    EXPECT_EQ(DeleteAllSoundHandles(), 0);
    EXPECT_EQ(g_sound.table.usedCount, 0);
    EXPECT_EQ(g_sound.table.slotEnd, 0);
    EXPECT_EQ(ScriptedAudioBufferCount(), 1); // the silent loop
}

TEST_F(SoundHandles, PlainTextFailsAndLeavesNoSound) {
    Start(true);
    std::string path = ScratchFolder() + "/notes.txt";
    std::string text;
    for (int i = 0; i < 40; i++) text += "just some words, not a sound\n";
    WriteFileBytes(path, Bytes(text.begin(), text.end()));
    int before = g_sound.table.usedCount, buffers = ScriptedAudioBufferCount();
    EXPECT_EQ(LoadSoundFile(path.c_str(), 3), -1);
    EXPECT_EQ(g_sound.table.usedCount, before);
    EXPECT_EQ(ScriptedAudioBufferCount(), buffers);
    EXPECT_TRUE(LogHas("音声ファイルのＰＣＭへの変換に失敗しました"));
    std::string line = std::string(SJ("右記の音声ファイルのロードに失敗しました_2：")) + path;
    EXPECT_NE(LogText().find(line), std::string::npos);
}

TEST_F(SoundHandles, MissingFileLogsTheOpenAndLoadLines) {
    Start(true);
    std::string path = ScratchFolder() + "/no_such_sound.wav";
    EXPECT_EQ(LoadSoundFile(path.c_str(), 1), -1);
    std::string log = LogText();
    EXPECT_NE(log.find(std::string(SJ("右記のファイルのオープンに失敗しました：")) + path), std::string::npos);
    EXPECT_NE(log.find(std::string(SJ("右記の音声ファイルのロードに失敗しました_1：")) + path), std::string::npos);
    void* image = nullptr;
    int size = 0;
    EXPECT_EQ(LoadSoundFileToMemory(path.c_str(), &image, &size), -1);
}

TEST_F(SoundHandles, FileToMemoryGivesTheWholeFile) {
    Start();
    std::string path = ToneFile("tomem", 8000, 1, 0.1);
    void* image = nullptr;
    int size = 0;
    ASSERT_EQ(LoadSoundFileToMemory(path.c_str(), &image, &size), 0);
    Bytes file = ReadFileBytes(path);
    ASSERT_EQ(size, (int)file.size());
    EXPECT_EQ(memcmp(image, file.data(), size), 0);
    EXPECT_EQ(FreeSoundFileImage(image), 0);
}

TEST_F(SoundHandles, InvalidHandlesAreRefused) {
    Start();
    SoundHandle h = ConstantSound(1, 10, 1);
    ASSERT_NE(h, -1);
    const int bad[] = {-1, 0, (h & ~0x78000000) | 0x08000000, h + 1, h | 0x0F00};
    for (int b : bad) {
        EXPECT_EQ(PlaySoundHandle(b, PLAY_BACKGROUND, 1), -1);
        EXPECT_EQ(StopSoundHandle(b), -1);
        EXPECT_EQ(CheckSoundHandle(b), -1);
        EXPECT_EQ(DeleteSoundHandle(b), -1);
    }
    EXPECT_EQ(DeleteSoundHandle(h), 0);
    EXPECT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), -1);
    EXPECT_EQ(DeleteSoundHandle(h), -1);
    // The slot is made again with another check number.
    SoundHandle again = ConstantSound(1, 10, 1);
    EXPECT_EQ(again & 0xFFFF, h & 0xFFFF);
    EXPECT_NE(again, h);
}

TEST_F(SoundHandles, AnEmptyRecordIsNeverPlayed) {
    Start();
    SoundHandle h = AddSoundData();
    ASSERT_NE(h, -1);
    EXPECT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), -1);
    EXPECT_EQ(CheckSoundHandle(h), 0);
    EXPECT_EQ(StopSoundHandle(h), 0);
    EXPECT_EQ(DeleteSoundHandle(h), 0);
}

TEST_F(SoundHandles, AToneAt22050MonoComesOutAt1kHzOnBothSides) {
    Start();
    std::string path = ToneFile("tone22", 22050, 1, 1.0);
    SoundHandle h = LoadSoundFile(path.c_str(), 3);
    ASSERT_NE(h, -1);
    ASSERT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), 0);
    std::vector<int16_t> out = Mix(44100);
    std::vector<double> left = Channel(out, 2, 0), right = Channel(out, 2, 1);
    EXPECT_NEAR(ZeroCrossingFrequency(left, 44100), 1000.0, 1.0);
    EXPECT_EQ(left, right);
    int peak = 0;
    for (int16_t v : out) peak = std::max(peak, std::abs((int)v));
    EXPECT_GT(peak, 15000);
    EXPECT_LT(peak, 32767);
}

TEST_F(SoundHandles, EveryFileKindPlays) {
    Start();
    if (!HaveTool("oggenc") || !HaveTool("lame")) GTEST_SKIP() << "encoders missing";
    std::string wav = ToneFile("kinds", 44100, 2, 0.3);
    std::string ogg = ScratchFolder() + "/kinds.ogg", mp3 = ScratchFolder() + "/kinds.mp3";
    ASSERT_TRUE(RunTool("/usr/bin/oggenc -Q -o " + ogg + " " + wav));
    ASSERT_TRUE(RunTool("/usr/bin/lame --quiet " + wav + " " + mp3));
    std::string eight = ToneFile("kinds8", 11025, 1, 0.3, 1000, 8);
    for (const std::string& path : {wav, ogg, mp3, eight}) {
        SoundHandle h = LoadSoundFile(path.c_str(), 3);
        ASSERT_NE(h, -1) << path;
        PlaySoundHandle(h, PLAY_BACKGROUND, 1);
        std::vector<int16_t> out = Mix(4410);
        double rms = Rms(Channel(out, 2, 0));
        EXPECT_GT(rms, 5000) << path;
        StopSoundHandle(h);
    }
}

// Buffer 0 refused once is asked again with fewer controls; a refused duplicate ends
// the set at the buffers made so far, which still play.
TEST_F(SoundHandles, RefusedBuffersAreAskedAgainOrEndTheSet) {
    Start();
    const struct {
        int refused, asked, kept; // the service refused once (0 create, 1 duplicate), buffers asked, made
    } cases[] = {{0, 3, 3}, {1, 5, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refused);
        ScriptedFailAudioBuffers(c.refused, 1);
        SoundHandle h = ConstantSound(1, 10, c.asked);
        ASSERT_NE(h, -1);
        EXPECT_EQ(LookupSound(h)->bufferCount, c.kept);
        EXPECT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), 0);
    }
}

TEST_F(SoundHandles, LockAndUnlockFailuresFailTheLoad) {
    Start(true);
    std::string path = ToneFile("lockfail", 22050, 1, 0.05);
    int before = ScriptedAudioBufferCount();
    ScriptedFailAudioBuffers(2, 1);
    EXPECT_EQ(LoadSoundFile(path.c_str(), 2), -1);
    EXPECT_TRUE(LogHas("サウンドデータの転送に失敗しました_1"));
    ScriptedFailAudioBuffers(3, 1);
    EXPECT_EQ(LoadSoundFile(path.c_str(), 2), -1);
    EXPECT_TRUE(LogHas("サウンドデータの転送に失敗しました_2"));
    EXPECT_EQ(ScriptedAudioBufferCount(), before);
    EXPECT_EQ(g_sound.table.usedCount, 0);
}

TEST_F(SoundHandles, BothRefusalsOfBufferZeroEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Start();
            ScriptedFailAudioBuffers(0, 2);
            ConstantSound(1, 10, 1);
        },
#ifdef __SANITIZE_ADDRESS__
        // The leak checker may replace the exit code at the end of the process.
        [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 0; }, "");
#elif defined(_WIN32)
        // Windows keeps the whole exit code.
        ::testing::ExitedWithCode(-1), "");
#else
        ::testing::ExitedWithCode(255), "");
#endif
}

TEST_F(SoundHandles, RuntimeEndDeletesEverySound) {
    Start();
    for (int i = 0; i < 5; i++) ConstantSound(1, 100, 3);
    PlaySoundHandle(0x10000000 | (1 << 16) | 0, 1, 1);
    EXPECT_EQ(RuntimeEnd(), 0);
    EXPECT_EQ(ScriptedAudioBufferCount(), 0);
    EXPECT_EQ(g_sound.table.usedCount, 0);
    EXPECT_EQ(ScriptedAudioDeviceOpen(), 0);
}

} // namespace

namespace {

// The game's own six sounds, as the build writes them to dist/ (skipped when the
// game data has not been built).
TEST_F(SoundHandles, TheGamesSixSoundsLoadAndSound) {
    const char* names[] = {"bgm.ogg", "jump.wav", "jumpd.wav", "sibo.wav", "bom35.wav", "bosu35.wav"};
    std::string dir = std::string(BKT_DIST_DIR) + "/bkt/wav/";
    for (const char* n : names)
        if (ReadFileBytes(dir + n).empty()) GTEST_SKIP() << "game data not built";
    Start();
    for (const char* n : names) {
        SoundHandle h = LoadSoundFile((dir + n).c_str(), 3);
        ASSERT_NE(h, -1) << n;
        EXPECT_EQ(LookupSound(h)->bufferCount, 3);
        EXPECT_GT(LookupSound(h)->pcmLength, 0) << n;
        ASSERT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), 0);
        std::vector<int16_t> out = Mix(11025);
        EXPECT_GT(Rms(Channel(out, 2, 0)), 300) << n;
        StopSoundHandle(h);
    }
}

} // namespace
