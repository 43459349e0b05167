// Reading a whole archive file for listing and extraction: unscrambled with
// the key or the fall-back key, every offset checked, the tree walked once.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct ArchiveItem {
    std::vector<std::string> path; // name components from the root, as stored
    bool isDirectory = false;
    uint32_t size = 0;      // decoded size
    uint32_t stored = 0;    // compressed size, or 0xFFFFFFFF when stored plain
    uint32_t dataStart = 0; // file offset of the stored bytes
};

struct ArchiveImage {
    std::vector<uint8_t> bytes; // the whole file, unscrambled
    int version = 0;
    bool fallbackKey = false;       // the header decoded only with the fall-back key
    std::vector<ArchiveItem> items; // depth-first, each folder before its contents
};

// Loads and checks the archive; false with a message in error.
bool LoadArchiveImage(const std::string& path, ArchiveImage& archive, std::string& error);
// The decoded bytes of a file item; false with a message when they cannot be decoded.
bool ReadArchiveItem(const ArchiveImage& archive, const ArchiveItem& item, std::vector<uint8_t>& out,
                     std::string& error);
// Components joined with sep.
std::string JoinItemPath(const ArchiveItem& item, char sep);
