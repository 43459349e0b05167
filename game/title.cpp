// The title sequence (fade-in, scroll, lit initials) and the main menu over the same
// backdrop.
#include "game/game_state.h"

static unsigned int Black(void) {
    return MakeColor(0, 0, 0);
}
static unsigned int Grey(void) {
    return MakeColor(55, 55, 55);
}
static unsigned int White(void) {
    return MakeColor(255, 255, 255);
}
static unsigned int Red(void) {
    return MakeColor(255, 0, 0);
}

static void DrawTitleBackdrop(void) {
    GameState& g = g_game;
    DrawGraphRect(0, 0, 0, 85, 320, 240, g.titleGraph, 0, 0);
    SetBlendMode(BLEND_ALPHA, 180);
    DrawRectangle(0, 0, 85, 240, Black(), 1);
    DrawRectangle(243, 0, 320, 240, Black(), 1);
    SetBlendMode(BLEND_NONE, 0);
    DrawStringWithFont(12, 42, "Borra", Grey(), g.font32, 0, 0);
    DrawStringWithFont(12, 74, "Kez", Grey(), g.font32, 0, 0);
    DrawStringWithFont(12, 106, "Ti", Grey(), g.font32, 0, 0);
    DrawStringWithFont(12, 40, "Borra", White(), g.font32, 0, 0);
    DrawStringWithFont(12, 72, "Kez", White(), g.font32, 0, 0);
    DrawStringWithFont(12, 104, "Ti", White(), g.font32, 0, 0);
}

void UpdateTitle(void) {
    GameState& g = g_game;
    int t = g.titleFrame;
    if (t <= 100) {
        SetBlendMode(BLEND_ALPHA, 2 * t + 50);
        DrawGraphAt(0, 0, g.titleGraph, 0);
        SetBlendMode(BLEND_NONE, 0);
    } else if (t <= 185) {
        DrawGraphRect(0, 0, 0, t - 100, 320, 240, g.titleGraph, 0, 0);
        SetBlendMode(BLEND_ALPHA, 180);
        DrawRectangle(0, 0, t - 100, 240, Black(), 1);
        DrawRectangle(428 - t, 0, 320, 240, Black(), 1);
        SetBlendMode(BLEND_NONE, 0);
    } else {
        DrawTitleBackdrop();
        if (t >= 200) DrawStringWithFont(12, 40, "B", Red(), g.font32, 0, 0);
        if (t >= 220) DrawStringWithFont(12, 72, "K", Red(), g.font32, 0, 0);
        if (t >= 240) DrawStringWithFont(12, 104, "T", Red(), g.font32, 0, 0);
        // How to start, blinking once the initials are lit.
        if (t >= 240 && t % 40 < 28) {
            DrawStringWithFont(12, 196, "PRESS Z", White(), g.font10, 0, 0);
            DrawStringWithFont(12, 208, "OR ENTER", White(), g.font10, 0, 0);
        }
    }
    if (IsFreshPress()) {
        g.titleFrame = 0;
        g.scene = SceneMenu;
    }
    g.titleFrame++;
    if (g.titleFrame == 360) {
        g.titleFrame = 0;
        g.scene = SceneGameOver; // the ranking as an attract screen
    }
}

void UpdateMenu(void) {
    GameState& g = g_game;
    g.frameCount++;
    DrawTitleBackdrop();
    DrawStringWithFont(256, 32, "START", White(), g.font20, 0, 0);
    DrawStringWithFont(256, 52, "OPTION", White(), g.font20, 0, 0);
    DrawStringWithFont(256, 72, "EXIT", White(), g.font20, 0, 0);
    DrawStringWithFont(12, 40, "B", Red(), g.font32, 0, 0);
    DrawStringWithFont(12, 72, "K", Red(), g.font32, 0, 0);
    DrawStringWithFont(12, 104, "T", Red(), g.font32, 0, 0);
    if (g.padPrev == 0) {
        if (g.padNow & PAD_UP) g.menuCursor--;
        else if (g.padNow & PAD_DOWN) g.menuCursor++;
    }
    if (g.menuCursor < 0) g.menuCursor = 2;
    if (g.menuCursor > 2) g.menuCursor = 0;
    static const int cursorY[3] = {32, 52, 72};
    DrawGraphRect(240, cursorY[g.menuCursor], 0, 16 * ((g.frameCount / 4) % 2), 16, 16, g.charaGraph, 1, 0);
    if (IsFreshPress()) {
        if (g.menuCursor == 0) {
            g.sceneTimer = 600;
            g.scene = SceneHowTo;
        } else if (g.menuCursor == 1) {
            g.scene = SceneOptions;
            g.menuCursor = 0;
        } else {
            RuntimeEnd(); // the frame loop ends at its next step
        }
    }
}
