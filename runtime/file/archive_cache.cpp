// The cache of open archives: opening and checking an archive file, the
// 512-slot table with reference counts, and closing the idle ones.
#include <string.h>

#include "runtime/core/memory.h"
#include "runtime/file/archive.h"

FileLayerState g_files;

namespace {

void DecodeHeader(const uint8_t* raw, ArchiveHeader* header) {
    header->magic[0] = (char)raw[ArchiveHeaderMagic];
    header->magic[1] = (char)raw[ArchiveHeaderMagic + 1];
    header->version = ReadLe16(raw + ArchiveHeaderVersion);
    header->tableSize = ReadLe32(raw + ArchiveHeaderTableSize);
    header->dataOffset = ReadLe32(raw + ArchiveHeaderDataOffset);
    header->tableOffset = ReadLe32(raw + ArchiveHeaderTableOffset);
    header->fileTable = ReadLe32(raw + ArchiveHeaderFileTable);
    header->dirTable = ReadLe32(raw + ArchiveHeaderDirTable);
}

bool IsMagic(const uint8_t* raw) {
    return raw[0] == 'Q' && raw[1] == 'M';
}

// Reads the 24 header bytes with key; true when they decode to the magic.
bool ReadHeaderWith(OpenArchive* archive, const ArchiveKey* key, uint8_t* raw) {
    archive->key = *key;
    if (ReadArchiveBytes(archive, 0, raw, ArchiveHeaderSize) != 0) return false;
    return IsMagic(raw);
}

// Offsets the reader trusts later without re-checking: the table block lies in
// the file, and the root directory entry lies in the table block.
bool HeaderFits(const ArchiveHeader& h, uint32_t fileSize) {
    if ((uint64_t)h.tableOffset + h.tableSize > fileSize) return false;
    if (h.dataOffset > fileSize) return false;
    if (h.fileTable > h.tableSize) return false;
    if ((uint64_t)h.dirTable + ArchiveDirEntrySize > h.tableSize) return false;
    return true;
}

} // namespace

int ReadArchiveBytes(OpenArchive* archive, uint32_t offset, void* buffer, uint32_t length) {
    if ((uint64_t)offset + length > archive->fileSize) return -1;
    if (length == 0) return 0;
    if ((uint32_t)DiskTell(archive->file) != offset && DiskSeek(archive->file, (int)offset, 0) != 0) return -1;
    if (DiskRead(buffer, 1, (int)length, archive->file) != (int)length) return -1;
    UnscrambleArchiveBytes(buffer, length, offset, &archive->key);
    return 0;
}

OpenArchive* OpenArchiveAt(const char* fileName) {
    FileHandle file = DiskOpen(fileName, 0, 1);
    if (!file) return nullptr;
    OpenArchive* archive = static_cast<OpenArchive*>(RT_CALLOC(sizeof(OpenArchive)));
    if (!archive) {
        DiskClose(file);
        return nullptr;
    }
    archive->file = file;
    archive->fileSize = DiskFileSize(file);

    uint8_t raw[ArchiveHeaderSize];
    ArchiveKey key;
    BuildArchiveKey(&key);
    bool ok = ReadHeaderWith(archive, &key, raw);
    if (!ok && archive->fileSize >= ArchiveHeaderSize) {
        GetFallbackArchiveKey(&key);
        ok = ReadHeaderWith(archive, &key, raw);
    }
    if (ok) {
        DecodeHeader(raw, &archive->header);
        ok = archive->header.version <= ArchiveMaxVersion && HeaderFits(archive->header, archive->fileSize);
    }
    if (ok) {
        // The block size is bounded by the file size checked above.
        archive->tableBlock = static_cast<uint8_t*>(RT_ALLOC(archive->header.tableSize));
        ok = archive->tableBlock && ReadArchiveBytes(archive, archive->header.tableOffset, archive->tableBlock,
                                                     archive->header.tableSize) == 0;
    }
    if (!ok) {
        CloseArchive(archive);
        return nullptr;
    }
    archive->entrySize = archive->header.version >= 2 ? ArchiveFileEntrySize : ArchiveFileEntrySizeOld;
    archive->currentDir = 0;
    return archive;
}

void CloseArchive(OpenArchive* archive) {
    if (!archive) return;
    if (archive->file) DiskClose(archive->file);
    if (archive->tableBlock) RT_FREE(archive->tableBlock);
    RT_FREE(archive);
}

int AcquireArchive(const char* archiveName, int slotHint) {
    if (!archiveName || strlen(archiveName) >= ArchivePathMax) return -1;
    if (slotHint >= 0 && slotHint < ArchiveSlotCount && g_files.archives[slotHint] &&
        strcmp(g_files.archives[slotHint]->name, archiveName) == 0) {
        g_files.archives[slotHint]->refCount++;
        return slotHint;
    }
    int freeSlot = -1;
    for (int i = 0; i < ArchiveSlotCount; i++) {
        OpenArchive* a = g_files.archives[i];
        if (!a) {
            if (freeSlot < 0) freeSlot = i;
            continue;
        }
        if (strcmp(a->name, archiveName) == 0) {
            a->refCount++;
            return i;
        }
    }
    if (g_files.archiveCount >= ArchiveSlotCount) {
        CloseIdleArchives();
        if (g_files.archiveCount >= ArchiveSlotCount) return -1;
    }
    OpenArchive* archive = OpenArchiveAt(archiveName);
    if (!archive) return -1;
    if (freeSlot < 0) {
        for (int i = 0; i < ArchiveSlotCount && freeSlot < 0; i++)
            if (!g_files.archives[i]) freeSlot = i;
    }
    archive->refCount = 1;
    strcpy(archive->name, archiveName);
    g_files.archives[freeSlot] = archive;
    g_files.archiveCount++;
    return freeSlot;
}

void ReleaseArchive(int slot) {
    if (slot < 0 || slot >= ArchiveSlotCount || !g_files.archives[slot]) return;
    if (g_files.archives[slot]->refCount > 0) g_files.archives[slot]->refCount--;
}

void CloseIdleArchives(void) {
    for (int i = 0; i < ArchiveSlotCount; i++) {
        OpenArchive* a = g_files.archives[i];
        if (a && a->refCount <= 0) {
            CloseArchive(a);
            g_files.archives[i] = nullptr;
            g_files.archiveCount--;
        }
    }
}

void ClearArchiveBookkeeping(void) {
    // Files still open from an earlier run lose their records here, and their
    // archives close with them, so nothing leaks into the new run.
    for (int i = 0; i < OpenFileSlotCount; i++) {
        OpenFileRecord* record = g_files.files[i];
        if (!record) continue;
        if (record->inArchive) {
            if (record->entryState.decoded) RT_FREE(record->entryState.decoded);
        } else if (record->disk) {
            DiskClose(record->disk);
        }
        RT_FREE(record);
    }
    for (int i = 0; i < ArchiveSlotCount; i++) CloseArchive(g_files.archives[i]);
    memset(&g_files, 0, sizeof(g_files));
}

void SetArchiveExtensionInternal(const char* ext) {
    size_t length = ext ? strlen(ext) : 0;
    if (length == 0 || length >= ArchiveExtensionMax) {
        g_files.extension[0] = 0;
        return;
    }
    memcpy(g_files.extension, ext, length + 1);
}

const char* CurrentArchiveExtension(void) {
    return g_files.extension[0] ? g_files.extension : "QMA";
}
