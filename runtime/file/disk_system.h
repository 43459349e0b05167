// What the plain disk set asks of the system (disk_system.cpp on POSIX,
// disk_system_windows.cpp on Windows).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// Descriptor of the regular file at path (already resolved), with its size; -1
// for anything else (a folder, a FIFO or a device never holds the caller).
int OpenRegularFile(const char* path, uint32_t* size);
