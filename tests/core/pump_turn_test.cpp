// The pump thread's turns: it stands aside while the main thread pumps messages
// itself, and takes the lock again as soon as the main thread stops.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "runtime/core/api_lock.h"
#include "runtime/core/window.h"
#include "runtime/runtime.h"

namespace {

TEST(PumpTurnRule, DueOnlyWhenTheMainThreadHasNotPumpedSinceTheLastLook) {
    uint32_t seen = 7;
    EXPECT_TRUE(PumpTurnDue(&seen, 7));
    EXPECT_EQ(seen, 7u);
    // One call or many since the last look: the turn is skipped and the count noted.
    EXPECT_FALSE(PumpTurnDue(&seen, 8));
    EXPECT_EQ(seen, 8u);
    EXPECT_FALSE(PumpTurnDue(&seen, 30));
    EXPECT_EQ(seen, 30u);
    // Then silence: the next turn is due, and stays due.
    EXPECT_TRUE(PumpTurnDue(&seen, 30));
    EXPECT_TRUE(PumpTurnDue(&seen, 30));
    // The count wrapping round is still a change.
    seen = 0xFFFFFFFFu;
    EXPECT_FALSE(PumpTurnDue(&seen, 0));
    EXPECT_EQ(seen, 0u);
}

// Waits (in real time, generously for a loaded machine) until done() holds.
template <typename F>
bool Eventually(F done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

TEST(PumpThreadTurns, SkipsWhileTheMainThreadPumpsAndServesWhenItStops) {
    SetLogOutputEnabled(0);
    ChangeWindowMode(1);
    SetScreenMode(320, 240, 16, 60);
    ASSERT_EQ(RuntimeInit(), 0);
    // A main thread that keeps pumping makes the pump thread skip its turns.
    int skips0 = PumpThreadSkips();
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (PumpThreadSkips() == skips0 && std::chrono::steady_clock::now() < end) {
        ASSERT_EQ(ProcessMessage(), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GT(PumpThreadSkips(), skips0);
    // A main thread busy elsewhere: the pump thread takes its turns again.
    int turns0 = PumpThreadTurns();
    EXPECT_TRUE(Eventually([&] { return PumpThreadTurns() > turns0 + 1; }));
    // It still leaves the lock free and its queue entry gone.
    EXPECT_TRUE(Eventually([] { return ApiLockWaiterCount() == 0; }));
    RuntimeEnd();
}

} // namespace
