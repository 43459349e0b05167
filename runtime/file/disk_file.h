// The plain disk file operations (the disk set of the file-operation table) and
// the DiskFile record behind their handles; archives open their files with these.
#pragma once

#include <stdint.h>
#include <string.h>

#include "runtime/file/file_ops.h"

// Longest path the disk layer resolves, its NUL included: the platform's own
// limit (PATH_MAX), so an installed game under a deep folder keeps its data.
enum { DiskPathMax = 4096 };

struct DiskFile {
    int osHandle;      // descriptor open for reading
    int eofHit;        // a read found no more whole element
    uint32_t position; // current byte position, kept by the layer
    uint32_t size;     // file size taken at open
};

// Handle = DiskFile pointer, 0 when the file cannot be opened (nothing is logged).
// Only regular files open: a FIFO, a device or a folder fails at once, never blocks.
FileHandle DiskOpen(const char* path, int background, int mode);
int DiskClose(FileHandle file);
int DiskTell(FileHandle file);
// Origin 0 start, 1 current, 2 end; the target is not clamped, a negative one fails.
int DiskSeek(FileHandle file, int offset, int origin);
// Whole elements only; returns the number of elements read.
int DiskRead(void* buffer, int size, int count, FileHandle file);
int DiskEof(FileHandle file);
int DiskIdle(FileHandle file);
// Non-zero on success (the platform's convention for this set).
int DiskSetCurrentDirectory(const char* path);
// Writes the current directory (at most 260 bytes with its NUL); returns its length, 0 on failure.
int DiskGetCurrentDirectory(char* buffer);
// Same with a caller-chosen buffer size.
int DiskGetCurrentDirectorySized(char* buffer, int size);
// Size of a DiskFile handle's file.
uint32_t DiskFileSize(FileHandle file);

// The checks every ResolveDiskPath starts with: out emptied, and a path that fits
// both out and DiskPathMax. Its length, or -1.
inline long DiskPathLength(const char* path, char* out, int size) {
    if (!out || size <= 0) return -1;
    out[0] = 0;
    if (!path) return -1;
    size_t length = strlen(path);
    if (length == 0 || length + 1 > (size_t)size || length + 1 > (size_t)DiskPathMax) return -1;
    return (long)length;
}

// Shift-JIS lead byte test shared by the path code of this folder.
inline bool IsSjisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
