// The plain disk set on Windows: read-only files opened with CreateFileA (paths
// in the system's code page, "\" and drive letters as they are) and read through
// the C runtime's descriptor over the handle, with the position and the end flag
// kept by the layer itself, as on the other systems.
#include "runtime/file/disk_file.h"

#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include "runtime/core/memory.h"

namespace {

enum { PlainDirectoryBuffer = 260 };

DiskFile* AsDisk(FileHandle file) {
    return reinterpret_cast<DiskFile*>(file);
}

// Descriptor of the regular file at path with its size; -1 for a folder, a device,
// a pipe, a file past 2 GiB or one that cannot be opened. Others may read and
// write the file meanwhile, as the system's own programs allow.
int OpenRegularFile(const char* path, uint32_t* size) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER bytes;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(h, &bytes) ||
        bytes.QuadPart > 0x7FFFFFFF) {
        CloseHandle(h);
        return -1;
    }
    int fd = _open_osfhandle((intptr_t)h, _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return -1;
    }
    if (size) *size = (uint32_t)bytes.QuadPart;
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
        _close(fd);
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
    FILE* file = _fdopen(fd, "rb");
    if (!file) _close(fd);
    return file;
}

int DiskClose(FileHandle file) {
    DiskFile* disk = AsDisk(file);
    if (!disk) return -1;
    int result = _close(disk->osHandle) == 0 ? 0 : -1;
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
    if (_lseeki64(disk->osHandle, target, SEEK_SET) < 0) return -1;
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
        int n = _read(disk->osHandle, out + got, (unsigned)(want - got));
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
    if (!path || strlen(path) >= DiskPathMax) return 0;
    return SetCurrentDirectoryA(path) ? 1 : 0;
}

int DiskGetCurrentDirectorySized(char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    DWORD n = GetCurrentDirectoryA((DWORD)size, buffer);
    if (n == 0 || n >= (DWORD)size) {
        buffer[0] = 0;
        return 0;
    }
    return (int)n;
}

int DiskGetCurrentDirectory(char* buffer) {
    return DiskGetCurrentDirectorySized(buffer, PlainDirectoryBuffer);
}

uint32_t DiskFileSize(FileHandle file) {
    return file ? AsDisk(file)->size : 0;
}
