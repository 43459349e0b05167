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

FILE* OpenGameFileForReading(const char* path)
{
    // Through the runtime's disk open: a FIFO or device named like a game file
    // must not hang the start-up.
    return DiskOpenStream(path);
}

int ReplaceGameFile(const char* path, const void* bytes, int size)
{
    char diskPath[GamePathMax];
    // A path not found yet still comes back with "/" separators: the new file's name.
    ResolveDiskPath(path, diskPath, (int)sizeof(diskPath));
    diskPath[sizeof(diskPath) - 1] = 0;
    return DiskReplaceFile(diskPath, bytes, size, s_writeError, (int)sizeof(s_writeError));
}

const char* GameFileWriteError(void)
{
    return s_writeError;
}
