// The settings reader: the input as "config.ini", read over the start-up default, the
// options screen drawn with the mode it gives, and written back; what is written must
// read back to the same mode.
#include "fuzz/fuzz_game_support.h"
#include "fuzz/fuzz_support.h"

#include "runtime/core/memory.h"

#include <stdio.h>
#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartGame();
    int before = TrackedBlockCount();
    FuzzWriteScratchFile("config.ini", data, size);
    FuzzFreshGameState();
    ReadSettings();
    int mode = g_game.windowMode;
    if (size >= 4 && mode != (int)(data[0] | (data[1] << 8) | (data[2] << 16) | ((unsigned)data[3] << 24))) {
        fprintf(stderr, "the mode read is not the file's first four bytes\n");
        abort();
    }
    g_game.scene = SceneOptions;
    for (int frame = 0; frame < 1; frame++) {
        g_game.padNow = 0;
        UpdateOptions();
        g_game.padPrev = 0;
    }
    g_game.windowMode = mode;
    WriteSettings();
    g_game.windowMode = ~mode;
    ReadSettings();
    if (g_game.windowMode != mode) {
        fprintf(stderr, "the written settings read back differently\n");
        abort();
    }
    FuzzCheckTrackedBlocks(before, "settings");
    return 0;
}
