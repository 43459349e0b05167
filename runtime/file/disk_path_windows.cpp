// Game paths on Windows are the system's own: "\" separators, drive letters and
// names that match whatever their case, so a path is taken as it is written.
#include <windows.h>

#include <string.h>

#include "runtime/file/disk_file.h"

int ResolveDiskPath(const char* path, char* out, int size) {
    const long checked = DiskPathLength(path, out, size);
    if (checked < 0) return -1;
    const size_t length = (size_t)checked;
    memcpy(out, path, length + 1);
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 0 : -1;
}
