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

// Call-site forms that pass this file's name and line.
#define RT_ALLOC(size) TrackedAlloc((int)(size), __FILE__, __LINE__)
#define RT_CALLOC(size) TrackedCalloc((int)(size), __FILE__, __LINE__)
#define RT_FREE(p) TrackedFree(p)
