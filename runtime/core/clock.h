// The runtime's clocks: the public millisecond counter and the internal
// microsecond counter with the start-up test that picks its source.
#pragma once

#include <stdint.h>

// Internal microsecond counter (the screen's refresh measurement uses it).
int64_t GetMicrosecondCount(int ignored);
// InitMainWindow: raises the timer resolution and tests the fine counter.
void RunTimerTest(void);
// Raises the timer resolution (a no-op request on platforms without one).
void RaiseTimerResolution(void);
