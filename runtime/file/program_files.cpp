// The public disk access for a program's own files: the runtime's path rules and
// its crash-safe replace, offered to the game so that it needs no internal header.
#include "runtime/core/api_lock.h"
#include "runtime/file/disk_file.h"
#include "runtime/file/disk_replace.h"
#include "runtime/file/file_ops.h"
#include "runtime/runtime.h"

FILE* OpenDiskFileForReading(const char* path) {
    API_LOCK();
    return DiskOpenStream(path);
}

int ReplaceDiskFile(const char* path, const void* bytes, int size, char* why, int whySize) {
    API_LOCK();
    if (!path) {
        if (why && whySize > 0) snprintf(why, (size_t)whySize, "no file name");
        return -1;
    }
    char diskPath[DiskPathMax];
    // A path not found yet still comes back with "/" separators: the new file's name.
    ResolveDiskPath(path, diskPath, (int)sizeof(diskPath));
    diskPath[sizeof(diskPath) - 1] = 0;
    return DiskReplaceFile(diskPath, bytes, size, why, whySize);
}
