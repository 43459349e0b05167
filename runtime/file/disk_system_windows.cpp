// The plain disk set's calls into Windows: files opened with CreateFileA (paths
// in the system's code page, "\" and drive letters as they are) and read through
// the C runtime's descriptor over the handle, and the current directory.
// disk_file.cpp holds the rest.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include "runtime/file/disk_file.h"
#include "runtime/file/disk_system.h"

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
