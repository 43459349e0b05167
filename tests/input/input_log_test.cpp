// The log lines of starting and ending the input module, in both modes, and of
// a controller found at start.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "runtime/core/sjis.h"
#include "tests/input/input_fixture.h"

namespace {

class InputLogTest : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        EndInput();
        memcpy(savedName, g_runtime.log.logFileName, sizeof savedName);
        memcpy(savedDir, g_runtime.startDirectory, sizeof savedDir);
        savedDisabled = g_runtime.settings.logDisabled;
        ASSERT_NE(getcwd(g_runtime.startDirectory, sizeof g_runtime.startDirectory), nullptr);
        snprintf(g_runtime.log.logFileName, sizeof g_runtime.log.logFileName, "input_test_log_%d.txt", (int)getpid());
        snprintf(path, sizeof path, "%s/%s", g_runtime.startDirectory, g_runtime.log.logFileName);
        remove(path);
        g_runtime.settings.logDisabled = 0;
    }
    void TearDown() override {
        g_runtime.settings.logDisabled = savedDisabled;
        memcpy(g_runtime.log.logFileName, savedName, sizeof savedName);
        memcpy(g_runtime.startDirectory, savedDir, sizeof savedDir);
        remove(path);
        InputTest::TearDown();
    }
    std::string Log() const {
        std::string text;
        if (FILE* f = fopen(path, "rb")) {
            char buf[4096];
            size_t n;
            while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
            fclose(f);
        }
        return text;
    }
    bool Has(const std::string& log, const char* utf8) const { return log.find(SJ(utf8)) != std::string::npos; }
    char savedName[sizeof g_runtime.log.logFileName];
    char savedDir[sizeof g_runtime.startDirectory];
    int savedDisabled = 0;
    char path[600];
};

TEST_F(InputLogTest, StartAndEndWithDevices) {
    ScriptedSetPad(0, 1, 0, 0, 0);
    ASSERT_EQ(InitInput(), 0);
    EXPECT_EQ(g_input.padCount, 1);
    EXPECT_EQ(EndInput(), 0);
    std::string log = Log();
    const char* lines[] = {"DirectInput関係初期化処理",
                           "DirectInputオブジェクトの取得中... 成功",
                           "引き続き初期化処理... 初期化成功",
                           "ジョイパッドの初期化... ",
                           "入力装置を見つけました",
                           "デバイスの登録名:Scripted Pad 1",
                           "デバイスの製品登録名:Scripted Pad",
                           "ジョイパッドの追加は正常に終了しました",
                           "ジョイパッドの初期化は正常に終了しました",
                           "マウスデバイスの初期化... 初期化成功",
                           "キーボードデバイスの初期化... 初期化成功",
                           "DirectInput 関連の初期化は正常に終了しました",
                           "DirectInput 関連の終了処理... 完了"};
    size_t at = 0;
    for (const char* line : lines) {
        size_t found = log.find(SJ(line), at);
        EXPECT_NE(found, std::string::npos) << line;
        if (found != std::string::npos) at = found;
    }
}

TEST_F(InputLogTest, PlainModeLines) {
    SetInputPlainMode(1);
    ASSERT_EQ(InitInput(), 0);
    EXPECT_EQ(EndInput(), 0);
    EXPECT_EQ(EndInput(), 0);
    std::string log = Log();
    EXPECT_TRUE(Has(log, "入力関連の初期化をしました"));
    EXPECT_TRUE(Has(log, "入力関連の終了処理... 完了"));
    EXPECT_FALSE(Has(log, "DirectInput"));
}

TEST_F(InputLogTest, ControllerPluggedWhileRunningIsLogged) {
    ASSERT_EQ(InitInput(), 0);
    ScriptedSetPad(4, 1, 0, 0, 0);
    UpdatePadDevices();
    EXPECT_TRUE(Has(Log(), "デバイスの登録名:Scripted Pad 5"));
}

} // namespace
