// Archive layout as the archiver writes it: header, data area (each file's
// stored bytes in file-table order), then the table block (name table, file
// table, directory table). Directories are laid out breadth first so each
// one's entries follow one another; names sort by their stored upper-case
// bytes and every time field is zero, so the same folder gives the same bytes.
#include "archive_writer.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/file/archive_format.h"

namespace fs = std::filesystem;

namespace {

struct Node {
    std::string diskPath; // where the bytes come from
    std::string name;     // the name on disk (bytes)
    ArchiveNameKey key;   // stored form of the name
    bool isDirectory = false;
    std::vector<Node> children; // directories only, sorted
    int dirIndex = -1;          // directories: index in the directory table
    uint32_t entryIndex = 0;    // index in the file table
};

bool KeyLess(const ArchiveNameKey& a, const ArchiveNameKey& b) {
    size_t n = (size_t)std::min(a.words, b.words) * 4;
    int c = memcmp(a.bytes, b.bytes, n);
    if (c != 0) return c < 0;
    return a.words < b.words;
}

bool KeyEqual(const ArchiveNameKey& a, const ArchiveNameKey& b) {
    return a.words == b.words && memcmp(a.bytes, b.bytes, (size_t)a.words * 4) == 0;
}

// A name the runtime can address: no separator outside a double-byte character.
bool NameUsable(const std::string& name) {
    for (size_t i = 0; i < name.size(); i++) {
        unsigned char c = (unsigned char)name[i];
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < name.size()) {
            i++;
            continue;
        }
        if (c == '\\') return false;
    }
    return !name.empty();
}

bool ReadTree(Node& dir, std::string& error, int depth) {
    if (depth > 64) {
        error = "folder nesting too deep: " + dir.diskPath;
        return false;
    }
    std::error_code ec;
    fs::directory_iterator it(dir.diskPath, ec);
    if (ec) {
        error = "cannot read folder " + dir.diskPath + ": " + ec.message();
        return false;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& item = *it;
        Node child;
        child.diskPath = item.path().string();
        child.name = item.path().filename().string();
        // Linked folders are not followed (they could loop); linked files are.
        bool link = item.is_symlink(ec);
        bool isDir = !link && item.is_directory(ec);
        bool isFile = item.is_regular_file(ec);
        if (!isDir && !isFile) {
            fprintf(stderr, "archiver: skipping %s (not a file or folder)\n", child.diskPath.c_str());
            continue;
        }
        if (!NameUsable(child.name)) {
            error = "name cannot be stored (contains \\): " + child.diskPath;
            return false;
        }
        if (MakeNameKey(child.name.data(), (int)child.name.size(), &child.key) != 0) {
            error = "name longer than 255 bytes: " + child.diskPath;
            return false;
        }
        child.isDirectory = isDir;
        if (isDir && !ReadTree(child, error, depth + 1)) return false;
        dir.children.push_back(std::move(child));
    }
    if (ec) {
        error = "cannot read folder " + dir.diskPath + ": " + ec.message();
        return false;
    }
    std::sort(dir.children.begin(), dir.children.end(),
              [](const Node& a, const Node& b) { return KeyLess(a.key, b.key); });
    for (size_t i = 1; i < dir.children.size(); i++) {
        if (KeyEqual(dir.children[i - 1].key, dir.children[i].key)) {
            error = "names differ only in case: " + dir.children[i - 1].diskPath + " and " + dir.children[i].diskPath;
            return false;
        }
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open file " + path;
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read file " + path;
        return false;
    }
    return true;
}

void AppendName(std::vector<uint8_t>& table, const ArchiveNameKey& key) {
    size_t at = table.size();
    table.resize(at + 4 + (size_t)key.words * 4);
    WriteLe16(&table[at], key.words);
    WriteLe16(&table[at + 2], key.checksum);
    memcpy(&table[at + 4], key.bytes, (size_t)key.words * 4);
}

} // namespace

std::string DefaultArchivePath(const std::string& folder, const std::string& extension) {
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "." + (extension.empty() ? std::string("data") : extension);
}

