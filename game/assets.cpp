// The pictures and fonts the game draws with, loaded at start-up and again after every
// display-mode change.
#include "game/game_state.h"
#include "game/game_texts.h"

void LoadGameAssets(void) {
    SetTransparentColor(0, 255, 0);
    g_game.titleGraph = LoadGraphFile("bkt\\graphic\\title.bmp");
    g_game.blockGraph = LoadGraphFile("bkt\\graphic\\block.bmp");
    g_game.charaGraph = LoadGraphFile("bkt\\graphic\\chara.bmp");
    g_game.stage1Graph = LoadGraphFile("bkt\\graphic\\stage1.png");
    g_game.shadowGraph = LoadGraphFile("bkt\\graphic\\shadow.png");
    g_game.stage2Graph = LoadGraphFile("bkt\\graphic\\stage2.bmp");
    g_game.howToGraph = LoadGraphFile("bkt\\graphic\\setume.bmp");
    g_game.rollerGraph = DeriveGraph(272, 16, 16, 16, g_game.blockGraph);
    g_game.spinGraph = DeriveGraph(0, 16, 16, 16, g_game.charaGraph);
    g_game.font20 = CreateFontToHandle(GAME_FONT_FACE, 20, 0, FONT_TYPE_PLAIN, FONT_DEFAULT, FONT_DEFAULT, 0,
                                       FONT_DEFAULT, FONT_DEFAULT);
    g_game.font10 = CreateFontToHandle(GAME_FONT_FACE, 10, 0, FONT_TYPE_PLAIN, FONT_DEFAULT, FONT_DEFAULT, 0,
                                       FONT_DEFAULT, FONT_DEFAULT);
    g_game.font32 = CreateFontToHandle(GAME_FONT_FACE, 32, 0, FONT_TYPE_PLAIN, FONT_DEFAULT, FONT_DEFAULT, 0,
                                       FONT_DEFAULT, FONT_DEFAULT);
}

// Before a reload: handing back what the reload replaces keeps the runtime's tables
// from filling up (40 fonts last about a dozen mode changes otherwise, after which no
// text is drawn). Handles the runtime already dropped with the screen fail harmlessly.
void ReleaseGameAssets(void) {
    ReleaseGraph(g_game.rollerGraph, 0);
    ReleaseGraph(g_game.spinGraph, 0);
    ReleaseGraph(g_game.titleGraph, 0);
    ReleaseGraph(g_game.blockGraph, 0);
    ReleaseGraph(g_game.charaGraph, 0);
    ReleaseGraph(g_game.stage1Graph, 0);
    ReleaseGraph(g_game.shadowGraph, 0);
    ReleaseGraph(g_game.stage2Graph, 0);
    ReleaseGraph(g_game.howToGraph, 0);
    DeleteFontHandle(g_game.font20);
    DeleteFontHandle(g_game.font10);
    DeleteFontHandle(g_game.font32);
    g_game.titleGraph = g_game.blockGraph = g_game.charaGraph = -1;
    g_game.stage1Graph = g_game.shadowGraph = g_game.stage2Graph = -1;
    g_game.howToGraph = g_game.rollerGraph = g_game.spinGraph = -1;
    g_game.font20 = g_game.font10 = g_game.font32 = -1;
}
