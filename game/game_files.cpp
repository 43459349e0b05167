// Disk access for the game's own files: the runtime's path helper maps "\" and case,
// and replaced files are written beside the old one and renamed over it, so a crash or
// a full disk during the write keeps the previous content intact.
#include "game/game_files.h"

#include "runtime/file/disk_replace.h"
#include "runtime/file/file_ops.h"

#include <stdio.h>
#include <string.h>

enum { GamePathMax = 512 };

static char s_writeError[600]; // why the last ReplaceGameFile failed

FILE* OpenGameFileForReading(const char* path) {
    // Through the runtime's disk open: a FIFO or device named like a game file
    // must not hang the start-up.
    return DiskOpenStream(path);
}

int ReplaceGameFile(const char* path, const void* bytes, int size) {
    char diskPath[GamePathMax];
    // A path not found yet still comes back with "/" separators: the new file's name.
    ResolveDiskPath(path, diskPath, (int)sizeof(diskPath));
    diskPath[sizeof(diskPath) - 1] = 0;
    return DiskReplaceFile(diskPath, bytes, size, s_writeError, (int)sizeof(s_writeError));
}

const char* GameFileWriteError(void) {
    return s_writeError;
}

int ReadLittleEndian32(FILE* file, int* value) {
    unsigned char bytes[4];
    size_t got = fread(bytes, 1, 4, file);
    unsigned int v = (unsigned int)*value;
    for (size_t i = 0; i < got; i++) v = (v & ~(0xFFu << (8 * i))) | ((unsigned int)bytes[i] << (8 * i));
    *value = (int)v;
    return (int)got;
}

void StoreLittleEndian32(unsigned char* bytes, int value) {
    unsigned int v = (unsigned int)value;
    for (int i = 0; i < 4; i++) bytes[i] = (unsigned char)(v >> (8 * i));
}
