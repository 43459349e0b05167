// Disk access for the game's own files through the runtime's public file calls: they
// map "\" and letter case, and a replaced file is written beside the old one and
// renamed over it, so a crash or a full disk during the write keeps the old content.
#include "game_files.h"

#include <borra/runtime.h>

static char s_writeError[600]; // why the last ReplaceGameFile failed

FILE* OpenGameFileForReading(const char* path) {
    // A FIFO or device named like a game file must not hang the start-up.
    return OpenDiskFileForReading(path);
}

int ReplaceGameFile(const char* path, const void* bytes, int size) {
    return ReplaceDiskFile(path, bytes, size, s_writeError, (int)sizeof(s_writeError));
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
