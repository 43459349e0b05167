// Public operations called before RuntimeInit and after RuntimeEnd on the desktop
// backend (SDL's dummy drivers): each returns at once with its "not initialised" result.
#include "tests/hardening/uninit_calls.h"

#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "runtime/core/runtime_state.h"

namespace {

// SDL's dummy drivers, and a lock folder of our own: a game or suite running
// elsewhere on the machine holds the shared one and would refuse the start.
void DummyDrivers() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    static char dir[] = "/tmp/bkt-uninit-XXXXXX";
    static const char* made = mkdtemp(dir);
    if (!made) return;
    setenv("XDG_RUNTIME_DIR", made, 1);
    atexit([] {
        std::string lock = std::string(dir) + "/QmApp-" + std::to_string(getuid()) + ".lock";
        unlink(lock.c_str());
        rmdir(dir);
    });
}

TEST(UninitCallsSdl, BeforeInitEveryCallReturnsAtOnce) {
    if (g_runtime.startDirectory[0]) GTEST_SKIP() << "the runtime already ran in this process";
    DummyDrivers();
    uninit::CheckEveryCall(false, "sdl");
}

TEST(UninitCallsSdl, AfterEndEveryCallReturnsAtOnce) {
    DummyDrivers();
    SetLogOutputEnabled(0);
    ChangeWindowMode(1);
    SetScreenMode(320, 240, 16, 60);
    if (RuntimeInit() != 0) GTEST_SKIP() << "no SDL video available";
    ASSERT_EQ(RuntimeEnd(), 0);
    uninit::CheckEveryCall(true, "sdl");
}

TEST(UninitCallsSdl, WholeProgramEndsPromptly) {
    if (g_runtime.startDirectory[0]) GTEST_SKIP() << "the runtime already ran in this process";
    DummyDrivers();
    double ms = uninit::WholeSequenceMs(20000);
    printf("sdl: whole program %.1f ms\n", ms);
    EXPECT_GE(ms, 0) << "the program hung or failed";
}

} // namespace
