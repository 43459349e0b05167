// The how-to-play screen: the picture slides in, a small figure walks and hops, and the
// picture slides out; an action button skips to the slide-out.
#include "game/game_state.h"

static void DrawStrips(int topX, int middleX, int bottomX) {
    GameState& g = g_game;
    DrawGraphRect(topX, 0, 0, 0, 320, 32, g.howToGraph, 0, 0);
    DrawGraphRect(middleX, 32, 0, 32, 320, 176, g.howToGraph, 0, 0);
    DrawGraphRect(bottomX, 208, 0, 208, 320, 32, g.howToGraph, 0, 0);
}

static void Demonstrate(int h) {
    GameState& g = g_game;
    DrawGraphAt(0, 0, g.howToGraph, 1);
    if (h == 520) {
        g.playerX = 32;
        g.playerY = 64;
    }
    int q = (h / 32) % 2;
    int m = h % 32;
    g.playerX = q == 0 ? 64 - m : m + 32;
    if ((h + 8) % 96 == 1) g.playerVy = -3;
    g.playerY += g.playerVy;
    if (g.playerY > 64) g.playerY = 64;
    else if (h % 3 == 0) g.playerVy++;
    int srcY = g.playerY != 64 ? 16 : 16 * ((h / 4) % 2);
    DrawGraphRect(g.playerX, g.playerY, 16 * q, srcY, 16, 16, g.charaGraph, 1, 0);
    if (IsLoneActionButton(g.padNow)) g.sceneTimer = 40; // held or new: the slide-out starts next frame
}

void UpdateHowTo(void) {
    GameState& g = g_game;
    g.sceneTimer--;
    int h = g.sceneTimer;
    if (h > 520) {
        int s = (600 - h) * 4;
        DrawStrips(s - 320, 320 - s, s - 320);
    }
    if (h > 40 && h <= 520) Demonstrate(h);
    // A skip sets the timer to 40 but the slide-out begins on the next frame.
    if (h <= 40) {
        int s = 8 * h;
        DrawStrips(320 - s, s - 320, 320 - s);
    }
    if (g.sceneTimer == 0) {
        g.playerVy = 0;
        g.scene = SceneStageIntro;
    }
}
