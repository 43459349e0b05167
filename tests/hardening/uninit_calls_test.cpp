// Public operations called before RuntimeInit and after RuntimeEnd on the headless
// backend: each returns at once with its "not initialised" result.
#include "tests/hardening/uninit_calls.h"

#include "runtime/core/runtime_state.h"

namespace {

TEST(UninitCalls, BeforeInitEveryCallReturnsAtOnce) {
    // Needs a process in which the runtime never started (ctest runs each test alone).
    if (g_runtime.startDirectory[0]) GTEST_SKIP() << "the runtime already ran in this process";
    uninit::CheckEveryCall(false, "scripted");
}

TEST(UninitCalls, AfterEndEveryCallReturnsAtOnce) {
    SetLogOutputEnabled(0);
    ChangeWindowMode(1);
    SetScreenMode(320, 240, 16, 60);
    ASSERT_EQ(RuntimeInit(), 0);
    ASSERT_EQ(RuntimeEnd(), 0);
    uninit::CheckEveryCall(true, "scripted");
}

// The whole story in one program: every call, a start and an end, every call again.
TEST(UninitCalls, WholeProgramEndsPromptly) {
    if (g_runtime.startDirectory[0]) GTEST_SKIP() << "the runtime already ran in this process";
    double ms = uninit::WholeSequenceMs(10000);
    printf("scripted: whole program %.1f ms\n", ms);
    EXPECT_GE(ms, 0) << "the program hung or failed";
}

} // namespace
