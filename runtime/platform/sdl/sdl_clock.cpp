// The SDL backend's clocks: a monotonic millisecond count truncated to 32 bits,
// the performance counter, real sleeps and the calendar.
#include <sched.h>
#include <time.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_internal.h"

uint32_t PlatformMilliseconds(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

int64_t PlatformFineCounter(void) {
    return (int64_t)SDL_GetPerformanceCounter();
}

int64_t PlatformFineFrequency(void) {
    return (int64_t)SDL_GetPerformanceFrequency();
}

int PlatformTimerPeriod(void) {
    return 1;
}

void PlatformSleep(int milliseconds) {
    struct timespec ts;
    ts.tv_sec = milliseconds / 1000;
    ts.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
    if (milliseconds <= 0) {
        sched_yield();
        return;
    }
    while (nanosleep(&ts, &ts) != 0) {
    }
}

int64_t PlatformCalendarSeconds(void) {
    return (int64_t)time(nullptr);
}
