// Game paths on a case-sensitive file system: "\" separators become "/", and a
// path that does not exist as written is resolved one component at a time: the
// entry named exactly as written wins, and only when there is none does a name
// equal but for ASCII case stand in (the data is named in upper, lower and mixed
// case alike).
#include <dirent.h>
#include <string.h>
#include <sys/stat.h>

#include "runtime/file/disk_file.h"

namespace {

bool Exists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0;
}

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c;
}

// Equal but for the case of single-byte letters; double-byte characters match exactly.
bool SameNameIgnoringCase(const char* a, const char* b) {
    while (*a && *b) {
        if (IsSjisLeadByte((unsigned char)*a) && a[1]) {
            if (a[0] != b[0] || a[1] != b[1]) return false;
            a += 2;
            b += 2;
            continue;
        }
        if (FoldAscii(*a) != FoldAscii(*b)) return false;
        a++;
        b++;
    }
    return *a == *b;
}

// Looks in folder dir (empty = current) for a name equal to name but for case.
// Several candidates: the smallest in byte order (upper case before lower), so
// the choice does not depend on the order the folder lists them in. Returns
// false when there is none.
bool FindFolded(const char* dir, const char* name, char* found, size_t foundSize) {
    DIR* folder = opendir(dir[0] ? dir : ".");
    if (!folder) return false;
    bool any = false;
    while (struct dirent* item = readdir(folder)) {
        if (!SameNameIgnoringCase(item->d_name, name)) continue;
        if (strlen(item->d_name) >= foundSize) continue;
        if (!any || strcmp(item->d_name, found) < 0) {
            strcpy(found, item->d_name);
            any = true;
        }
    }
    closedir(folder);
    return any;
}

// Copies path into out with "/" separators; a trail byte of a double-byte
// character is never one.
void MapSeparators(const char* path, size_t length, char* out) {
    for (size_t i = 0; i < length; i++) {
        unsigned char c = (unsigned char)path[i];
        if (IsSjisLeadByte(c) && i + 1 < length) {
            out[i] = path[i];
            out[i + 1] = path[i + 1];
            i++;
            continue;
        }
        out[i] = c == '\\' ? '/' : (char)c;
    }
    out[length] = 0;
}

} // namespace

int ResolveDiskPath(const char* path, char* out, int size) {
    const long checked = DiskPathLength(path, out, size);
    if (checked < 0) return -1;
    const size_t length = (size_t)checked;
    char written[DiskPathMax];
    MapSeparators(path, length, written);
    memcpy(out, written, length + 1);
    if (Exists(written)) return 0;

    // Rebuild component by component in work, keeping each found spelling. A
    // component that exists as written is kept even when case variants of it
    // exist too.
    char work[DiskPathMax];
    size_t w = 0;
    const char* p = written;
    if (*p == '/') {
        work[w++] = '/';
        while (*p == '/') p++;
    }
    work[w] = 0;
    while (*p) {
        const char* end = strchr(p, '/');
        size_t partLength = end ? (size_t)(end - p) : strlen(p);
        char part[256];
        if (partLength >= sizeof(part) || w + partLength + 2 > sizeof(work)) return -1;
        memcpy(part, p, partLength);
        part[partLength] = 0;
        memcpy(work + w, part, partLength + 1);
        if (!Exists(work)) {
            char found[256];
            work[w] = 0; // work is now the folder searched
            if (!FindFolded(work, part, found, sizeof(found))) {
                // Not there: the rest as written (a file about to be created).
                size_t restLength = strlen(p);
                if (w + restLength + 1 > (size_t)size) return -1;
                memcpy(out, work, w);
                memcpy(out + w, p, restLength + 1);
                return -1;
            }
            memcpy(work + w, found, strlen(found) + 1);
        }
        w = strlen(work);
        if (!end) break;
        p = end;
        while (*p == '/') p++;
        work[w++] = '/';
        work[w] = 0;
    }
    if (w + 1 > (size_t)size) return -1;
    memcpy(out, work, w + 1);
    return 0;
}
