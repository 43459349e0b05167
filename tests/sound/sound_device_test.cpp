// The sound device's set-up and shutdown on the scripted backend: the log lines,
// the primary format chosen from the capabilities, the silent loop, and a run
// without a device where every sound operation returns -1.
#include <gtest/gtest.h>

#include "runtime/core/sjis.h"
#include "runtime/sound/sound_device.h"
#include "runtime/sound/sound_state.h"
#include "sound_runtime_fixture.h"

namespace {

typedef SoundRuntime SoundDevice;

// Tabs in front of the log line that holds the text.
int IndentOf(const std::string& log, const char* utf8) {
    size_t at = log.find(SJ(utf8));
    if (at == std::string::npos) return -1;
    size_t start = log.rfind(':', at);
    int tabs = 0;
    for (size_t i = start + 1; i < at && log[i] == '\t'; i++) tabs++;
    return tabs;
}

TEST_F(SoundDevice, SetUpWritesItsLinesAndTheDescription) {
    Start(true);
    EXPECT_TRUE(LogHas("DirectSound の初期化を行います\n"));
    EXPECT_TRUE(LogHas("DirectSound インターフェースの取得を行います....  成功\n"));
    EXPECT_TRUE(LogHas("引き続きインターフェースの初期化処理...  成功\n"));
    EXPECT_TRUE(LogHas("DirectSound デバイスを列挙します\n"));
    EXPECT_TRUE(LogHas("モジュール名:       scripted  ドライバ記述:memory mix 0 \n"));
    EXPECT_TRUE(LogHas("最大サンプリングレート:200.00KHz 最小サンプリングレート:0.10KHz \n"));
    EXPECT_TRUE(LogHas("総サウンドメモリ領域:0.00KB 空きサウンドメモリ領域:0.00KB \n\n"));
    EXPECT_TRUE(LogHas("利用可能サンプリング精度\n"));
    EXPECT_TRUE(LogHas(" プライマリ １６bit = OK  ８bit = OK \n"));
    EXPECT_TRUE(LogHas(" セカンダリ １６bit = OK  ８bit = OK \n\n"));
    EXPECT_TRUE(LogHas("利用可能チャンネル\n"));
    EXPECT_TRUE(LogHas(" プライマリ MONO = OK  STEREO = OK \n"));
    EXPECT_TRUE(LogHas("DirectSound の初期化は正常に終了しました\n"));
    std::string log = LogText();
    int base = IndentOf(log, "DirectSound の初期化を行います");
    ASSERT_GE(base, 0);
    EXPECT_EQ(IndentOf(log, "DirectSound デバイスを列挙します"), base + 1);
    EXPECT_EQ(IndentOf(log, "モジュール名"), base + 2);
    EXPECT_EQ(IndentOf(log, "利用可能チャンネル"), base + 1);
    EXPECT_EQ(IndentOf(log, "DirectSound の初期化は正常に終了しました"), base);
    EXPECT_EQ(RuntimeEnd(), 0);
    EXPECT_TRUE(LogHas("DirectSound の終了処理は正常に終了しました\n"));
}

TEST_F(SoundDevice, TheSilentBufferLoopsForTheWholeRun) {
    Start();
    EXPECT_EQ(ScriptedAudioBufferCount(), 1);
    EXPECT_EQ(ScriptedAudioPlayingCount(), 1);
    std::vector<int16_t> out = Mix(44100);
    for (int16_t s : out) ASSERT_EQ(s, 0);
    EXPECT_EQ(ScriptedAudioPlayingCount(), 1);
    RuntimeEnd();
    EXPECT_EQ(ScriptedAudioBufferCount(), 0);
}

TEST_F(SoundDevice, PrimaryFormatFollowsTheCapabilities) {
    struct Case {
        int maxRate, stereo, bits16;
        int channels, rate, bits;
    } cases[] = {
        {96000, 1, 1, 2, 44100, 16},
        {22050, 1, 1, 2, 22050, 16},
        {44100, 0, 0, 1, 44100, 8},
        {11025, 0, 1, 1, 11025, 16},
    };
    for (const Case& c : cases) {
        ScriptedSetAudioCaps(c.maxRate, c.stereo, c.bits16);
        Start();
        int ch = 0, rate = 0, bits = 0;
        ASSERT_EQ(ScriptedPrimaryFormat(&ch, &rate, &bits), 1);
        EXPECT_EQ(ch, c.channels);
        EXPECT_EQ(rate, c.rate);
        EXPECT_EQ(bits, c.bits);
        EXPECT_EQ(g_sound.primaryFormat.BlockAlign, c.bits / 8 * c.channels);
        EXPECT_EQ((int)g_sound.primaryFormat.AvgBytesPerSec, c.bits / 8 * c.channels * c.rate);
        EXPECT_EQ(g_sound.primaryFormat.ExtraSize, 0);
        RuntimeEnd();
    }
}

TEST_F(SoundDevice, RefusedPrimaryFormatOnlyLogs) {
    ScriptedRefusePrimaryFormat(1);
    Start(true);
    EXPECT_TRUE(LogHas("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n"));
    EXPECT_TRUE(LogHas("DirectSound の初期化は正常に終了しました\n"));
    Bytes wave = SmallWave({100, 100, 100});
    EXPECT_NE(LoadSoundMemory(wave.data(), (int)wave.size(), 1), -1);
}

TEST_F(SoundDevice, SilentBufferFailuresStillEndInSuccess) {
    ScriptedFailAudioBuffers(2, 1); // its lock
    Start(true);
    EXPECT_TRUE(LogHas("無音バッファのロックに失敗しました"));
    EXPECT_TRUE(LogHas("DirectSound の初期化は正常に終了しました\n"));
    EXPECT_EQ(g_sound.silentBuffer, nullptr);
    EXPECT_EQ(ScriptedAudioBufferCount(), 0);
    Bytes wave = SmallWave({100, 100, 100});
    SoundHandle h = LoadSoundMemory(wave.data(), (int)wave.size(), 1);
    ASSERT_NE(h, -1);
    EXPECT_EQ(PlaySoundHandle(h, PLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(Mix(1)[0], 100);
    RuntimeEnd();

    ScriptedFailAudioBuffers(0, 1); // its creation
    Start(true);
    EXPECT_TRUE(LogHas("無音バッファの作成に失敗しました"));
    EXPECT_TRUE(LogHas("DirectSound の初期化は正常に終了しました\n"));
}

TEST_F(SoundDevice, DeviceListFailuresEndTheDescriptionOnly) {
    ScriptedSetAudioDeviceList(-1);
    Start(true);
    EXPECT_TRUE(LogHas("DirectSound デバイスの列挙用関数のポインタ取得に失敗しました\n"));
    EXPECT_FALSE(LogHas("利用可能チャンネル"));
    EXPECT_TRUE(LogHas("DirectSound の初期化は正常に終了しました\n"));
    std::string log = LogText();
    EXPECT_EQ(IndentOf(log, "DirectSound の初期化は正常に終了しました"),
              IndentOf(log, "DirectSound の初期化を行います"));
    RuntimeEnd();
    ScriptedSetAudioDeviceList(-2);
    Start(true);
    EXPECT_TRUE(LogHas("DSOUND.DLL のロードに失敗しました\n"));
    EXPECT_TRUE(LogHas("DirectSound の初期化は正常に終了しました\n"));
}

TEST_F(SoundDevice, InitTwiceFailsAndEndWithoutDeviceLogsNothing) {
    Start(true);
    int buffers = ScriptedAudioBufferCount();
    EXPECT_EQ(InitSoundSystem(), -1);
    EXPECT_EQ(ScriptedAudioBufferCount(), buffers);
    EXPECT_EQ(EndSoundSystem(), 0);
    size_t size = LogText().size();
    EXPECT_EQ(EndSoundSystem(), -1);
    EXPECT_EQ(LogText().size(), size);
    EXPECT_EQ(InitSoundSystem(), 0);
}

struct NoDeviceCase {
    int openResult;
    const char* line;
};

class SoundWithoutDevice : public SoundRuntime, public ::testing::WithParamInterface<NoDeviceCase> {};

TEST_P(SoundWithoutDevice, EveryOperationReturnsMinus1AndTheRuntimeRuns) {
    ScriptedSetAudioOpenResult(GetParam().openResult);
    Start(true);
    EXPECT_TRUE(LogHas(GetParam().line));
    EXPECT_FALSE(LogHas("DirectSound の初期化は正常に終了しました\n"));
    EXPECT_EQ(ScriptedAudioDeviceOpen(), 0);
    std::string path = ToneFile("nodevice", 22050, 1, 0.05);
    Bytes wave = SmallWave({1, 2, 3});
    EXPECT_EQ(LoadSoundFile(path.c_str(), 3), -1);
    EXPECT_EQ(LoadSoundMemory(wave.data(), (int)wave.size(), 1), -1);
    EXPECT_EQ(AddSoundData(), -1);
    EXPECT_EQ(PlaySoundHandle(0x10000000, PLAY_BACKGROUND, 1), -1);
    EXPECT_EQ(StopSoundHandle(0x10000000), -1);
    EXPECT_EQ(CheckSoundHandle(0x10000000), -1);
    EXPECT_EQ(DeleteSoundHandle(0x10000000), -1);
    EXPECT_EQ(DeleteAllSoundHandles(), -1);
    EXPECT_EQ(ProcessMessage(), 0);
    EXPECT_EQ(RuntimeEnd(), 0);
    EXPECT_FALSE(LogHas("DirectSound の終了処理は正常に終了しました\n"));
}

INSTANTIATE_TEST_SUITE_P(Failures, SoundWithoutDevice,
                         ::testing::Values(NoDeviceCase{-1, "DirectSoundインターフェースの作成に失敗しました\n"},
                                           NoDeviceCase{-2, "初期化に失敗しました\n"}));

} // namespace
