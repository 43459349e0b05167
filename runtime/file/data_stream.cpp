// DataStream, the six stream operations the decoders read through: one table
// over files of the installed file-operation set, one over a memory block.
#include <string.h>

#include "runtime/core/memory.h"
#include "runtime/file/file_ops.h"

namespace {

int FileTell(intptr_t h) {
    return g_fileOps->tell(h);
}
int FileSeek(intptr_t h, int offset, int origin) {
    return g_fileOps->seek(h, offset, origin);
}
int FileRead(void* buffer, int size, int count, intptr_t h) {
    return g_fileOps->read(buffer, size, count, h);
}
int FileEof(intptr_t h) {
    return g_fileOps->eof(h);
}
int FileIdle(intptr_t h) {
    return g_fileOps->idle(h);
}
int FileClose(intptr_t h) {
    return g_fileOps->close(h);
}

MemoryStream* AsMemory(intptr_t h) {
    return reinterpret_cast<MemoryStream*>(h);
}

int MemoryTell(intptr_t h) {
    return AsMemory(h)->position;
}

int MemorySeek(intptr_t h, int offset, int origin) {
    MemoryStream* m = AsMemory(h);
    int64_t target = offset;
    if (origin == 1) target += m->position;
    else if (origin == 2) target += m->size;
    if (target < 0) target = 0;
    if (target > m->size) target = m->size;
    m->position = (int)target;
    m->eofHit = 0;
    return 0;
}

int MemoryRead(void* buffer, int size, int count, intptr_t h) {
    MemoryStream* m = AsMemory(h);
    if (m->position >= m->size) {
        m->eofHit = 1;
        return 0;
    }
    if (size <= 0 || count <= 0) return 0;
    int remaining = m->size - m->position;
    const char* from = static_cast<const char*>(m->data) + m->position;
    if ((int64_t)size * count > remaining) count = remaining / size;
    if (count != 0) {
        memcpy(buffer, from, (size_t)count * (size_t)size);
        m->position += count * size;
    } else {
        // Less than one element left: hand out the tail as one element.
        memcpy(buffer, from, (size_t)remaining);
        m->position = m->size;
        count = 1;
    }
    m->eofHit = 0;
    return count;
}

int MemoryEof(intptr_t h) {
    return AsMemory(h)->eofHit;
}
int MemoryIdle(intptr_t h) {
    return 1;
}

int MemoryClose(intptr_t h) {
    RT_FREE(AsMemory(h));
    return 0;
}

} // namespace

const DataStream g_fileStream = {FileTell, FileSeek, FileRead, FileEof, FileIdle, FileClose};
const DataStream g_memoryStream = {MemoryTell, MemorySeek, MemoryRead, MemoryEof, MemoryIdle, MemoryClose};

MemoryStream* OpenMemoryStream(const void* block, int size) {
    MemoryStream* m = static_cast<MemoryStream*>(RT_CALLOC(sizeof(MemoryStream)));
    if (!m) return nullptr;
    m->data = block;
    m->size = size < 0 ? 0 : size;
    return m;
}
