// Shift-JIS forms of the runtime's UTF-8 message literals, converted on first use.
// The cache is keyed by the literal's address and lives for the whole process,
// outside the tracked allocator (it is not a runtime record and must not show up
// as a live block in the end-of-run dump).
#include "runtime/core/sjis.h"

#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "runtime/platform/platform.h"

namespace {

struct SjisEntry {
    const char* key; // the UTF-8 literal
    char* value;     // its Shift-JIS bytes, NUL-terminated
};

struct SjisCache {
    std::mutex guard;   // SJ may be reached from the pump thread too
    SjisEntry* entries; // open-addressed table
    int capacity;       // power of two
    int count;          // entries in use
};

SjisCache s_cache;

unsigned HashPointer(const void* p) {
    uintptr_t v = (uintptr_t)p;
    v ^= v >> 17;
    v *= 0x9E3779B97F4A7C15ull;
    return (unsigned)(v >> 32);
}

void Grow() {
    int newCap = s_cache.capacity ? s_cache.capacity * 2 : 256;
    SjisEntry* table = (SjisEntry*)calloc((size_t)newCap, sizeof(SjisEntry));
    if (!table) return;
    for (int i = 0; i < s_cache.capacity; i++) {
        SjisEntry e = s_cache.entries[i];
        if (!e.key) continue;
        unsigned h = HashPointer(e.key) & (unsigned)(newCap - 1);
        while (table[h].key) h = (h + 1) & (unsigned)(newCap - 1);
        table[h] = e;
    }
    free(s_cache.entries);
    s_cache.entries = table;
    s_cache.capacity = newCap;
}

} // namespace

const char* SJ(const char* utf8Literal) {
    if (!utf8Literal) return "";
    std::lock_guard<std::mutex> lock(s_cache.guard);
    if (s_cache.count * 2 >= s_cache.capacity) Grow();
    if (!s_cache.entries) return utf8Literal;
    unsigned mask = (unsigned)(s_cache.capacity - 1);
    unsigned h = HashPointer(utf8Literal) & mask;
    while (s_cache.entries[h].key) {
        if (s_cache.entries[h].key == utf8Literal) return s_cache.entries[h].value;
        h = (h + 1) & mask;
    }
    size_t len = strlen(utf8Literal);
    size_t cap = len * 2 + 1; // Shift-JIS is never longer than UTF-8 for these texts
    char* out = (char*)malloc(cap);
    if (!out) return utf8Literal;
    int n = PlatformConvertText("UTF-8", "CP932", utf8Literal, (int)len, out, (int)cap - 1);
    if (n < 0) {
        memcpy(out, utf8Literal, len);
        n = (int)len;
    }
    out[n] = 0;
    s_cache.entries[h].key = utf8Literal;
    s_cache.entries[h].value = out;
    s_cache.count++;
    return out;
}
