// Shared set-up of the fuzz targets: one runtime start on the scripted backend in a
// private scratch folder, scratch files, and the per-input check on tracked blocks.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Starts the runtime once (log off) with the current directory in a fresh scratch
// folder; with gameData the folder also links the game's pictures and sounds. The
// folder change means corpus and artifact paths given to a target must be absolute.
void FuzzStartRuntime(bool gameData);
// The scratch folder (absolute).
const char* FuzzScratchDir(void);
// Writes bytes as the file name inside the scratch folder (creating one level of
// folder when name has a "/"). Aborts when it cannot.
void FuzzWriteScratchFile(const char* name, const uint8_t* data, size_t size);
// Aborts with a listing when the live tracked blocks differ from before.
void FuzzCheckTrackedBlocks(int before, const char* what);
