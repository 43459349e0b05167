// Disk access for the game's own files: the runtime's path helper maps "\" and case,
// and replaced files are written beside the old one and renamed over it, so a crash or
// a full disk during the write keeps the previous content intact.
#include "game/game_files.h"

#include "runtime/file/file_ops.h"

#include <stdio.h>
#include <string.h>

enum { GamePathMax = 512 };

FILE* OpenGameFileForReading(const char* path)
{
    // Through the runtime's disk open: a FIFO or device named like a game file
    // must not hang the start-up.
    return DiskOpenStream(path);
}

int ReplaceGameFile(const char* path, const void* bytes, int size)
{
    char diskPath[GamePathMax];
    char tempPath[GamePathMax + 8];
    // A path not found yet still comes back with "/" separators: the new file's name.
    ResolveDiskPath(path, diskPath, (int)sizeof(diskPath));
    diskPath[sizeof(diskPath) - 1] = 0;
    snprintf(tempPath, sizeof(tempPath), "%s.tmp", diskPath);

    FILE* file = fopen(tempPath, "wb");
    if (!file)
        return -1;
    bool ok = fwrite(bytes, 1, (size_t)size, file) == (size_t)size;
    ok = fflush(file) == 0 && ok;
    ok = fclose(file) == 0 && ok;
    if (!ok || rename(tempPath, diskPath) != 0) {
        remove(tempPath);
        return -1;
    }
    return 0;
}
