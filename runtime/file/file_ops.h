// The file-operation table (nine operations) with its plain disk set and its
// archive-aware set, and the DataStream tables the decoders read through.
#pragma once

#include <stdint.h>
#include <stdio.h>

typedef intptr_t FileHandle; // opaque, 0 = failure

struct FileOpTable {
    FileHandle (*open)(const char* path, int background, int mode);
    int (*close)(FileHandle file);
    int (*tell)(FileHandle file);
    int (*seek)(FileHandle file, int offset, int origin);
    int (*read)(void* buffer, int size, int count, FileHandle file);
    int (*eof)(FileHandle file);
    int (*idle)(FileHandle file);
    // Plain set: non-zero on success; archive-aware set: always 0.
    int (*setCurrentDirectory)(const char* path);
    // Plain set: 260-byte buffer, returns the length (0 on failure); archive-aware
    // set: 256-byte buffer, returns 0. A directory too long for the buffer gives "".
    int (*getCurrentDirectory)(char* buffer);
};

// The installed table (RuntimeInit installs one of the built-in sets first thing).
extern const FileOpTable* g_fileOps;
extern const FileOpTable g_diskFileOps;
extern const FileOpTable g_archiveFileOps;

// RuntimeInit, first thing: the plain set when archives are off, else the archive-aware set.
void InstallFileOps(void);
// SetArchiveUse: swaps the built-in set when the setting changes.
void ApplyArchiveSetting(int archiveDisabled);

// Six stream operations over a file or a memory block.
struct DataStream {
    int (*tell)(intptr_t handle);
    int (*seek)(intptr_t handle, int offset, int origin);
    int (*read)(void* buffer, int size, int count, intptr_t handle);
    int (*eof)(intptr_t handle);
    int (*idle)(intptr_t handle);
    int (*close)(intptr_t handle);
};

// Stream over a file handle of the installed FileOpTable.
extern const DataStream g_fileStream;
// Stream over a MemoryStream.
extern const DataStream g_memoryStream;

struct MemoryStream {
    const void* data; // the caller's block (not owned)
    int size;         // its length in bytes
    int position;     // 0 .. size
    int eofHit;       // a read was attempted at the end
};

// Allocates a zeroed MemoryStream over the block; null on failure. The stream's
// close frees it (not the block).
MemoryStream* OpenMemoryStream(const void* block, int size);

// Disk paths: "\" separators become "/", and a path that does not exist as written
// is resolved component by component: at each one the entry named exactly as
// written wins; only when there is none does a name equal but for ASCII case
// stand in, the smallest in byte order among several (so "DATA" before "Data"
// before "data"). Writes the resolved path into out (size bytes); returns 0 when
// found, -1 otherwise (out then holds the path with "/" separators, its folders
// resolved as far as they exist, so a file about to be created lands in the
// folder that is there). Paths of DiskPathMax bytes or more fail.
int ResolveDiskPath(const char* path, char* out, int size);

// The game's own files: the regular file at path (resolved as above) open for
// binary reading, or null. Like DiskOpen it never blocks: a FIFO, a device or a
// folder gives null at once.
FILE* DiskOpenStream(const char* path);
