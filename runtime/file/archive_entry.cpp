// Reading one archive entry: open (with the decoded copy of a compressed
// entry), read, seek, eof and close. Stored sizes are checked against the
// archive file before anything is allocated.
#include <limits.h>

#include "runtime/core/memory.h"
#include "runtime/file/archive.h"

namespace {

// A token of at most 4 bytes yields at most 8195 bytes, two payload bytes at
// least one: no honest block decodes to more than this per payload byte.
const uint64_t kMaxExpansion = 2049;

int DecodeEntry(ArchiveEntryState* state, uint32_t stored) {
    OpenArchive* archive = state->archive;
    if (stored < ArchiveCompressedHeadSize) return -1;
    if ((uint64_t)state->dataStart + stored > archive->fileSize) return -1;
    if ((uint64_t)state->size > (uint64_t)(stored - ArchiveCompressedHeadSize) * kMaxExpansion) return -1;
    uint8_t* decoded = static_cast<uint8_t*>(RT_ALLOC(state->size ? state->size : 1));
    if (!decoded) return -1;
    uint8_t* block = static_cast<uint8_t*>(RT_ALLOC(stored));
    if (!block) {
        RT_FREE(decoded);
        return -1;
    }
    int64_t result = -1;
    if (ReadArchiveBytes(archive, state->dataStart, block, stored) == 0 &&
        DecompressArchiveData(block, stored, nullptr, 0) == state->size)
        result = DecompressArchiveData(block, stored, decoded, state->size);
    RT_FREE(block);
    if (result != (int64_t)state->size) {
        RT_FREE(decoded);
        return -1;
    }
    state->decoded = decoded;
    return 0;
}

} // namespace

int OpenArchiveEntry(OpenArchive* archive, const char* innerPath, ArchiveEntryState* state) {
    uint32_t entry;
    if (FindArchiveEntry(archive, innerPath, &entry) != 0) return -1;
    const uint8_t* e = archive->tableBlock + entry;
    state->archive = archive;
    state->entry = entry;
    state->size = ReadLe32(e + ArchiveEntrySize);
    state->decoded = nullptr;
    state->eofHit = 0;
    state->position = 0;
    uint64_t dataStart = (uint64_t)archive->header.dataOffset + ReadLe32(e + ArchiveEntryData);
    if (state->size > INT_MAX || dataStart > archive->fileSize) return -1;
    state->dataStart = (uint32_t)dataStart;
    uint32_t stored = archive->header.version >= 2 ? ReadLe32(e + ArchiveEntryStored) : ArchiveStoredPlain;
    if (stored == ArchiveStoredPlain) return dataStart + state->size <= archive->fileSize ? 0 : -1;
    return DecodeEntry(state, stored);
}

int ReadArchiveEntry(ArchiveEntryState* state, void* buffer, int byteCount) {
    if (state->eofHit) return 0;
    int size = (int)state->size;
    if (state->position == size) {
        state->eofHit = 1;
        return 0;
    }
    int n = byteCount < size - state->position ? byteCount : size - state->position;
    if (n <= 0) return 0;
    if (state->decoded) {
        memcpy(buffer, state->decoded + state->position, (size_t)n);
    } else if (ReadArchiveBytes(state->archive, state->dataStart + (uint32_t)state->position, buffer, (uint32_t)n) !=
               0) {
        return 0;
    }
    state->eofHit = 0;
    state->position += n;
    return n;
}

int SeekArchiveEntry(ArchiveEntryState* state, int offset, int origin) {
    int64_t target = offset;
    if (origin == 1) target += state->position;
    else if (origin == 2) target += state->size;
    if (target < 0) target = 0;
    if (target > (int64_t)state->size) target = state->size;
    state->position = (int)target;
    state->eofHit = 0;
    return 0;
}

int EofArchiveEntry(const ArchiveEntryState* state) {
    return state->eofHit ? -1 : 0;
}

void CloseArchiveEntry(ArchiveEntryState* state, int archiveSlot) {
    ReleaseArchive(archiveSlot);
    if (state->decoded) RT_FREE(state->decoded);
    state->decoded = nullptr;
}
