// Replacing a whole file on the disk so that a crash, a power cut or a full disk
// leaves either the old content or the new one, never a mix or an empty file.
#pragma once

// Writes size bytes into diskPath + ".tmp", flushes it to the disk, renames it over
// diskPath and flushes the folder. 0, or -1 with the old file untouched and a short
// English reason in why (whySize bytes).
int DiskReplaceFile(const char* diskPath, const void* bytes, int size, char* why, int whySize);
