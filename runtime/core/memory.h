// The tracked allocator: every runtime allocation carries a 64-byte header so
// blocks still alive at RuntimeEnd can be listed in the log.
#pragma once

#include <stddef.h>

void* TrackedAlloc(int size, const char* sourceName, int line);
void* TrackedCalloc(int size, const char* sourceName, int line);
int TrackedFree(void* pointer);
// Lists every live block in the log, newest first.
void DumpTrackedMemory(void);
// Live blocks and their total size (tests, soak runs).
int TrackedBlockCount(void);
int TrackedTotalSize(void);

// Callers compute sizes in 64 bits; a size that does not fit an int becomes -1,
// which the allocator refuses, instead of being truncated to a small block.
static inline int TrackedSizeOrRefused(long long size) {
    return size >= 0 && size <= 0x7FFFFFFF ? (int)size : -1;
}

// Call-site forms that pass this file's name and line.
#define RT_ALLOC(size) TrackedAlloc(TrackedSizeOrRefused((long long)(size)), __FILE__, __LINE__)
#define RT_CALLOC(size) TrackedCalloc(TrackedSizeOrRefused((long long)(size)), __FILE__, __LINE__)
#define RT_FREE(p) TrackedFree(p)
