// The archive file's on-disk layout: field offsets, sizes and limits shared by
// the reader and the archiver tool, and little-endian helpers for plain bytes.
#pragma once

#include <stdint.h>
#include <string.h>

enum {
    ArchiveHeaderSize = 24,        // "QM", version, table size, data area, table offset, file table, dir table
    ArchiveKeySize = 12,           // scramble key length; byte p uses key[p mod 12]
    ArchiveMaxVersion = 3,         // newer versions are not archives to us
    ArchiveFileEntrySizeOld = 40,  // versions 0 and 1
    ArchiveFileEntrySize = 44,     // version 2 and later: adds the compressed size
    ArchiveDirEntrySize = 16,      // own entry, parent, entry count, first entry
    ArchiveCompressedHeadSize = 9, // decoded size, block size, escape byte
    ArchiveDirectoryAttribute = 0x10,
    ArchiveMinMatch = 4,           // shortest match a token can carry
    ArchiveMaxMatch = 8195,        // 4 + 13 bits
    ArchiveMaxDistance = 16777216, // 24 bits + 1
    ArchiveNameMax = 255,          // longest single name the reader matches
};

// ArchiveHeader field offsets.
enum {
    ArchiveHeaderMagic = 0,
    ArchiveHeaderVersion = 2,
    ArchiveHeaderTableSize = 4,
    ArchiveHeaderDataOffset = 8,
    ArchiveHeaderTableOffset = 12,
    ArchiveHeaderFileTable = 16,
    ArchiveHeaderDirTable = 20,
};

// ArchiveFileEntry field offsets.
enum {
    ArchiveEntryName = 0,
    ArchiveEntryAttributes = 4,
    ArchiveEntryTimes = 8,   // three 64-bit times; the reader ignores them
    ArchiveEntryData = 32,   // file: data offset; directory: its dir entry
    ArchiveEntrySize = 36,   // decoded size
    ArchiveEntryStored = 40, // compressed size or ArchiveStoredPlain
};

// ArchiveDirEntry field offsets.
enum {
    ArchiveDirSelf = 0,   // the directory's own file-table entry (ignored by the reader)
    ArchiveDirParent = 4, // ArchiveNoParent for the root
    ArchiveDirCount = 8,
    ArchiveDirFirst = 12,
};

const uint32_t ArchiveStoredPlain = 0xFFFFFFFFu;
const uint32_t ArchiveNoParent = 0xFFFFFFFFu;

inline uint32_t ReadLe32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
inline uint16_t ReadLe16(const uint8_t* p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}
inline void WriteLe16(uint8_t* p, uint16_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

// A name as the directory stores it and lookups compare it: upper case (ASCII
// letters only, double-byte characters unchanged), 1 to 4 zero bytes so the
// length is a whole number of 4-byte words, the word count and the byte sum.
struct ArchiveNameKey {
    uint16_t words;                    // (name length + 4) / 4
    uint16_t checksum;                 // 16-bit sum of the stored name bytes
    uint8_t bytes[ArchiveNameMax + 5]; // words * 4 bytes
};

// Builds the key of length bytes of name; -1 when the name is longer than ArchiveNameMax.
int MakeNameKey(const char* name, int length, ArchiveNameKey* key);

// The 12-byte scramble key and its fall-back.
struct ArchiveKey {
    uint8_t bytes[ArchiveKeySize];
};
void BuildArchiveKey(ArchiveKey* key);
void GetFallbackArchiveKey(ArchiveKey* key);
// buffer[i] ^= key[(offset + i) mod 12]: the same call scrambles and unscrambles.
void UnscrambleArchiveBytes(void* buffer, uint32_t length, uint32_t fileOffset, const ArchiveKey* key);

// Decodes a compressed block (head and payload, blockBytes long as stored).
// With out null returns the decoded size from the head. Otherwise decodes into
// out (capacity bytes) and returns the decoded size, or -1 when the block is
// malformed: head past blockBytes, a token cut short, distance code 3, a match
// reaching before the output or past its end, or output not exactly the
// decoded size.
int64_t DecompressArchiveData(const uint8_t* block, uint32_t blockBytes, uint8_t* out, uint32_t capacity);
