// MessagePumpThread: the runtime's one thread of its own, which keeps the window
// alive and the per-frame steps running every 17 ms while the application is busy.
#include <stdint.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "runtime/core/api_lock.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/window.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

namespace {

struct PumpState {
    // The thread; held by pointer so a process that exits without RuntimeEnd is
    // not stopped by a still-joinable thread object at its end.
    std::thread* thread;
    std::atomic<int> turns; // turns the pump thread has taken
    std::atomic<int> skips; // turns it skipped because the main thread pumped
    // The pause: made once and never destroyed, because a program that exits
    // without RuntimeEnd leaves the thread waiting on them while the static
    // destructors run.
    std::mutex* pauseGuard;        // guards the pause
    std::condition_variable* wake; // cuts the pause short when the window ends
};

PumpState s_pump;

} // namespace

// The pump thread exists for an application too busy to pump. When the main thread
// has pumped since the last turn, taking the lock would gain nothing, yet with the
// lock's arrival order it would make the main thread's next call wait until this
// thread is scheduled, tens of ms on a loaded machine. So that turn is skipped; the
// period stays 17 ms and a main thread that stops pumping is covered next turn.
bool PumpTurnDue(uint32_t* seenMainPumps, uint32_t mainPumps) {
    if (mainPumps == *seenMainPumps) return true;
    *seenMainPumps = mainPumps;
    return false;
}

int PumpThreadTurns(void) {
    return s_pump.turns.load();
}
int PumpThreadSkips(void) {
    return s_pump.skips.load();
}

namespace {

// The pump thread's 17 ms between turns, cut short by EndMainWindow: otherwise the
// main thread spins through the rest of the pause waiting for this thread to end.
void PumpPause() {
    std::unique_lock<std::mutex> g(*s_pump.pauseGuard);
    s_pump.wake->wait_for(g, std::chrono::milliseconds(17), [] { return QuitRequested() == 1; });
}

void MessagePumpThread() {
    uint32_t seen = MainThreadPumps();
    while (QuitRequested() != 1) {
        if (!PumpTurnDue(&seen, MainThreadPumps())) {
            s_pump.skips++;
            PumpPause();
            continue;
        }
        s_pump.turns++;
        if (EnterApiLockPump() != 0) break;
        int r = ProcessMessage();
        LeaveApiLockPump();
        if (r < 0) break;
        PumpPause();
    }
    RemoveApiLockWaiter();
    SetPumpThreadEnded(1);
}

} // namespace

void StartMessagePump(void) {
    SetPumpThreadEnded(0);
    if (!s_pump.wake) {
        s_pump.pauseGuard = new std::mutex;
        s_pump.wake = new std::condition_variable;
    }
    s_pump.thread = new std::thread(MessagePumpThread);
    g_runtime.window.pumpThreadStarted = 1;
}

void StopMessagePump(void) {
    if (!g_runtime.window.pumpThreadStarted) return;
    // The pump thread may be waiting for the lock we hold: let it go by.
    while (!PumpThreadEnded()) {
        { std::lock_guard<std::mutex> g(*s_pump.pauseGuard); }
        s_pump.wake->notify_all();
        LeaveApiLock();
        PlatformSleep(1);
        EnterApiLock();
    }
    if (s_pump.thread) {
        if (s_pump.thread->joinable()) s_pump.thread->join();
        delete s_pump.thread;
        s_pump.thread = nullptr;
    }
    g_runtime.window.pumpThreadStarted = 0;
}
