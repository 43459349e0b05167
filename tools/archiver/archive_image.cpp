// The archiver's reader: the same checks as the runtime's, applied to the
// whole tree at once. A directory reached twice (a loop or a shared subtree)
// makes the archive unreadable rather than walking forever.
#include "archive_image.h"

#include <stdio.h>
#include <string.h>

#include <set>

#include "runtime/file/archive_format.h"

namespace {

struct Layout {
    const uint8_t* block; // table block
    uint64_t blockSize;
    uint32_t fileTable, dirTable, dataOffset, entrySize;
    uint64_t fileSize;
};

bool ReadName(const Layout& l, uint32_t offset, std::string& name) {
    if ((uint64_t)offset + 4 > l.blockSize) return false;
    uint16_t words = ReadLe16(l.block + offset);
    if ((uint64_t)offset + 4 + (uint64_t)words * 4 > l.blockSize) return false;
    const char* text = (const char*)l.block + offset + 4;
    size_t length = 0;
    while (length < (size_t)words * 4 && text[length]) length++;
    name.assign(text, length);
    return true;
}

// A name that stays one component on extraction: no separator outside a
// double-byte character, not "." or "..".
bool SafeName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (size_t i = 0; i < name.size(); i++) {
        unsigned char c = (unsigned char)name[i];
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < name.size()) {
            i++;
            continue;
        }
        if (c == '/' || c == '\\') return false;
    }
    return true;
}

bool WalkDirectory(const Layout& l, uint32_t dir, std::vector<std::string>& path, std::set<uint32_t>& seen,
                   std::vector<ArchiveItem>& items, std::string& error) {
    if (!seen.insert(dir).second) {
        error = "directory table loops";
        return false;
    }
    uint64_t record = (uint64_t)l.dirTable + dir;
    if (record + ArchiveDirEntrySize > l.blockSize) {
        error = "directory entry outside the table block";
        return false;
    }
    uint32_t count = ReadLe32(l.block + record + ArchiveDirCount);
    uint64_t first = (uint64_t)l.fileTable + ReadLe32(l.block + record + ArchiveDirFirst);
    if (first + (uint64_t)count * l.entrySize > l.blockSize) {
        error = "file entries outside the table block";
        return false;
    }
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* e = l.block + first + (uint64_t)i * l.entrySize;
        ArchiveItem item;
        std::string name;
        if (!ReadName(l, ReadLe32(e + ArchiveEntryName), name)) {
            error = "name outside the table block";
            return false;
        }
        if (!SafeName(name)) {
            error = "unusable entry name \"" + name + "\"";
            return false;
        }
        item.path = path;
        item.path.push_back(name);
        item.isDirectory = (ReadLe32(e + ArchiveEntryAttributes) & ArchiveDirectoryAttribute) != 0;
        if (item.isDirectory) {
            items.push_back(item);
            path.push_back(name);
            if (!WalkDirectory(l, ReadLe32(e + ArchiveEntryData), path, seen, items, error)) return false;
            path.pop_back();
            continue;
        }
        item.size = ReadLe32(e + ArchiveEntrySize);
        item.stored = l.entrySize >= ArchiveFileEntrySize ? ReadLe32(e + ArchiveEntryStored) : ArchiveStoredPlain;
        uint64_t start = (uint64_t)l.dataOffset + ReadLe32(e + ArchiveEntryData);
        uint64_t length = item.stored == ArchiveStoredPlain ? item.size : item.stored;
        if (start + length > l.fileSize) {
            error = "data of " + name + " lies past the end of the file";
            return false;
        }
        item.dataStart = (uint32_t)start;
        items.push_back(item);
    }
    return true;
}

} // namespace

std::string JoinItemPath(const ArchiveItem& item, char sep) {
    std::string out;
    for (size_t i = 0; i < item.path.size(); i++) {
        if (i) out += sep;
        out += item.path[i];
    }
    return out;
}

