// The durable replace: write a temporary file beside the target, fsync it, rename
// it over the target, then fsync the folder so the rename itself is on the disk.
#include "runtime/file/disk_replace.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {

enum { ReplacePathMax = 1024 };

int Fail(char* why, int whySize, const char* step, const char* path, int error, int fd, const char* tempPath) {
    if (why && whySize > 0) snprintf(why, (size_t)whySize, "%s %s: %s", step, path, strerror(error));
    if (fd >= 0) close(fd);
    if (tempPath) unlink(tempPath);
    return -1;
}

// The folder part of a path ("." for a bare name).
void FolderOf(const char* path, char* out, size_t size) {
    const char* slash = strrchr(path, '/');
    if (!slash) snprintf(out, size, ".");
    else if (slash == path) snprintf(out, size, "/");
    else snprintf(out, size, "%.*s", (int)(slash - path), path);
}

} // namespace

int DiskReplaceFile(const char* diskPath, const void* bytes, int size, char* why, int whySize) {
    if (why && whySize > 0) why[0] = 0;
    char tempPath[ReplacePathMax + 8];
    if (!diskPath || size < 0 || strlen(diskPath) >= ReplacePathMax)
        return Fail(why, whySize, "cannot write", diskPath ? diskPath : "(null)", ENAMETOOLONG, -1, nullptr);
    snprintf(tempPath, sizeof(tempPath), "%s.tmp", diskPath);

    // O_EXCL is not used: a temporary file left by a crash is simply replaced.
    int fd = open(tempPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return Fail(why, whySize, "cannot create", tempPath, errno, -1, nullptr);
    const char* p = static_cast<const char*>(bytes);
    int left = size;
    while (left > 0) {
        ssize_t n = write(fd, p, (size_t)left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(why, whySize, "cannot write", tempPath, n < 0 ? errno : ENOSPC, fd, tempPath);
        p += n;
        left -= (int)n;
    }
    if (fsync(fd) != 0) return Fail(why, whySize, "cannot flush", tempPath, errno, fd, tempPath);
    if (close(fd) != 0) return Fail(why, whySize, "cannot close", tempPath, errno, -1, tempPath);
    if (rename(tempPath, diskPath) != 0) return Fail(why, whySize, "cannot rename over", diskPath, errno, -1, tempPath);

    // The new name is only durable once the folder's entry is on the disk too.
    char folder[ReplacePathMax];
    FolderOf(diskPath, folder, sizeof(folder));
    int dirFd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd); // some file systems refuse fsync on folders; the file is in place either way
        close(dirFd);
    }
    return 0;
}
