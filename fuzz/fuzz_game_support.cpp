// Game-side set-up shared by the game-file targets (see fuzz_game_support.h).
#include "fuzz/fuzz_game_support.h"

#include "fuzz/fuzz_support.h"

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

void FuzzFreshGameState(void) {
    ResetGameState();
    g_game.titleGraph = s_loaded.titleGraph;
    g_game.blockGraph = s_loaded.blockGraph;
    g_game.charaGraph = s_loaded.charaGraph;
    g_game.stage1Graph = s_loaded.stage1Graph;
    g_game.shadowGraph = s_loaded.shadowGraph;
    g_game.stage2Graph = s_loaded.stage2Graph;
    g_game.howToGraph = s_loaded.howToGraph;
    g_game.rollerGraph = s_loaded.rollerGraph;
    g_game.spinGraph = s_loaded.spinGraph;
    g_game.font20 = s_loaded.font20;
    g_game.font10 = s_loaded.font10;
    g_game.font32 = s_loaded.font32;
    g_game.playerX = 160;
    g_game.playerY = 176;
    for (int i = 0; i < ObjectsPerKind; i++) {
        g_game.platforms[i].dirX = 1;
        g_game.rollers[i].dirX = 1;
        g_game.lifts[i].dirY = 1;
    }
    RandomSeed(0);
}