bool BuildArchiveImage(const std::string& folder, std::vector<uint8_t>& image, std::string& error, PackStats* stats,
                       const CompressorOptions& options) {
    PackStats local;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "not a folder: " + folder;
        return false;
    }
    Node root;
    root.diskPath = folder;
    root.isDirectory = true;
    MakeNameKey("", 0, &root.key);
    if (!ReadTree(root, error, 0)) return false;

    // Breadth first: the file table starts with the root's own entry, then
    // each directory's entries in a row.
    std::vector<Node*> entries{&root};
    std::vector<Node*> dirs{&root};
    std::vector<uint32_t> firstEntry;
    std::vector<int> parentDir{-1};
    root.dirIndex = 0;
    for (size_t d = 0; d < dirs.size(); d++) {
        firstEntry.push_back((uint32_t)entries.size());
        for (Node& child : dirs[d]->children) {
            child.entryIndex = (uint32_t)entries.size();
            entries.push_back(&child);
            if (child.isDirectory) {
                child.dirIndex = (int)dirs.size();
                dirs.push_back(&child);
                parentDir.push_back((int)d);
            }
        }
    }

    std::vector<uint8_t> data;
    std::vector<uint8_t> names;
    std::vector<uint8_t> files(entries.size() * ArchiveFileEntrySize, 0);
    std::vector<uint8_t> content, packed;
    for (size_t i = 0; i < entries.size(); i++) {
        Node* node = entries[i];
        uint8_t* e = &files[i * ArchiveFileEntrySize];
        WriteLe32(e + ArchiveEntryName, (uint32_t)names.size());
        AppendName(names, node->key);
        if (node->isDirectory) {
            WriteLe32(e + ArchiveEntryAttributes, ArchiveDirectoryAttribute);
            WriteLe32(e + ArchiveEntryData, (uint32_t)node->dirIndex * ArchiveDirEntrySize);
            WriteLe32(e + ArchiveEntrySize, 0);
            WriteLe32(e + ArchiveEntryStored, ArchiveStoredPlain);
            if (node != &root) local.directories++;
            continue;
        }
        if (!ReadWholeFile(node->diskPath, content, error)) return false;
        if (content.size() > 0x7FFFFFFF || data.size() + content.size() > 0x7FFFFFFF) {
            error = "archive would exceed 2 GiB at " + node->diskPath;
            return false;
        }
        local.files++;
        local.inputBytes += content.size();
        WriteLe32(e + ArchiveEntryData, (uint32_t)data.size());
        WriteLe32(e + ArchiveEntrySize, (uint32_t)content.size());
        if (CompressArchiveData(content.data(), content.size(), packed, options)) {
            WriteLe32(e + ArchiveEntryStored, (uint32_t)packed.size());
            data.insert(data.end(), packed.begin(), packed.end());
            local.compressed++;
        } else {
            WriteLe32(e + ArchiveEntryStored, ArchiveStoredPlain);
            data.insert(data.end(), content.begin(), content.end());
        }
    }

    std::vector<uint8_t> dirTable(dirs.size() * ArchiveDirEntrySize, 0);
    for (size_t d = 0; d < dirs.size(); d++) {
        uint8_t* r = &dirTable[d * ArchiveDirEntrySize];
        WriteLe32(r + ArchiveDirSelf, dirs[d]->entryIndex * ArchiveFileEntrySize);
        WriteLe32(r + ArchiveDirParent,
                  parentDir[d] < 0 ? ArchiveNoParent : (uint32_t)parentDir[d] * ArchiveDirEntrySize);
        WriteLe32(r + ArchiveDirCount, (uint32_t)dirs[d]->children.size());
        WriteLe32(r + ArchiveDirFirst, firstEntry[d] * ArchiveFileEntrySize);
    }

    uint64_t tableSize = names.size() + files.size() + dirTable.size();
    uint64_t total = ArchiveHeaderSize + data.size() + tableSize;
    if (total > 0x7FFFFFFF) {
        error = "archive would exceed 2 GiB";
        return false;
    }
    image.assign(ArchiveHeaderSize, 0);
    image[0] = 'Q';
    image[1] = 'M';
    WriteLe16(&image[ArchiveHeaderVersion], 2);
    WriteLe32(&image[ArchiveHeaderTableSize], (uint32_t)tableSize);
    WriteLe32(&image[ArchiveHeaderDataOffset], ArchiveHeaderSize);
    WriteLe32(&image[ArchiveHeaderTableOffset], (uint32_t)(ArchiveHeaderSize + data.size()));
    WriteLe32(&image[ArchiveHeaderFileTable], (uint32_t)names.size());
    WriteLe32(&image[ArchiveHeaderDirTable], (uint32_t)(names.size() + files.size()));
    image.insert(image.end(), data.begin(), data.end());
    image.insert(image.end(), names.begin(), names.end());
    image.insert(image.end(), files.begin(), files.end());
    image.insert(image.end(), dirTable.begin(), dirTable.end());

    ArchiveKey key;
    BuildArchiveKey(&key);
    UnscrambleArchiveBytes(image.data(), (uint32_t)image.size(), 0, &key);
    local.outputBytes = image.size();
    if (stats) *stats = local;
    return true;
}

bool PackFolder(const std::string& folder, const std::string& outPath, std::string& error, PackStats* stats,
                const CompressorOptions& options) {
    std::vector<uint8_t> image;
    if (!BuildArchiveImage(folder, image, error, stats, options)) return false;
    // Same bytes already there: leave the file (and its time) alone.
    std::vector<uint8_t> existing;
    std::string ignored;
    std::error_code ec;
    if (fs::is_regular_file(outPath, ec) && fs::file_size(outPath, ec) == image.size() &&
        ReadWholeFile(outPath, existing, ignored) && existing == image)
        return true;
    std::string temp = outPath + ".tmp";
    FILE* out = fopen(temp.c_str(), "wb");
    if (!out) {
        error = "cannot create " + temp;
        return false;
    }
    bool ok = fwrite(image.data(), 1, image.size(), out) == image.size();
    ok = fclose(out) == 0 && ok;
    if (!ok || rename(temp.c_str(), outPath.c_str()) != 0) {
        remove(temp.c_str());
        error = "cannot write " + outPath;
        return false;
    }
    return true;
}
