// The plain disk set's calls into POSIX that differ on Windows: opening a regular
// file and the current directory. disk_file.cpp holds the rest.
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/file/disk_file.h"
#include "runtime/file/disk_system.h"

// Descriptor of the regular file at path (already resolved), blocking again once
// open, with its size; -1 for anything else. Opening without O_NONBLOCK would wait
// for ever on a FIFO without a writer; a folder opens fine on POSIX but is not a
// file to read; sizes past 2 GiB do not fit the layer's int positions.
int OpenRegularFile(const char* path, uint32_t* size) {
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    // Checked again on the descriptor: the name may have changed in between.
    int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > INT_MAX || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return -1;
    }
    if (size) *size = (uint32_t)info.st_size;
    return fd;
}

int DiskSetCurrentDirectory(const char* path) {
    if (!path) return 0;
    char resolved[DiskPathMax];
    if (strlen(path) >= sizeof(resolved)) return 0;
    ResolveDiskPath(path, resolved, (int)sizeof(resolved));
    return chdir(resolved) == 0 ? 1 : 0;
}

int DiskGetCurrentDirectorySized(char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    if (!getcwd(buffer, (size_t)size)) {
        buffer[0] = 0;
        return 0;
    }
    return (int)strlen(buffer);
}
