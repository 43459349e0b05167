// Game paths on Windows are the system's own: "\" separators, drive letters and
// names that match whatever their case, so a path is taken as it is written.
#include <windows.h>

#include <string.h>

#include "runtime/file/disk_file.h"

int ResolveDiskPath(const char* path, char* out, int size) {
    if (!out || size <= 0) return -1;
    out[0] = 0;
    if (!path) return -1;
    size_t length = strlen(path);
    if (length == 0 || length + 1 > (size_t)size || length + 1 > (size_t)DiskPathMax) return -1;
    memcpy(out, path, length + 1);
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 0 : -1;
}
