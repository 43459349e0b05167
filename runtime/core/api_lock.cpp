// The ApiLock: a recursive lock handed over strictly in arrival order. A guard
// protects the bookkeeping; each waiting thread sleeps on its own manual-reset
// event in a 4096-entry queue, and a releasing holder wakes only the queue's head.
#include "runtime/core/api_lock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "runtime/core/runtime_state.h"
#include "runtime/platform/platform.h"

namespace {

const int kQueueSize = 4096;

// A manual-reset event.
struct LockEvent {
    std::mutex m;
    std::condition_variable cv;
    bool signalled;
};

struct QueueEntry {
    uint64_t threadId; // waiting thread, 0 when free
    LockEvent* event;  // the event this entry's thread waits on
};

struct ApiLockState {
    int owned;                    // some thread holds the lock
    uint64_t ownerThreadId;       // holder; (uint64_t)-1 after release
    int depth;                    // recursion depth of the holder
    QueueEntry queue[kQueueSize]; // waiting threads, oldest first
    int waiterCount;              // entries in use
    std::mutex guard;             // protects all of the above
    std::atomic<int> created;     // the events exist
};

ApiLockState s_lock;
LockEvent s_events[kQueueSize];
std::mutex s_createGuard;

void SetEvent(LockEvent* e) {
    std::lock_guard<std::mutex> g(e->m);
    e->signalled = true;
    e->cv.notify_all();
}

void ResetEvent(LockEvent* e) {
    std::lock_guard<std::mutex> g(e->m);
    e->signalled = false;
}

// Waits up to timeoutMs (negative: forever). Returns true when signalled.
bool WaitEvent(LockEvent* e, int timeoutMs) {
    std::unique_lock<std::mutex> g(e->m);
    if (timeoutMs < 0) {
        e->cv.wait(g, [e] { return e->signalled; });
        return true;
    }
    return e->cv.wait_for(g, std::chrono::milliseconds(timeoutMs), [e] { return e->signalled; });
}

void CreateLock() {
    std::lock_guard<std::mutex> g(s_createGuard);
    if (s_lock.created.load()) return;
    for (int i = 0; i < kQueueSize; i++) {
        s_events[i].signalled = false;
        s_lock.queue[i].threadId = 0;
        s_lock.queue[i].event = &s_events[i];
    }
    s_lock.owned = 0;
    s_lock.ownerThreadId = (uint64_t)-1;
    s_lock.depth = 0;
    s_lock.waiterCount = 0;
    s_lock.created.store(1);
}

// Removes the head entry; its event moves to the freed last slot. Guard held.
void RemoveHead() {
    LockEvent* headEvent = s_lock.queue[0].event;
    for (int i = 1; i < s_lock.waiterCount; i++) s_lock.queue[i - 1] = s_lock.queue[i];
    s_lock.queue[s_lock.waiterCount - 1].threadId = 0;
    s_lock.queue[s_lock.waiterCount - 1].event = headEvent;
    s_lock.waiterCount--;
}

void Take(uint64_t t) {
    s_lock.owned = 1;
    s_lock.ownerThreadId = t;
    s_lock.depth++;
}

// Shared body of both Enter variants; pump = the pump thread's timed waits.
int Enter(bool pump) {
    if (!s_lock.created.load()) CreateLock();
    uint64_t t = CurrentThreadId();
    std::unique_lock<std::mutex> g(s_lock.guard);
    for (;;) {
        if (s_lock.owned && s_lock.ownerThreadId == t) {
            Take(t);
            return 0;
        }
        if (!s_lock.owned) {
            if (s_lock.waiterCount == 0) {
                Take(t);
                return 0;
            }
            if (s_lock.queue[0].threadId == t) {
                RemoveHead();
                Take(t);
                return 0;
            }
        }
        if (s_lock.waiterCount == kQueueSize) {
            g.unlock();
            PlatformSleep(1);
            g.lock();
            continue;
        }
        QueueEntry& entry = s_lock.queue[s_lock.waiterCount];
        entry.threadId = t;
        LockEvent* ev = entry.event;
        s_lock.waiterCount++;
        g.unlock();
        if (!pump) {
            WaitEvent(ev, -1);
        } else if (!WaitEvent(ev, 0)) {
            while (!WaitEvent(ev, 1000)) {
                if (QuitRequested() == 1) {
                    RemoveApiLockWaiter();
                    return -1;
                }
            }
        }
        ResetEvent(ev);
        g.lock();
    }
}

void Leave(bool sleepAfter) {
    bool wake = false;
    LockEvent* head = nullptr;
    {
        std::lock_guard<std::mutex> g(s_lock.guard);
        if (s_lock.depth <= 0) return;
        if (s_lock.depth == 1) {
            s_lock.owned = 0;
            s_lock.ownerThreadId = (uint64_t)-1;
            wake = s_lock.waiterCount > 0;
            if (wake) head = s_lock.queue[0].event;
        }
        s_lock.depth--;
    }
    if (wake) {
        SetEvent(head);
        if (sleepAfter) PlatformSleep(0);
    }
}

} // namespace

void EnterApiLock(void) {
    Enter(false);
}
void LeaveApiLock(void) {
    Leave(true);
}
int EnterApiLockPump(void) {
    return Enter(true);
}
void LeaveApiLockPump(void) {
    Leave(false);
}

void RemoveApiLockWaiter(void) {
    if (!s_lock.created.load()) return;
    uint64_t t = CurrentThreadId();
    std::lock_guard<std::mutex> g(s_lock.guard);
    for (int i = 0; i < s_lock.waiterCount; i++) {
        if (s_lock.queue[i].threadId != t) continue;
        LockEvent* ev = s_lock.queue[i].event;
        for (int j = i + 1; j < s_lock.waiterCount; j++) s_lock.queue[j - 1] = s_lock.queue[j];
        s_lock.queue[s_lock.waiterCount - 1].threadId = 0;
        s_lock.queue[s_lock.waiterCount - 1].event = ev;
        s_lock.waiterCount--;
        ResetEvent(ev);
        // A removed head hands its turn to the next waiter when the lock is free.
        if (i == 0 && s_lock.waiterCount > 0 && !s_lock.owned) SetEvent(s_lock.queue[0].event);
        break;
    }
}

void DestroyApiLock(void) {
    std::lock_guard<std::mutex> g(s_createGuard);
    if (!s_lock.created.load()) return;
    s_lock.created.store(0);
    for (int i = 0; i < kQueueSize; i++) s_events[i].signalled = false;
}

// Observers for tests.
int ApiLockWaiterCount(void) {
    std::lock_guard<std::mutex> g(s_lock.guard);
    return s_lock.waiterCount;
}

int ApiLockDepth(void) {
    std::lock_guard<std::mutex> g(s_lock.guard);
    return s_lock.depth;
}
