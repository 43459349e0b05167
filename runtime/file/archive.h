// The archive reader: the cache of open archives, the open-file table of the
// archive-aware file set, path resolution against archives, and entry reading.
#pragma once

#include <stdint.h>

#include "runtime/file/archive_format.h"
#include "runtime/file/disk_file.h"
#include "runtime/file/file_ops.h"

enum {
    ArchiveSlotCount = 512,       // cached archives
    OpenFileSlotCount = 512,      // files open through the archive-aware set
    ArchivePathMax = DiskPathMax, // full paths and archive names, NUL included
    ArchiveExtensionMax = 64,     // extension buffer, NUL included
};

// The file handle of the archive-aware set: slot | OpenFileHandleTag.
const intptr_t OpenFileHandleTag = (intptr_t)0xF0000000u;
const intptr_t OpenFileSlotMask = 0x0FFFFFFF;

struct ArchiveHeader {
    char magic[2];        // "QM"
    uint16_t version;     // 0..3
    uint32_t tableSize;   // table block bytes
    uint32_t dataOffset;  // file offset of the data area
    uint32_t tableOffset; // file offset of the table block
    uint32_t fileTable;   // file table offset inside the table block
    uint32_t dirTable;    // directory table offset inside the table block
};

struct OpenArchive {
    int refCount;              // open entries using this archive
    ArchiveHeader header;      // as read
    FileHandle file;           // the archive file, through the plain disk set
    uint32_t fileSize;         // its size, bounding every offset read from it
    uint8_t* tableBlock;       // the unscrambled table block
    uint32_t entrySize;        // 44 from version 2 on, else 40
    uint32_t currentDir;       // directory searches start here (offset in the directory table)
    ArchiveKey key;            // the key that decoded the header
    char name[ArchivePathMax]; // the archive's file name as looked up
};

struct ArchiveEntryState {
    OpenArchive* archive; // the archive holding the entry
    uint32_t entry;       // the entry's offset inside the table block
    uint32_t size;        // decoded size
    uint32_t dataStart;   // file offset of the stored bytes
    uint8_t* decoded;     // decoded copy of a compressed entry, or null
    int eofHit;           // a read found the end
    int position;         // 0 .. size
};

struct OpenFileRecord {
    int inArchive;                // 1 = an archive entry, 0 = a disk file
    FileHandle disk;              // the DiskFile when inArchive is 0
    int archiveIndex;             // archive slot when inArchive is 1
    ArchiveEntryState entryState; // entry reading state when inArchive is 1
};

// The whole state of the files-and-archives subsystem.
struct FileLayerState {
    OpenArchive* archives[ArchiveSlotCount];  // cached archives, null = free
    int archiveCount;                         // used archive slots
    char rememberedName[ArchivePathMax];      // archive found by the last successful walk
    int rememberedPrefix;                     // length of the path prefix it stands for; 0 = none
    int rememberedSlot;                       // its slot when found
    OpenFileRecord* files[OpenFileSlotCount]; // open files, null = free
    int fileCount;                            // used file slots
    char extension[ArchiveExtensionMax];      // archive extension; empty = "QMA"
};

extern FileLayerState g_files;

// RuntimeInit, before anything else: closes and forgets every archive and open file, the
// remembered archive and the extension.
void ClearArchiveBookkeeping(void);
// SetArchiveExtension: a non-empty text under 64 characters, else the default.
void SetArchiveExtensionInternal(const char* ext);
// The extension in use ("QMA" when none was set).
const char* CurrentArchiveExtension(void);

// Full path of path against the current directory, "\" separated, every
// component spelled as written (the disk resolves case, the exact name first);
// 0, or -1 for an empty component or a result that does not fit ArchivePathMax.
int MakeFullPath(const char* path, char* out);

// Slot 0 of the archive-aware set: slot | 0xF0000000, or 0.
FileHandle OpenArchiveFile(const char* path, int background, int mode);

// Slot of the cached or newly opened archive of that file name (refCount + 1), or -1.
int AcquireArchive(const char* archiveName, int slotHint);
void ReleaseArchive(int slot);
// RuntimeEnd and a full table: closes every cached archive no open file uses.
void CloseIdleArchives(void);

// Opens and checks the archive file; the caller owns the result. Null when the
// file is missing or not an archive.
OpenArchive* OpenArchiveAt(const char* fileName);
void CloseArchive(OpenArchive* archive);

// Finds the file entry the inner path names; stores its offset inside the table
// block in *entry and returns 0, or -1 when there is none.
int FindArchiveEntry(OpenArchive* archive, const char* innerPath, uint32_t* entry);

// Entry reading (state inside an OpenFileRecord).
int OpenArchiveEntry(OpenArchive* archive, const char* innerPath, ArchiveEntryState* state);
// Copies up to byteCount bytes; returns the bytes copied.
int ReadArchiveEntry(ArchiveEntryState* state, void* buffer, int byteCount);
int SeekArchiveEntry(ArchiveEntryState* state, int offset, int origin);
int EofArchiveEntry(const ArchiveEntryState* state);
void CloseArchiveEntry(ArchiveEntryState* state, int archiveSlot);

// Reads length bytes at file offset of the archive and unscrambles them; 0 or -1.
int ReadArchiveBytes(OpenArchive* archive, uint32_t offset, void* buffer, uint32_t length);
