// The stage reader: the input as a stage file loaded into half A (and the next stage
// as its first half into half B), then frames of play and drawing over whatever tile
// codes it holds, with the pad taken from the input's bytes. The screen is not cleared
// between frames: that costs most of the time and reads nothing from the stage.
#include "fuzz/fuzz_game_support.h"
#include "fuzz/fuzz_support.h"

#include "runtime/core/memory.h"

enum { PlayFrames = 32 };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartGame();
    int before = TrackedBlockCount();
    FuzzWriteScratchFile("sg/01.dat", data, size);
    FuzzWriteScratchFile("sg/02.dat", data, size / 2);
    FuzzFreshGameState();
    g_game.stageNumber = 1;
    LoadStage();
    g_game.stageNumber = 2;
    LoadStage();
    g_game.stageNumber = 1;
    g_game.scene = ScenePlay;
    g_game.scrollPeriod = 1;
    for (int frame = 0; frame < PlayFrames; frame++) {
        g_game.padNow = size ? (data[(frame * 7) % size] & 0x1F) : 0;
        // Drawing is the slow part under instrumentation: the last frame is enough to
        // see each tile code drawn.
        bool draw = frame == PlayFrames - 1;
        if (g_game.scene == ScenePlay) {
            if (draw) DrawBackLayer();
            UpdatePlayer();
            if (draw) {
                DrawFrontLayer();
                DrawHud();
            }
        } else if (g_game.scene == SceneGameOver) {
            UpdatePlatforms();
            UpdateRollers();
            UpdateLifts();
            if (draw) DrawFrontLayer();
        } else {
            break;
        }
        g_game.padPrev = g_game.padNow;
    }
    FuzzCheckTrackedBlocks(before, "stage play");
    return 0;
}
