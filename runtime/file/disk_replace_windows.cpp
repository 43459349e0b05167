// The durable replace on Windows: write a temporary file beside the target, flush
// it to the disk, then move it over the target with a write-through move, which
// returns only once the new name is on the disk.
#include "runtime/file/disk_replace.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

enum { ReplacePathMax = 1024 };

int Fail(char* why, int whySize, const char* step, const char* path, DWORD error, HANDLE file, const char* tempPath) {
    if (why && whySize > 0) {
        char text[256] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text, nullptr);
        size_t n = strlen(text);
        while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) text[--n] = 0;
        if (!text[0]) snprintf(text, sizeof text, "error %lu", (unsigned long)error);
        snprintf(why, (size_t)whySize, "%s %s: %s", step, path, text);
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (tempPath) DeleteFileA(tempPath);
    return -1;
}

} // namespace

int DiskReplaceFile(const char* diskPath, const void* bytes, int size, char* why, int whySize) {
    if (why && whySize > 0) why[0] = 0;
    char tempPath[ReplacePathMax + 8];
    if (!diskPath || size < 0 || strlen(diskPath) >= ReplacePathMax)
        return Fail(why, whySize, "cannot write", diskPath ? diskPath : "(null)", ERROR_FILENAME_EXCED_RANGE,
                    INVALID_HANDLE_VALUE, nullptr);
    snprintf(tempPath, sizeof(tempPath), "%s.tmp", diskPath);

    // A temporary file left by a crash is simply replaced.
    HANDLE file = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(why, whySize, "cannot create", tempPath, GetLastError(), INVALID_HANDLE_VALUE, nullptr);
    const char* p = static_cast<const char*>(bytes);
    int left = size;
    while (left > 0) {
        DWORD n = 0;
        if (!WriteFile(file, p, (DWORD)left, &n, nullptr) || n == 0)
            return Fail(why, whySize, "cannot write", tempPath, n == 0 ? ERROR_DISK_FULL : GetLastError(), file,
                        tempPath);
        p += n;
        left -= (int)n;
    }
    if (!FlushFileBuffers(file)) return Fail(why, whySize, "cannot flush", tempPath, GetLastError(), file, tempPath);
    if (!CloseHandle(file))
        return Fail(why, whySize, "cannot close", tempPath, GetLastError(), INVALID_HANDLE_VALUE, tempPath);
    if (!MoveFileExA(tempPath, diskPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Fail(why, whySize, "cannot rename over", diskPath, GetLastError(), INVALID_HANDLE_VALUE, tempPath);
    return 0;
}
