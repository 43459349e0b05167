// The malloc and calloc wrappers behind alloc_watch.h.
#include "tests/hardening/alloc_watch.h"

#include <atomic>
#include <stdlib.h>

extern "C" void* __real_malloc(size_t size);
extern "C" void* __real_calloc(size_t count, size_t size);

static std::atomic<bool> s_watching{false};
static std::atomic<size_t> s_largest{0};

static void Note(size_t bytes) {
    if (!s_watching.load()) return;
    size_t seen = s_largest.load();
    while (bytes > seen && !s_largest.compare_exchange_weak(seen, bytes)) {
    }
}

extern "C" void* __wrap_malloc(size_t size) {
    Note(size);
    return __real_malloc(size);
}

extern "C" void* __wrap_calloc(size_t count, size_t size) {
    Note(count * size);
    return __real_calloc(count, size);
}

void StartAllocWatch(void) {
    s_largest = 0;
    s_watching = true;
}

size_t EndAllocWatch(void) {
    s_watching = false;
    return s_largest.load();
}
