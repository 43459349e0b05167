// The game's own files (settings, ranking, stages): disk paths through the runtime's
// path helper and a replace-by-rename writer that never leaves a half-written file.
#pragma once

#include <stdio.h>

// Opens a game file ("\" separators, any case on disk) for binary reading; null if absent
// or not a regular file (never blocks on a FIFO or a device).
FILE* OpenGameFileForReading(const char* path);
// Writes size bytes as the whole new content of the file: first into a temporary file
// beside it, then renamed over it. 0, or -1 when nothing was changed.
int ReplaceGameFile(const char* path, const void* bytes, int size);
// Why the last ReplaceGameFile failed (English, for the terminal); "" after a success.
const char* GameFileWriteError(void);
// Reads a 32-bit little-endian value over *value; at the file's end only the leading
// bytes read are replaced. The number of bytes read, 0 to 4.
int ReadLittleEndian32(FILE* file, int* value);
// Writes value as 4 little-endian bytes.
void StoreLittleEndian32(unsigned char* bytes, int value);
