// Archive open and entry reads: the input as an archive file, opened by the reader,
// its directory tree walked (bounded), every file entry opened, read whole, sought
// and read again; then one entry through the archive-aware file set by path.
#include "fuzz/fuzz_support.h"

#include "runtime/core/memory.h"
#include "runtime/file/archive.h"
#include "runtime/runtime.h"

#include <string.h>

#include <string>
#include <vector>

enum { MaxDepth = 6, MaxPaths = 64 };

// Name of the record at nameOffset ("" when it does not lie inside the table block).
static std::string EntryName(const OpenArchive* a, uint32_t nameOffset) {
    uint32_t tableSize = a->header.tableSize;
    if ((uint64_t)nameOffset + 4 > tableSize) return "";
    const uint8_t* record = a->tableBlock + nameOffset;
    uint64_t bytes = (uint64_t)ReadLe16(record) * 4;
    if (bytes > 255 || nameOffset + 4 + bytes > tableSize) return "";
    return std::string((const char*)record + 4, strnlen((const char*)record + 4, (size_t)bytes));
}

// Collects the inner paths of files below directory record dir.
static void Walk(const OpenArchive* a, uint32_t dir, const std::string& prefix, int depth,
                 std::vector<std::string>& paths) {
    uint64_t at = (uint64_t)a->header.dirTable + dir;
    if (depth > MaxDepth || at + ArchiveDirEntrySize > a->header.tableSize) return;
    const uint8_t* d = a->tableBlock + at;
    uint32_t count = ReadLe32(d + ArchiveDirCount);
    uint64_t first = (uint64_t)a->header.fileTable + ReadLe32(d + ArchiveDirFirst);
    for (uint32_t i = 0; i < count && paths.size() < MaxPaths; i++) {
        uint64_t e = first + (uint64_t)i * a->entrySize;
        if (e + a->entrySize > a->header.tableSize) return;
        const uint8_t* item = a->tableBlock + e;
        std::string name = EntryName(a, ReadLe32(item + ArchiveEntryName));
        if (name.empty()) continue;
        std::string path = prefix.empty() ? name : prefix + "\\" + name;
        if (ReadLe32(item + ArchiveEntryAttributes) & ArchiveDirectoryAttribute)
            Walk(a, ReadLe32(item + ArchiveEntryData), path, depth + 1, paths);
        else paths.push_back(path);
    }
}

static void ReadEntry(OpenArchive* archive, const std::string& path) {
    ArchiveEntryState state;
    memset(&state, 0, sizeof(state));
    if (OpenArchiveEntry(archive, path.c_str(), &state) != 0) {
        if (state.decoded) RT_FREE(state.decoded);
        return;
    }
    static uint8_t buffer[4096];
    int total = 0;
    while (ReadArchiveEntry(&state, buffer, (int)sizeof(buffer)) > 0 && total < (64 << 20))
        total += (int)sizeof(buffer);
    EofArchiveEntry(&state);
    SeekArchiveEntry(&state, -7, 2);
    ReadArchiveEntry(&state, buffer, 16);
    SeekArchiveEntry(&state, 3, 0);
    ReadArchiveEntry(&state, buffer, 5);
    SeekArchiveEntry(&state, 1 << 30, 1);
    ReadArchiveEntry(&state, buffer, 5);
    CloseArchiveEntry(&state, -1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartRuntime(false);
    int before = TrackedBlockCount();
    FuzzWriteScratchFile("FZ.QMA", data, size);

    std::vector<std::string> paths;
    OpenArchive* archive = OpenArchiveAt("FZ.QMA");
    if (archive) {
        Walk(archive, 0, "", 0, paths);
        for (const std::string& path : paths) ReadEntry(archive, path);
        // A path that is not there, and one through a file as if it were a folder.
        ReadEntry(archive, "NO\\SUCH.BMP");
        if (!paths.empty()) ReadEntry(archive, paths[0] + "\\X");
        CloseArchive(archive);
    }

    // The same file through the archive-aware set, as the game's loads see it.
    if (!paths.empty()) {
        SetArchiveUse(1);
        std::string full = "FZ\\" + paths[paths.size() / 2];
        FileHandle file = g_fileOps->open(full.c_str(), 0, 0);
        if (file) {
            uint8_t buffer[512];
            while (g_fileOps->read(buffer, 1, (int)sizeof(buffer), file) > 0) {
            }
            g_fileOps->seek(file, 0, 0);
            g_fileOps->read(buffer, 3, 7, file);
            g_fileOps->eof(file);
            g_fileOps->tell(file);
            g_fileOps->close(file);
        }
        CloseIdleArchives();
        SetArchiveUse(0);
    }
    FuzzCheckTrackedBlocks(before, "archive reads");
    return 0;
}
