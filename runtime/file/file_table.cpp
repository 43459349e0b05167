// The two built-in file-operation sets (plain disk, archive-aware), the
// installed table, and the archive-aware operations over the open-file table.
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/file/archive.h"

namespace {

enum { ArchiveSetDirectoryBuffer = 256 };

// The record behind an archive-aware handle, or null for a closed or foreign one.
OpenFileRecord* RecordOf(FileHandle file) {
    if ((file & ~OpenFileSlotMask) != OpenFileHandleTag) return nullptr;
    intptr_t slot = file & OpenFileSlotMask;
    if (slot >= OpenFileSlotCount) return nullptr;
    return g_files.files[slot];
}

int ArchiveSetClose(FileHandle file) {
    OpenFileRecord* record = RecordOf(file);
    if (!record) return -1;
    if (record->inArchive) CloseArchiveEntry(&record->entryState, record->archiveIndex);
    else DiskClose(record->disk);
    RT_FREE(record);
    g_files.files[file & OpenFileSlotMask] = nullptr;
    g_files.fileCount--;
    return 0;
}

int ArchiveSetTell(FileHandle file) {
    OpenFileRecord* record = RecordOf(file);
    if (!record) return -1;
    return record->inArchive ? record->entryState.position : DiskTell(record->disk);
}

int ArchiveSetSeek(FileHandle file, int offset, int origin) {
    OpenFileRecord* record = RecordOf(file);
    if (!record) return -1;
    if (record->inArchive) return SeekArchiveEntry(&record->entryState, offset, origin);
    return DiskSeek(record->disk, offset, origin);
}

// An entry reads like a disk file: whole elements only, counted in elements,
// so a caller reading 4-byte fields sees the same results from an archive as
// from the disk.
int ArchiveSetRead(void* buffer, int size, int count, FileHandle file) {
    OpenFileRecord* record = RecordOf(file);
    if (!record) return -1;
    if (!record->inArchive) return DiskRead(buffer, size, count, record->disk);
    if (size <= 0 || count <= 0) return 0;
    ArchiveEntryState* state = &record->entryState;
    int64_t remaining = (int64_t)state->size - state->position;
    if (!state->eofHit && remaining > 0 && (int64_t)size * count > remaining) {
        count = (int)(remaining / size);
        if (count == 0) {
            state->eofHit = 1;
            return 0;
        }
    }
    int64_t want = (int64_t)size * count;
    return ReadArchiveEntry(state, buffer, want > 0x7FFFFFFF ? 0x7FFFFFFF : (int)want) / size;
}

int ArchiveSetEof(FileHandle file) {
    OpenFileRecord* record = RecordOf(file);
    if (!record) return -1;
    return record->inArchive ? EofArchiveEntry(&record->entryState) : DiskEof(record->disk);
}

int ArchiveSetIdle(FileHandle file) {
    return 1;
}

int ArchiveSetSetCurrentDirectory(const char* path) {
    DiskSetCurrentDirectory(path);
    return 0;
}

int ArchiveSetGetCurrentDirectory(char* buffer) {
    DiskGetCurrentDirectorySized(buffer, ArchiveSetDirectoryBuffer);
    return 0;
}

} // namespace

const FileOpTable g_diskFileOps = {
    DiskOpen,
    DiskClose,
    DiskTell,
    DiskSeek,
    DiskRead,
    DiskEof,
    DiskIdle,
    DiskSetCurrentDirectory,
    DiskGetCurrentDirectory,
};

const FileOpTable g_archiveFileOps = {
    OpenArchiveFile,
    ArchiveSetClose,
    ArchiveSetTell,
    ArchiveSetSeek,
    ArchiveSetRead,
    ArchiveSetEof,
    ArchiveSetIdle,
    ArchiveSetSetCurrentDirectory,
    ArchiveSetGetCurrentDirectory,
};

// The archive-aware set is the default, and a table is there even before RuntimeInit.
const FileOpTable* g_fileOps = &g_archiveFileOps;

void InstallFileOps(void) {
    g_fileOps = g_runtime.settings.archiveDisabled ? &g_diskFileOps : &g_archiveFileOps;
}

void ApplyArchiveSetting(int archiveDisabled) {
    // A table installed by someone else stays; the new setting waits for RuntimeInit.
    if (g_fileOps == &g_diskFileOps || g_fileOps == &g_archiveFileOps)
        g_fileOps = archiveDisabled ? &g_diskFileOps : &g_archiveFileOps;
}
