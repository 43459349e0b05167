// The ApiLock: one recursive, first-come-first-served lock around every public
// operation of the runtime.
#pragma once

void EnterApiLock(void);
void LeaveApiLock(void);
// The pump thread's variant: its wait re-checks the quit state every second.
// Returns 0 when taken, -1 when the runtime is quitting and the lock was not taken.
int EnterApiLockPump(void);
void LeaveApiLockPump(void);
// The pump thread leaves: drops any queue entry of the calling thread.
void RemoveApiLockWaiter(void);
void DestroyApiLock(void);

// Brackets a public operation: constructed at its top, released on every return.
struct ApiLockScope {
    ApiLockScope() { EnterApiLock(); }
    ~ApiLockScope() { LeaveApiLock(); }
    ApiLockScope(const ApiLockScope&) = delete;
    ApiLockScope& operator=(const ApiLockScope&) = delete;
};
#define API_LOCK() ApiLockScope apiLockScope_

// Observers for tests: threads waiting in the queue, and the holder's depth.
int ApiLockWaiterCount(void);
int ApiLockDepth(void);
