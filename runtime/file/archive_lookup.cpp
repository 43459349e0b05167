// Finding an entry in an archive's directory tree by an inner path. Every
// offset taken from the table block is checked against the block before use,
// and the walk takes one step per path component, so it always ends.
#include "runtime/file/archive.h"

namespace {

enum { MaxComponents = 128 };

struct Component {
    const char* text; // start of the component
    int length;       // bytes up to the separator
};

// Splits at "\" and "/", never inside a double-byte character. Returns the
// component count, or -1 when there are too many.
int SplitPath(const char* path, Component* parts) {
    int n = 0;
    const char* start = path;
    const char* p = path;
    for (;;) {
        unsigned char c = (unsigned char)*p;
        if (c == 0 || c == '\\' || c == '/') {
            if (n == MaxComponents) return -1;
            parts[n].text = start;
            parts[n].length = (int)(p - start);
            n++;
            if (c == 0) return n;
            start = ++p;
            continue;
        }
        p += (IsSjisLeadByte(c) && p[1]) ? 2 : 1;
    }
}

// Offset of directory dir's 16-byte record in the table block, or false when it
// does not lie inside the block.
bool DirRecord(const OpenArchive* a, uint32_t dir, uint64_t* at) {
    uint64_t offset = (uint64_t)a->header.dirTable + dir;
    if (offset + ArchiveDirEntrySize > a->header.tableSize) return false;
    *at = offset;
    return true;
}

bool NameMatches(const OpenArchive* a, uint32_t nameOffset, const ArchiveNameKey& key) {
    const uint32_t tableSize = a->header.tableSize;
    if ((uint64_t)nameOffset + 4 > tableSize) return false;
    const uint8_t* record = a->tableBlock + nameOffset;
    if (ReadLe16(record) != key.words || ReadLe16(record + 2) != key.checksum) return false;
    if ((uint64_t)nameOffset + 4 + (uint64_t)key.words * 4 > tableSize) return false;
    return memcmp(record + 4, key.bytes, (size_t)key.words * 4) == 0;
}

// Looks the name up among the entries of directory dir, directories or files
// as asked. The first match wins.
bool LookupName(const OpenArchive* a, uint32_t dir, const Component& name, bool wantDirectory, uint32_t* entry) {
    ArchiveNameKey key;
    if (name.length == 0 || MakeNameKey(name.text, name.length, &key) != 0) return false;
    uint64_t record;
    if (!DirRecord(a, dir, &record)) return false;
    const uint8_t* d = a->tableBlock + record;
    uint32_t count = ReadLe32(d + ArchiveDirCount);
    uint64_t first = (uint64_t)a->header.fileTable + ReadLe32(d + ArchiveDirFirst);
    for (uint32_t i = 0; i < count; i++) {
        uint64_t e = first + (uint64_t)i * a->entrySize;
        if (e + a->entrySize > a->header.tableSize) return false;
        const uint8_t* item = a->tableBlock + e;
        bool isDirectory = (ReadLe32(item + ArchiveEntryAttributes) & ArchiveDirectoryAttribute) != 0;
        if (isDirectory != wantDirectory) continue;
        if (NameMatches(a, ReadLe32(item + ArchiveEntryName), key)) {
            *entry = (uint32_t)e;
            return true;
        }
    }
    return false;
}

} // namespace

int FindArchiveEntry(OpenArchive* archive, const char* innerPath, uint32_t* entry) {
    Component parts[MaxComponents];
    int n = SplitPath(innerPath, parts);
    if (n <= 0) return -1;
    // The search starts at currentDir and never moves it.
    uint32_t dir = archive->currentDir;
    if (n == 1) return LookupName(archive, dir, parts[0], false, entry) ? 0 : -1;

    int i = 0;
    if (parts[0].length == 0) {
        dir = 0;
        i = 1;
    }
    for (; i < n; i++) {
        uint32_t found;
        if (!LookupName(archive, dir, parts[i], true, &found)) break;
        dir = ReadLe32(archive->tableBlock + found + ArchiveEntryData);
    }
    // Every component a directory: the path names a directory. A component
    // missing before the last one means a folder that is not there, so the
    // file is not there either.
    if (i != n - 1) return -1;
    return LookupName(archive, dir, parts[i], false, entry) ? 0 : -1;
}
