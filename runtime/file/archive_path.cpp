// Opening a file through the archive-aware set: the full path, the walk that tries every folder on it as an archive
// (outermost first), the remembered archive that lets later opens skip the walk, and the disk fallback.
#include <stdio.h>
#include <string.h>

#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/sjis.h"
#include "runtime/file/archive.h"

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Appends "\" and length bytes of text as written; false when the result would
// not fit. The case is kept so that the disk finds the exact name first (a
// folder "play" beside a "Play" stays "play"); entry names inside an archive
// compare without regard to case anyway.
bool AppendComponent(char* out, int* used, const char* text, int length) {
    if (*used + 1 + length >= ArchivePathMax) return false;
    out[(*used)++] = '\\';
    memcpy(out + *used, text, (size_t)length);
    *used += length;
    out[*used] = 0;
    return true;
}

// Length of the component starting at p (up to a separator or the end).
int ComponentLength(const char* p) {
    int n = 0;
    while (p[n] && !IsSeparator(p[n])) n += (IsSjisLeadByte((unsigned char)p[n]) && p[n + 1]) ? 2 : 1;
    return n;
}

// The current directory in the form full paths use: "\" separators, spelled as
// the system gives it (its exact name, never a case twin beside it).
int CurrentDirectory(char* out) {
    char cwd[ArchivePathMax];
    if (DiskGetCurrentDirectorySized(cwd, (int)sizeof(cwd)) <= 0) return -1;
    int n = 0;
    for (const char* p = cwd; *p; p++) {
        if (n + 2 >= ArchivePathMax) return -1;
        unsigned char c = (unsigned char)*p;
        if (IsSjisLeadByte(c) && p[1]) {
            out[n++] = (char)c;
            out[n++] = *++p;
            continue;
        }
        out[n++] = c == '/' ? '\\' : (char)c;
    }
    out[n] = 0;
    return n;
}

// Opens the inner path of an acquired archive into the record: 0, or -1 after
// releasing the archive.
int OpenInArchive(OpenFileRecord* record, int slot, const char* inner) {
    record->inArchive = 1;
    record->archiveIndex = slot;
    if (OpenArchiveEntry(g_files.archives[slot], inner, &record->entryState) != 0) {
        ReleaseArchive(slot);
        return -1;
    }
    return 0;
}

// The walk: 1 with the archive slot and inner path when a folder on the path is
// an archive, 0 when none is.
int WalkForArchive(const char* full, int* slotOut, const char** innerOut) {
    char prefix[ArchivePathMax];
    int used = 0;
    const char* p = full;
    // A drive-less root (POSIX) belongs to the prefix; the walk starts below it.
    if (IsSeparator(*p)) {
        prefix[used++] = '\\';
        p++;
    }
    prefix[used] = 0;
    const char* extension = CurrentArchiveExtension();
    for (;;) {
        int length = ComponentLength(p);
        if (length == 0 || p[length] == 0) return 0;
        if (used + length >= ArchivePathMax) return 0;
        memcpy(prefix + used, p, (size_t)length);
        used += length;
        prefix[used] = 0;
        char candidate[ArchivePathMax + ArchiveExtensionMax + 2];
        snprintf(candidate, sizeof(candidate), "%s.%s", prefix, extension);
        int slot = AcquireArchive(candidate, -1);
        if (slot >= 0) {
            // AcquireArchive took the name, so it fits the name buffer.
            memcpy(g_files.rememberedName, candidate, strlen(candidate) + 1);
            g_files.rememberedPrefix = used;
            g_files.rememberedSlot = slot;
            *slotOut = slot;
            *innerOut = p + length + 1;
            return 1;
        }
        if (used + 1 >= ArchivePathMax) return 0;
        prefix[used++] = '\\';
        prefix[used] = 0;
        p += length + 1;
    }
}

} // namespace

int MakeFullPath(const char* path, char* out) {
    if (!path) return -1;
    char cwd[ArchivePathMax];
    int cwdLength = CurrentDirectory(cwd);
    if (cwdLength < 0) return -1;
    // A POSIX current directory has no drive: its root stands in for one.
    int driveLength = cwdLength >= 2 && cwd[1] == ':' ? 2 : 0;
    int used = 0;
    const char* rest;
    if (IsSeparator(path[0])) {
        memcpy(out, cwd, (size_t)driveLength);
        used = driveLength;
        rest = path + 1;
    } else if (path[0] && path[1] == ':') {
        char drive = path[0];
        out[0] = (drive >= 'a' && drive <= 'z') ? (char)(drive - 32) : drive;
        out[1] = ':';
        used = 2;
        driveLength = 2;
        rest = IsSeparator(path[2]) ? path + 3 : path + 2;
    } else {
        used = cwdLength;
        memcpy(out, cwd, (size_t)used);
        if (used > driveLength && IsSeparator(out[used - 1])) used--;
        rest = path;
    }
    out[used] = 0;

    const char* p = rest;
    for (;;) {
        int length = ComponentLength(p);
        bool last = p[length] == 0;
        if (last) return AppendComponent(out, &used, p, length) ? 0 : -1;
        if (length == 0) return -1;
        if (length == 1 && p[0] == '.') {
            // stays in place
        } else if (length == 2 && p[0] == '.' && p[1] == '.') {
            int cut = used;
            while (cut > driveLength && out[cut - 1] != '\\') cut--;
            if (cut > driveLength) used = cut - 1;
            out[used] = 0;
        } else if (!AppendComponent(out, &used, p, length)) {
            return -1;
        }
        p += length + 1;
    }
}

FileHandle OpenArchiveFile(const char* path, int background, int mode) {
    if (g_files.fileCount >= OpenFileSlotCount) {
        LogWrite(SJ("同時に開けるファイルの数が限界を超えました\n"));
        return 0;
    }
    int slot = 0;
    while (slot < OpenFileSlotCount && g_files.files[slot]) slot++;
    if (slot == OpenFileSlotCount) return 0;
    OpenFileRecord* record = static_cast<OpenFileRecord*>(RT_CALLOC(sizeof(OpenFileRecord)));
    if (!record) {
        LogWrite(SJ("ファイルの情報を格納するメモリの確保に失敗しました\n"));
        return 0;
    }
    record->inArchive = 1;
    char full[ArchivePathMax];
    if (path && MakeFullPath(path, full) == 0) {
        int archiveSlot = -1;
        const char* inner = nullptr;
        int prefix = g_files.rememberedPrefix;
        bool tryWalk = true;
        // The remembered archive stands for its folder only: the path must go on
        // with a separator right after the prefix (not "BKTX\..." for "BKT").
        if (prefix > 0 && strncmp(full, g_files.rememberedName, (size_t)prefix) == 0 && IsSeparator(full[prefix])) {
            tryWalk = false;
            archiveSlot = AcquireArchive(g_files.rememberedName, g_files.rememberedSlot);
            inner = full + prefix + 1;
        }
        if (tryWalk && !WalkForArchive(full, &archiveSlot, &inner)) archiveSlot = -1;
        if (archiveSlot >= 0) {
            if (OpenInArchive(record, archiveSlot, inner) != 0) {
                RT_FREE(record);
                return 0;
            }
            g_files.files[slot] = record;
            g_files.fileCount++;
            return (FileHandle)slot | OpenFileHandleTag;
        }
    }
    FileHandle disk = path ? DiskOpen(path, background, mode) : 0;
    if (!disk) {
        RT_FREE(record);
        return 0;
    }
    record->inArchive = 0;
    record->disk = disk;
    g_files.files[slot] = record;
    g_files.fileCount++;
    return (FileHandle)slot | OpenFileHandleTag;
}
