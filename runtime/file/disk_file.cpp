// The plain disk set: read-only files through POSIX descriptors, with the
// position and the end flag kept by the layer itself. One of the two places
// (with disk_path.cpp) where the runtime talks to the file system directly.
#include "runtime/file/disk_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/core/memory.h"

namespace {

enum { PlainDirectoryBuffer = 260 };

DiskFile* AsDisk(FileHandle file) {
    return reinterpret_cast<DiskFile*>(file);
}

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

} // namespace

FileHandle DiskOpen(const char* path, int background, int mode) {
    if (!path) return 0;
    char resolved[DiskPathMax];
    if (ResolveDiskPath(path, resolved, (int)sizeof(resolved)) != 0) return 0;
    uint32_t size = 0;
    int fd = OpenRegularFile(resolved, &size);
    if (fd < 0) return 0;
    DiskFile* disk = static_cast<DiskFile*>(RT_ALLOC(sizeof(DiskFile)));
    if (!disk) {
        close(fd);
        return 0;
    }
    disk->osHandle = fd;
    disk->eofHit = 0;
    disk->position = 0;
    disk->size = size;
    return reinterpret_cast<FileHandle>(disk);
}

FILE* DiskOpenStream(const char* path) {
    if (!path) return nullptr;
    char resolved[DiskPathMax];
    if (ResolveDiskPath(path, resolved, (int)sizeof(resolved)) != 0) return nullptr;
    int fd = OpenRegularFile(resolved, nullptr);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}

int DiskClose(FileHandle file) {
    DiskFile* disk = AsDisk(file);
    if (!disk) return -1;
    int result = close(disk->osHandle) == 0 ? 0 : -1;
    RT_FREE(disk);
    return result;
}

int DiskTell(FileHandle file) {
    return file ? (int)AsDisk(file)->position : -1;
}

int DiskSeek(FileHandle file, int offset, int origin) {
    DiskFile* disk = AsDisk(file);
    if (!disk) return -1;
    int64_t target = offset;
    if (origin == 1) target += disk->position;
    else if (origin == 2) target += disk->size;
    if (target < 0 || target > (int64_t)0xFFFFFFFE) return -1;
    if (lseek(disk->osHandle, (off_t)target, SEEK_SET) < 0) return -1;
    disk->position = (uint32_t)target;
    disk->eofHit = 0;
    return 0;
}

int DiskRead(void* buffer, int size, int count, FileHandle file) {
    DiskFile* disk = AsDisk(file);
    if (!disk || !buffer || size <= 0 || count <= 0) return 0;
    // A seek may have left the position past the end: nothing more to read.
    if (disk->position >= disk->size) {
        disk->eofHit = 1;
        return 0;
    }
    uint32_t left = disk->size - disk->position;
    if ((uint64_t)size * (uint64_t)count > left) {
        count = (int)(left / (uint32_t)size);
        if (count == 0) {
            disk->eofHit = 1;
            return 0;
        }
    }
    size_t want = (size_t)size * (size_t)count;
    size_t got = 0;
    char* out = static_cast<char*>(buffer);
    while (got < want) {
        ssize_t n = read(disk->osHandle, out + got, want - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return 0;
        if (n == 0) break;
        got += (size_t)n;
    }
    disk->position += (uint32_t)got;
    return (int)(got / (size_t)size);
}

int DiskEof(FileHandle file) {
    return file && AsDisk(file)->eofHit ? -1 : 0;
}

int DiskIdle(FileHandle file) {
    return 1;
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

int DiskGetCurrentDirectory(char* buffer) {
    return DiskGetCurrentDirectorySized(buffer, PlainDirectoryBuffer);
}

uint32_t DiskFileSize(FileHandle file) {
    return file ? AsDisk(file)->size : 0;
}
