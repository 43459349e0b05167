// The scripted backend's clocks: a virtual millisecond clock that only sleeps
// advance, so the frame loop's waits cost no real time and every run is
// deterministic; a fine counter derived from it; a fixed calendar.
#include <atomic>
#include <chrono>
#include <thread>

#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/platform/scripted/scripted_internal.h"

namespace {

struct ScriptedClock {
    std::atomic<uint32_t> milliseconds; // the virtual millisecond count
    std::atomic<uint32_t> fineStep;     // fine counts handed out within the current millisecond
    std::atomic<uint32_t> fineMs;       // millisecond the fine steps belong to
    std::atomic<int64_t> calendar;      // calendar seconds reported
    std::atomic<uint64_t> clockThread;  // id of the thread whose sleeps advance the clock (0 = any)
};

ScriptedClock s_clock;

uint64_t ThreadKey() {
    return (uint64_t)std::hash<std::thread::id>()(std::this_thread::get_id()) | 1;
}

} // namespace

bool ScriptedIsClockThread(void) {
    uint64_t owner = s_clock.clockThread.load();
    return owner == 0 || owner == ThreadKey();
}

void ScriptedSetClockThread(void) {
    s_clock.clockThread.store(ThreadKey());
}

uint32_t PlatformMilliseconds(void) {
    return s_clock.milliseconds.load();
}

int64_t PlatformFineCounter(void) {
    // Each read moves on by one microsecond within the current millisecond, so the
    // counter is finer than the millisecond clock and never goes backwards.
    uint32_t ms = s_clock.milliseconds.load();
    if (s_clock.fineMs.load() != ms) {
        s_clock.fineMs.store(ms);
        s_clock.fineStep.store(0);
    }
    uint32_t step = s_clock.fineStep.load();
    if (step < 999) s_clock.fineStep.store(step + 1);
    return (int64_t)ms * 1000 + step;
}

int64_t PlatformFineFrequency(void) {
    return 1000000;
}

int PlatformTimerPeriod(void) {
    return 1;
}

void PlatformSleep(int milliseconds) {
    if (ScriptedIsClockThread()) {
        // Pure virtual time: yielding here would make a loaded machine's scheduler
        // the pace of every replay.
        if (milliseconds > 0) s_clock.milliseconds.fetch_add((uint32_t)milliseconds);
    } else {
        // Other threads (the message pump) sleep for real and leave the clock alone.
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

int64_t PlatformCalendarSeconds(void) {
    return s_clock.calendar.load();
}

void ScriptedAdvanceClock(uint32_t milliseconds) {
    s_clock.milliseconds.fetch_add(milliseconds);
}
void ScriptedSetClock(uint32_t milliseconds) {
    s_clock.milliseconds.store(milliseconds);
}
void ScriptedSetCalendarSeconds(int64_t seconds) {
    s_clock.calendar.store(seconds);
}
