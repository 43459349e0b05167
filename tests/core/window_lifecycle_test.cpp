// RuntimeInit / RuntimeEnd on the headless backend, the message pump's rules,
// window sizes, and the virtual clock under a frame loop.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "runtime/core/api_lock.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/window.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"

namespace {

class RuntimeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetLogOutputEnabled(0);
        ChangeWindowMode(1);
        SetScreenMode(320, 240, 16, 60);
        SetWindowScaleRate(1.0);
    }
    void TearDown() override { RuntimeEnd(); }
    // Dispatches what init left queued (cursor messages and the like).
    void Drain() {
        while (PendingWindowMessages() > 0) ProcessMessage();
    }
};

TEST_F(RuntimeFixture, EightQueuedEventsGiveSixDispatchedPerCall) {
    ASSERT_EQ(RuntimeInit(), 0);
    Drain();
    for (int i = 0; i < 8; i++) ScriptedPushEvent(PlatformEventExpose, 0, 0, 0, 0, 0);
    int before = DispatchedWindowMessages();
    EXPECT_EQ(ProcessMessage(), 0);
    EXPECT_EQ(DispatchedWindowMessages() - before, 6);
    EXPECT_EQ(PendingWindowMessages(), 2);
    EXPECT_EQ(ProcessMessage(), 0);
    EXPECT_EQ(PendingWindowMessages(), 0);
}

