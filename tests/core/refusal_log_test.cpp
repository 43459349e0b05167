// What a person at the terminal sees: one UTF-8 line per reason RuntimeInit refuses
// to start, and the log mirrored to stderr (BORRA_LOG=stderr) or kept off (=off).
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "runtime/core/log.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"

namespace {

std::string Line(const std::string& text) {
    return std::string(program_invocation_short_name) + ": " + text + "\n";
}

TEST(RuntimeRefusal, EachReasonIsOneLineOnStderr) {
    const struct {
        const char* name;
        void (*arrange)();
        void (*undo)();
        const char* line;
    } cases[] = {
        {"another copy", [] { ScriptedSetOtherInstance(1); }, [] { ScriptedSetOtherInstance(0); },
         "another copy is already running for this user; it was asked to come to the front"},
        {"no window", [] { ScriptedFailWindowCreation(1); }, [] { ScriptedFailWindowCreation(0); },
         "cannot create the main window"},
        {"second init", [] { ASSERT_EQ(RuntimeInit(), 0); }, [] {},
         "RuntimeInit was called a second time without RuntimeEnd"},
    };
    SetLogOutputEnabled(0);
    ChangeWindowMode(1);
    for (const auto& c : cases) {
        c.arrange();
        testing::internal::CaptureStderr();
        EXPECT_EQ(RuntimeInit(), -1) << c.name;
        std::string err = testing::internal::GetCapturedStderr();
        c.undo();
        RuntimeEnd();
        EXPECT_EQ(err, Line(c.line)) << c.name;
    }
    // A start that succeeds says nothing.
    testing::internal::CaptureStderr();
    EXPECT_EQ(RuntimeInit(), 0);
    RuntimeEnd();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// The log in a fresh folder, with BORRA_LOG set for the test and cleared after it.
class MirroredLog : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_runtime;
        char tmpl[] = "/tmp/bkt-mirror-XXXXXX";
        dir_ = mkdtemp(tmpl);
        snprintf(g_runtime.startDirectory, sizeof(g_runtime.startDirectory), "%s", dir_.c_str());
        g_runtime.settings.logDisabled = 0;
        g_runtime.log.logIndent = 0;
        ScriptedSetClock(1000);
    }
    void TearDown() override {
        unsetenv("BORRA_LOG");
        remove(File().c_str());
        rmdir(dir_.c_str());
        g_runtime = saved_;
    }
    std::string File() const { return dir_ + "/AppLog.txt"; }
    RuntimeState saved_;
    std::string dir_;
};

TEST_F(MirroredLog, StderrGetsEveryLineInUtf8AlsoWithTheFileOff) {
    setenv("BORRA_LOG", "stderr", 1);
    for (int fileOn : {1, 0}) {
        g_runtime.settings.logDisabled = !fileOn;
        InitLogFile();
        testing::internal::CaptureStderr();
        ScriptedAdvanceClock(42);
        LogIndent();
        LogWrite(SJ("ＣＯＭの初期化... "));
        LogWrite(SJ("成功しました\n"));
        LogUnindent();
        LogPrintf("%s", SJ("画面モード変更処理は正常に終了しました"));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "42:\tＣＯＭの初期化... 成功しました\n42:画面モード変更処理は正常に終了しました\n")
            << "file on: " << fileOn;
        EXPECT_EQ(access(File().c_str(), F_OK) == 0, fileOn == 1);
        remove(File().c_str());
        ScriptedSetClock(1000);
    }
}

TEST_F(MirroredLog, OffKeepsTheFileFromBeingMade) {
    setenv("BORRA_LOG", "off", 1);
    InitLogFile();
    testing::internal::CaptureStderr();
    EXPECT_EQ(LogWrite("text\n"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(access(File().c_str(), F_OK), 0);
}

} // namespace
