// Game-side set-up shared by the game-file targets (see fuzz_game_support.h).
#include "fuzz/fuzz_game_support.h"

#include "fuzz/fuzz_support.h"

#include "runtime/core/memory.h"

static GameState s_loaded; // handles as LoadGameAssets left them

void FuzzStartGame(void) {
    static bool started = false;
    if (started) return;
    started = true;
    FuzzStartRuntime(true);
    SetArchiveUse(1);
    SetArchiveExtension("data");
    LoadGameAssets();
    SetDrawTarget(DRAW_TARGET_BACK);
    s_loaded = g_game;
}

int FuzzBeginGameInput(const char* name, const uint8_t* data, size_t size) {
    FuzzStartGame();
    int before = TrackedBlockCount();
    FuzzWriteScratchFile(name, data, size);
    FuzzFreshGameState();
    return before;
}

void FuzzFreshGameState(void) {
    ResetGameState();
    static int GameState::*const handles[] = {&GameState::titleGraph,  &GameState::blockGraph,  &GameState::charaGraph,
                                              &GameState::stage1Graph, &GameState::shadowGraph, &GameState::stage2Graph,
                                              &GameState::howToGraph,  &GameState::rollerGraph, &GameState::spinGraph,
                                              &GameState::font20,      &GameState::font10,      &GameState::font32};
    for (int GameState::*handle : handles) g_game.*handle = s_loaded.*handle;
    g_game.playerX = 160;
    g_game.playerY = 176;
    for (int i = 0; i < ObjectsPerKind; i++) {
        g_game.platforms[i].dirX = 1;
        g_game.rollers[i].dirX = 1;
        g_game.lifts[i].dirY = 1;
    }
    RandomSeed(0);
}
