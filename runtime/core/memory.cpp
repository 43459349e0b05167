// The tracked allocator: a 64-byte header in front of every runtime block, all
// blocks linked from the newest to a static anchor so that the ones still alive
// at RuntimeEnd can be listed in the log.
#include "runtime/core/memory.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "runtime/core/log.h"

namespace {

// Header layout: name at 0, serial at 16, line at 18, size at 20, then the two
// links and a check copy of the leading bytes, 64 bytes in all.
struct BlockHeader {
    char name[16];      // last 15 characters of the caller's source name
    uint16_t serial;    // allocation number, wraps at 65536
    uint16_t line;      // caller's source line, truncated to 16 bits
    uint32_t size;      // bytes requested by the caller
    BlockHeader* older; // next older block (toward the anchor)
    BlockHeader* newer; // next newer block; null for the newest
    uint8_t copy[24];   // copy of bytes 0..23, refreshed whenever they change
};
static_assert(sizeof(BlockHeader) == 64, "tracked block header must be 64 bytes");

struct TrackerState {
    BlockHeader anchor;  // always the oldest element once the list exists
    BlockHeader* newest; // null before the first allocation
    int totalSize;       // sum of the sizes of live blocks
    int blockCount;      // live blocks
    uint16_t nextSerial; // number of the next allocation
};

TrackerState s_tracker;

void RefreshCopy(BlockHeader* block) {
    if (block) memcpy(block->copy, block, sizeof(block->copy));
}

// One dump line: sizes, source, serial and the first 16 bytes as text and hex.
void WriteBlockLine(const BlockHeader* block) {
    char text[512];
    int size = (int)block->size;
    int n = snprintf(text, sizeof(text), "\tsize:%d(%.3fkb)  file:%s  line:%d  ID:%d  data:<", size, size / 1024.0,
                     block->name, (int)block->line, (int)block->serial);
    const uint8_t* data = reinterpret_cast<const uint8_t*>(block + 1);
    int shown = size < 16 ? size : 16;
    for (int i = 0; i < shown; i++) {
        signed char c = (signed char)data[i];
        text[n++] = c < 32 ? '.' : (char)c;
    }
    n += snprintf(text + n, sizeof(text) - (size_t)n, "> [");
    for (int i = 0; i < shown; i++) n += snprintf(text + n, sizeof(text) - (size_t)n, "%02x ", data[i]);
    // The last character (the trailing space, or "[" without data) becomes "]\n".
    snprintf(text + n - 1, sizeof(text) - (size_t)(n - 1), "]\n");
    LogWrite(text);
}

} // namespace

void* TrackedAlloc(int size, const char* sourceName, int line) {
    if (size < 0 || (size_t)size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    BlockHeader* block = (BlockHeader*)malloc((size_t)size + sizeof(BlockHeader));
    if (!block) {
        DumpTrackedMemory();
        return nullptr;
    }
    memset(block, 0, sizeof(*block));
    block->size = (uint32_t)size;
    if (sourceName) {
        size_t len = strlen(sourceName);
        const char* tail = len >= 15 ? sourceName + len - 15 : sourceName;
        strncpy(block->name, tail, 15);
    }
    block->line = (uint16_t)line;
    block->serial = s_tracker.nextSerial++;
    BlockHeader* older = s_tracker.newest ? s_tracker.newest : &s_tracker.anchor;
    block->older = older;
    block->newer = nullptr;
    older->newer = block;
    s_tracker.newest = block;
    RefreshCopy(block);
    RefreshCopy(older);
    s_tracker.totalSize += size;
    s_tracker.blockCount++;
    if (size == 0) {
        LogWrite("mem alloc  ");
        WriteBlockLine(block);
    }
    return block + 1;
}

void* TrackedCalloc(int size, const char* sourceName, int line) {
    void* p = TrackedAlloc(size, sourceName, line);
    if (p) memset(p, 0, (size_t)size);
    return p;
}

int TrackedFree(void* pointer) {
    if (!pointer) return 0;
    BlockHeader* block = static_cast<BlockHeader*>(pointer) - 1;
    s_tracker.totalSize -= (int)block->size;
    s_tracker.blockCount--;
    if (block->older) block->older->newer = block->newer;
    if (block->newer) block->newer->older = block->older;
    if (s_tracker.newest == block) s_tracker.newest = block->older == &s_tracker.anchor ? nullptr : block->older;
    RefreshCopy(block->older);
    RefreshCopy(block->newer);
    if (block->size == 0) {
        LogWrite("mem free  ");
        WriteBlockLine(block);
    }
    free(block);
    return 1;
}

void DumpTrackedMemory(void) {
    LogWrite("\n");
    LogPrintf("Alloc memory dump");
    for (BlockHeader* b = s_tracker.newest; b && b != &s_tracker.anchor; b = b->older) WriteBlockLine(b);
    LogPrintf("\tTotal size:%d(%.3fkb)  Alloc num:%d", s_tracker.totalSize, s_tracker.totalSize / 1024.0,
              s_tracker.blockCount);
    LogWrite("\n");
}

int TrackedBlockCount(void) {
    return s_tracker.blockCount;
}
int TrackedTotalSize(void) {
    return s_tracker.totalSize;
}
