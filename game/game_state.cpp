// The one GameState record and its values at process start.
#include "game/game_state.h"

#include <string.h>

GameState g_game;

static struct GameStateInit {
    GameStateInit() { ResetGameState(); }
} s_gameStateInit; // fills the record before WinMain runs

void ResetGameState(void) {
    memset(&g_game, 0, sizeof(g_game));
    g_game.scene = SceneTitle;
    g_game.windowMode = ModeWindow320;
    g_game.scrollA = 0;
    g_game.scrollB = 240;
    g_game.scrollPeriod = 9;
    g_game.lives = 5;
    // No handle exists before the assets are loaded.
    g_game.titleGraph = g_game.blockGraph = g_game.charaGraph = -1;
    g_game.stage1Graph = g_game.shadowGraph = g_game.stage2Graph = -1;
    g_game.howToGraph = g_game.rollerGraph = g_game.spinGraph = -1;
    g_game.font20 = g_game.font10 = g_game.font32 = -1;
    g_game.bgmSound = g_game.jumpSound = g_game.jumpdSound = -1;
    g_game.siboSound = g_game.bom35Sound = g_game.bosu35Sound = -1;
}
