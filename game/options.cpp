// The options screen: display mode (full screen, 320x240 or 640x480 window), ranking
// reset, and the way back to the title.
#include "game/game_state.h"
#include "game/game_texts.h"

struct OptionItem {
    const char* text; // item label
    int y;            // row on the screen
    const char* help; // help line, Shift-JIS
};

static const OptionItem s_items[5] = {
    {"FULL SCREEN", 52, HELP_FULL_SCREEN},
    {"WINDOW 320x240", 72, HELP_WINDOW_320},
    {"WINDOW 640x480", 92, HELP_WINDOW_640},
    {"SCORE RESET", 132, HELP_SCORE_RESET},
    {"EXIT", 172, HELP_EXIT},
};

// After a mode change. What is replaced is handed back first: keeping it would fill
// the runtime's font table after about a dozen changes (then no text is drawn) and
// keep one more decoded copy of the music per change.
static void ReloadAfterModeChange(void) {
    GameState& g = g_game;
    ReleaseGameAssets();
    DeleteSoundHandle(g.bgmSound);
    LoadGameAssets();
    g.bgmSound = LoadSoundFile("bkt\\wav\\bgm.ogg", 3);
    SetDrawTarget(DRAW_TARGET_BACK);
    WriteSettings();
}

void ApplyWindowMode(int mode) {
    if (mode == ModeWindow320) SetWindowScaleRate(1.0);
    else if (mode == ModeWindow640) SetWindowScaleRate(2.0);
    ChangeWindowMode(mode == ModeFullScreen ? WINDOW_MODE_FULL_SCREEN : WINDOW_MODE_WINDOWED);
}

void SwitchWindowMode(int mode) {
    GameState& g = g_game;
    if (g.windowMode == mode || mode < ModeFullScreen || mode > ModeWindow640) return;
    ApplyWindowMode(mode);
    g.windowMode = mode;
    ReloadAfterModeChange();
}

static void Choose(void) {
    GameState& g = g_game;
    switch (g.menuCursor) {
        case 0:
        case 1:
        case 2:
            SwitchWindowMode(g.menuCursor);
            break;
        case 3:
            PlaySoundHandle(g.bosu35Sound, PLAY_BACKGROUND, 1);
            ResetRanking();
            WriteRanking();
            break;
        case 4:
            g.scene = SceneTitle;
            g.menuCursor = 0;
            g.titleFrame = 0;
            break;
        default:
            break;
    }
}

void UpdateOptions(void) {
    GameState& g = g_game;
    unsigned int white = MakeColor(255, 255, 255);
    unsigned int grey = MakeColor(50, 50, 50);
    DrawStringWithFont(16, 32, "OPTION MODE", white, g.font20, 0, 0);
    for (int i = 0; i < 5; i++)
        if (i > 2 || g.windowMode != i) DrawStringWithFont(32, s_items[i].y, s_items[i].text, white, g.font20, 0, 0);
    if (g.menuCursor < 0) g.menuCursor = 4;
    if (g.menuCursor > 4) g.menuCursor = 0;
    const OptionItem& item = s_items[g.menuCursor];
    DrawGraphRect(16, item.y, 0, 0, 16, 16, g.charaGraph, 1, 0);
    DrawStringWithFont(32, 200, item.help, white, g.font10, 0, 0);
    if (g.windowMode >= ModeFullScreen && g.windowMode <= ModeWindow640)
        DrawStringWithFont(32, s_items[g.windowMode].y, s_items[g.windowMode].text, grey, g.font20, 0, 0);
    if (g.padPrev != 0) return;
    if (g.padNow & PAD_UP) g.menuCursor--;
    else if (g.padNow & PAD_DOWN) g.menuCursor++;
    if (IsLoneActionButton(g.padNow)) Choose();
}