TEST_F(RuntimeFixture, ClosingTheWindowQuitsForGood) {
    ASSERT_EQ(RuntimeInit(), 0);
    Drain();
    ScriptedPushEvent(PlatformEventClose, 0, 0, 0, 0, 0);
    EXPECT_EQ(ProcessMessage(), -1);
    EXPECT_EQ(ProcessMessage(), -1);
    EXPECT_EQ(ScriptedWindowInfo(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(RuntimeEnd(), 0);
    EXPECT_EQ(ProcessMessage(), -1);
}

TEST_F(RuntimeFixture, EndTwiceIsHarmlessAndTheClockGoesOn) {
    ASSERT_EQ(RuntimeInit(), 0);
    EXPECT_EQ(RuntimeEnd(), 0);
    EXPECT_EQ(ProcessMessage(), -1);
    ScriptedAdvanceClock(5);
    int t = GetMillisecondCount(0);
    ScriptedAdvanceClock(7);
    EXPECT_EQ(GetMillisecondCount(12345) - t, 7);
    EXPECT_EQ(RuntimeEnd(), 0);
    EXPECT_EQ(ProcessMessage(), -1);
    // The runtime starts again after an end.
    EXPECT_EQ(RuntimeInit(), 0);
    EXPECT_EQ(ProcessMessage(), 0);
}

TEST_F(RuntimeFixture, ScaleRateSetsTheClientSize) {
    SetWindowScaleRate(2.0);
    ASSERT_EQ(RuntimeInit(), 0);
    int w = 0, h = 0, fs = 1;
    ASSERT_EQ(ScriptedWindowInfo(&w, &h, &fs), 1);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(fs, 0);
    SetWindowScaleRate(1.0);
    ScriptedWindowInfo(&w, &h, &fs);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    // The client area never starts off the desktop.
    EXPECT_GE(g_runtime.window.clientRectOnScreen[0], 0);
    EXPECT_GE(g_runtime.window.clientRectOnScreen[1], 0);
}

TEST(RuntimeSettings, ScaleRateZeroAndNegative) {
    g_runtime.settings.windowScaleRate = 0.0;
    SetWindowScaleRate(0.0);
    EXPECT_EQ(g_runtime.settings.windowScaleRate, 0.0); // already 0.0: nothing stored
    EXPECT_EQ(GetWindowScaleRate(), 1.0);               // and the window uses 1.0
    SetWindowScaleRate(-2.0);
    EXPECT_EQ(g_runtime.settings.windowScaleRate, 1.0);
    SetWindowScaleRate(0.0 / 0.0);
    EXPECT_EQ(g_runtime.settings.windowScaleRate, 1.0);
}

TEST_F(RuntimeFixture, CaptionDefaultsToTheClassName) {
    g_runtime.settings.windowTitle[0] = 0;
    ASSERT_EQ(RuntimeInit(), 0);
    EXPECT_STREQ(ScriptedCaption(), "QmApp");
    SetMainWindowTitle("Borra Kez Ti");
    EXPECT_STREQ(ScriptedCaption(), "Borra Kez Ti");
}

TEST_F(RuntimeFixture, SecondInstanceIsRefused) {
    ScriptedSetOtherInstance(1);
    EXPECT_EQ(RuntimeInit(), -1);
    ScriptedSetOtherInstance(0);
    EXPECT_EQ(g_runtime.window.quitRequested, 1);
}

TEST_F(RuntimeFixture, SecondInitWhileRunningFails) {
    ASSERT_EQ(RuntimeInit(), 0);
    EXPECT_EQ(RuntimeInit(), -1);
    EXPECT_EQ(ProcessMessage(), -1);
}

TEST_F(RuntimeFixture, InactiveApplicationWaitsInsideProcessMessage) {
    ASSERT_EQ(RuntimeInit(), 0);
    Drain();
    ScriptedPushEvent(PlatformEventDeactivate, 0, 0, 0, 0, 0);
    std::thread activator([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ScriptedPushEvent(PlatformEventActivate, 0, 0, 0, 0, 0);
    });
    uint32_t t0 = PlatformMilliseconds();
    EXPECT_EQ(ProcessMessage(), 0);
    activator.join();
    EXPECT_EQ(g_runtime.window.appActive, 1);
    // It slept (virtual) milliseconds while it waited.
    EXPECT_GT(PlatformMilliseconds() - t0, 0u);
}

// Every operation that draws, selects or loads is held while the application is
// inactive, until the activation arrives.
TEST_F(RuntimeFixture, DrawStateAndLoadingAreHeldWhileInactive) {
    struct Held {
        const char* name;
        int (*call)();
    };
    const Held held[] = {
        {"SetDrawTarget", [] { return SetDrawTarget(-2); }},
        {"SetDrawArea", [] { return SetDrawArea(0, 0, 10, 10); }},
        {"SetBlendMode", [] { return SetBlendMode(1, 100); }},
        {"LoadGraphFile", [] { return LoadGraphFile("no such picture.png"); }},
        {"ClearDrawTarget", [] { return ClearDrawTarget(); }},
        {"DrawRectangle", [] { return DrawRectangle(0, 0, 4, 4, 0, 1); }},
        {"CheckKeyDown", [] { return CheckKeyDown(1); }},
    };
    ASSERT_EQ(RuntimeInit(), 0);
    Drain();
    for (const Held& h : held) {
        SCOPED_TRACE(h.name);
        // As a dispatched message is handled: under the lock the pump thread also takes.
        EnterApiLock();
        MainWindowProc(WM_ACTIVATE, 0, 0);
        LeaveApiLock();
        ASSERT_EQ(g_runtime.window.appActive, 0);
        std::thread activator([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            ScriptedPushEvent(PlatformEventActivate, 0, 0, 0, 0, 0);
        });
        uint32_t t0 = PlatformMilliseconds();
        h.call();
        activator.join();
        EXPECT_EQ(g_runtime.window.appActive, 1);
        EXPECT_GT(PlatformMilliseconds() - t0, 0u);
        EnterApiLock();
        MainWindowProc(WM_ACTIVATE, 1, 0);
        LeaveApiLock();
    }
}

// A window that does not fit the desktop (1280 x 1024 on this backend) has its
// client area at (0, 0) on both axes; one that fits stays centred.
TEST_F(RuntimeFixture, OffScreenWindowGoesToTheCorner) {
    struct Case {
        int width, height;
        double rate;
        int left, top;
    };
    const Case cases[] = {
        {640, 480, 2.0, 0, 0},     // 1280 x 960 client: only the frame sticks out
        {400, 500, 2.0, 0, 0},     // 800 x 1000: fits across, not with its caption
        {320, 240, 1.0, 477, 377}, // fits: centred
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        SetScreenMode(c.width, c.height, 16, 60);
        SetWindowScaleRate(c.rate);
        ASSERT_EQ(RuntimeInit(), 0);
        EXPECT_EQ(g_runtime.window.clientRectOnScreen[0], c.left);
        EXPECT_EQ(g_runtime.window.clientRectOnScreen[1], c.top);
        PlatformRect r;
        ASSERT_EQ(PlatformGetClientRect(&r), 0);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.right - r.left, (int)(c.width * c.rate));
        RuntimeEnd();
    }
    SetWindowScaleRate(1.0);
    SetScreenMode(320, 240, 16, 60);
}

TEST_F(RuntimeFixture, ScreenSaverRequestIsRefused) {
    EXPECT_EQ(MainWindowProc(WM_SYSCOMMAND, SC_SCREENSAVE, 0), 1);
    EXPECT_EQ(MainWindowProc(WM_SYSCOMMAND, 0xF020, 0), 0);
}

TEST_F(RuntimeFixture, HundredFramesAdvanceTheVirtualClockNotTheRealOne) {
    ASSERT_EQ(RuntimeInit(), 0);
    int start = GetMillisecondCount(0);
    for (int frame = 0; frame < 100; frame++) {
        ASSERT_EQ(ProcessMessage(), 0);
        int t0 = GetMillisecondCount(0);
        ClearDrawTarget();
        FlipScreen();
        while ((unsigned)(GetMillisecondCount(0) - t0) <= 10u) {
            SleepMilliseconds(1);
            ProcessMessage();
        }
    }
    // Every frame waited out its 11 ms on the virtual clock, and nothing else moved it.
    EXPECT_GE(GetMillisecondCount(0) - start, 1100);
    EXPECT_LE(GetMillisecondCount(0) - start, 1100 + 100);
    // A long sleep costs no real time: five virtual seconds pass far faster than five real ones.
    auto real0 = std::chrono::steady_clock::now();
    SleepMilliseconds(5000);
    auto real = std::chrono::steady_clock::now() - real0;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(real).count(), 2500);
}

} // namespace

namespace {

TEST(RuntimeExit, ExitingWithoutRuntimeEndEndsCleanly) {
#ifdef __SANITIZE_ADDRESS__
    // Skipping RuntimeEnd leaves the font library's memory behind on purpose; the
    // leak checker would report that, which is not what this test is about.
    GTEST_SKIP() << "checked in the normal build";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetLogOutputEnabled(0);
            ChangeWindowMode(1);
            if (RuntimeInit() != 0) exit(3);
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
