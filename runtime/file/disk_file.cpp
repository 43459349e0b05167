// The plain disk set: read-only files through the system's descriptors, with the
// position and the end flag kept by the layer itself. close, lseek, read and fdopen
// have the same names on both systems; opening a file and the current directory do
// not, and are in disk_system.cpp (disk_system_windows.cpp on Windows).
#include "runtime/file/disk_file.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "runtime/core/memory.h"
#include "runtime/file/disk_system.h"

namespace {

enum { PlainDirectoryBuffer = 260 };

DiskFile* AsDisk(FileHandle file) {
    return reinterpret_cast<DiskFile*>(file);
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
    // The descriptor never goes past the end, so a long of 32 bits holds its place
    // (files are under 2 GiB); reads past the end are answered without it.
    int64_t onDisk = target < (int64_t)disk->size ? target : (int64_t)disk->size;
    if (lseek(disk->osHandle, (long)onDisk, SEEK_SET) < 0) return -1;
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
        long n = (long)read(disk->osHandle, out + got, (unsigned)(want - got));
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

int DiskGetCurrentDirectory(char* buffer) {
    return DiskGetCurrentDirectorySized(buffer, PlainDirectoryBuffer);
}

uint32_t DiskFileSize(FileHandle file) {
    return file ? AsDisk(file)->size : 0;
}
