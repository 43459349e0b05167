// The play scene's one-line display: the life icon, spare lives and the score.
#include "game/game_state.h"

#include <stdio.h>

void DrawHud(void) {
    GameState& g = g_game;
    unsigned int white = MakeColor(255, 255, 255);
    DrawGraphRect(1, 3, 35, 0, 20, 14, g.charaGraph, 1, 0);
    DrawStringWithFont(24, 1, "x", white, g.font20, 0, 0);
    snprintf(g.textBuffer, sizeof(g.textBuffer), "%d", g.lives);
    DrawStringWithFont(34, 1, g.textBuffer, white, g.font20, 0, 0);
    int s = g.score / 10;
    int x = s > 9999 ? 264 : s >= 1000 ? 274 : s >= 100 ? 284 : s >= 10 ? 294 : 304;
    snprintf(g.textBuffer, sizeof(g.textBuffer), "%d", s);
    DrawStringWithFont(x, 1, g.textBuffer, white, g.font20, 0, 0);
}
