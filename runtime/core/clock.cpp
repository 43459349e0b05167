// Millisecond and microsecond clocks. The millisecond count wraps at 2^32;
// callers take differences with unsigned arithmetic.
#include "runtime/core/clock.h"

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

int GetMillisecondCount(int ignored) {
    API_LOCK();
    return (int)PlatformMilliseconds();
}

int SleepMilliseconds(int milliseconds) {
    // Deliberately outside the lock: a sleeping thread must not hold up the others.
    PlatformSleep(milliseconds < 0 ? 0 : milliseconds);
    return 0;
}

int GetCalendarSeconds(void) {
    API_LOCK();
    return (int)PlatformCalendarSeconds();
}

int64_t GetMicrosecondCount(int ignored) {
    if (g_runtime.clock.usePerformanceCounter && g_runtime.clock.performanceFrequency > 0) {
        long double c = (long double)PlatformFineCounter();
        return (int64_t)(c / (long double)g_runtime.clock.performanceFrequency * 1000000.0L);
    }
    return (int64_t)PlatformMilliseconds() * 1000;
}

void RaiseTimerResolution(void) {
    g_runtime.clock.timerPeriod = PlatformTimerPeriod();
}

void RunTimerTest(void) {
    g_runtime.clock.performanceFrequency = PlatformFineFrequency();
    g_runtime.clock.usePerformanceCounter = g_runtime.clock.performanceFrequency != 0;
    RaiseTimerResolution();
    if (!g_runtime.clock.usePerformanceCounter) return;
    LogWrite(SJ("タイマーの精度を検査します\n"));
    int mm = 0, pc = 0;
    uint32_t last = PlatformMilliseconds();
    int64_t lastPc = PlatformFineCounter();
    uint32_t start = PlatformMilliseconds();
    for (;;) {
        if (ProcessMessage() != 0) break;
        if (mm == 60 || pc == 60) break;
        if (PlatformMilliseconds() - start >= 1000u) break;
        int64_t c = PlatformFineCounter();
        if (c != lastPc) {
            pc++;
            lastPc = c;
        }
        uint32_t now = PlatformMilliseconds();
        if (now != last) {
            mm++;
            last = now;
        }
    }
    LogPrintf(SJ("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d"), mm, pc);
    if (pc < mm) {
        LogPrintf(SJ("マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms "), g_runtime.clock.timerPeriod);
        g_runtime.clock.usePerformanceCounter = 0;
    } else {
        LogPrintf(SJ("パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz "),
                  g_runtime.clock.performanceFrequency * 0.001);
    }
}