bool LoadArchiveImage(const std::string& path, ArchiveImage& archive, std::string& error) {
    FILE* in = fopen(path.c_str(), "rb");
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> raw;
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), in)) > 0) {
        raw.insert(raw.end(), chunk, chunk + n);
        if (raw.size() > 0x7FFFFFFF) break;
    }
    bool readError = ferror(in) != 0;
    fclose(in);
    if (readError) {
        error = "cannot read " + path;
        return false;
    }
    if (raw.size() < ArchiveHeaderSize || raw.size() > 0x7FFFFFFF) {
        error = path + " is not an archive (size)";
        return false;
    }
    ArchiveKey key;
    BuildArchiveKey(&key);
    uint8_t head[2] = {raw[0], raw[1]};
    UnscrambleArchiveBytes(head, 2, 0, &key);
    archive.fallbackKey = false;
    if (head[0] != 'Q' || head[1] != 'M') {
        GetFallbackArchiveKey(&key);
        head[0] = raw[0];
        head[1] = raw[1];
        UnscrambleArchiveBytes(head, 2, 0, &key);
        if (head[0] != 'Q' || head[1] != 'M') {
            error = path + " is not an archive (magic)";
            return false;
        }
        archive.fallbackKey = true;
    }
    UnscrambleArchiveBytes(raw.data(), (uint32_t)raw.size(), 0, &key);
    archive.bytes.swap(raw);
    const uint8_t* h = archive.bytes.data();
    archive.version = ReadLe16(h + ArchiveHeaderVersion);
    if (archive.version > ArchiveMaxVersion) {
        error = path + " is not an archive (version " + std::to_string(archive.version) + ")";
        return false;
    }
    Layout l;
    uint32_t tableSize = ReadLe32(h + ArchiveHeaderTableSize);
    uint32_t tableOffset = ReadLe32(h + ArchiveHeaderTableOffset);
    l.fileSize = archive.bytes.size();
    l.dataOffset = ReadLe32(h + ArchiveHeaderDataOffset);
    l.fileTable = ReadLe32(h + ArchiveHeaderFileTable);
    l.dirTable = ReadLe32(h + ArchiveHeaderDirTable);
    l.entrySize = archive.version >= 2 ? ArchiveFileEntrySize : ArchiveFileEntrySizeOld;
    if ((uint64_t)tableOffset + tableSize > l.fileSize || l.dataOffset > l.fileSize || l.fileTable > tableSize ||
        (uint64_t)l.dirTable + ArchiveDirEntrySize > tableSize) {
        error = path + " is damaged (header offsets)";
        return false;
    }
    l.block = h + tableOffset;
    l.blockSize = tableSize;
    std::vector<std::string> prefix;
    std::set<uint32_t> seen;
    archive.items.clear();
    if (!WalkDirectory(l, 0, prefix, seen, archive.items, error)) {
        error = path + " is damaged (" + error + ")";
        return false;
    }
    return true;
}

bool ReadArchiveItem(const ArchiveImage& archive, const ArchiveItem& item, std::vector<uint8_t>& out,
                     std::string& error) {
    const uint8_t* start = archive.bytes.data() + item.dataStart;
    if (item.stored == ArchiveStoredPlain) {
        out.assign(start, start + item.size);
        return true;
    }
    // No honest block decodes to more than 2049 bytes per payload byte.
    if (item.stored < ArchiveCompressedHeadSize ||
        (uint64_t)item.size > (uint64_t)(item.stored - ArchiveCompressedHeadSize) * 2049) {
        error = "entry " + JoinItemPath(item, '\\') + " has impossible sizes";
        return false;
    }
    out.assign(item.size, 0);
    int64_t got = -1;
    if (item.stored >= ArchiveCompressedHeadSize && DecompressArchiveData(start, item.stored, nullptr, 0) == item.size)
        got = DecompressArchiveData(start, item.stored, out.data(), item.size);
    if (got != (int64_t)item.size) {
        error = "entry " + JoinItemPath(item, '\\') + " does not decode";
        return false;
    }
    return true;
}
