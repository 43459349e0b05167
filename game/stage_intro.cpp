// The stage intro (the character falls in spinning, lands, the stage fades in, the
// music starts) and the reset of a new run at its end.
#include "game/game_state.h"

void StartNewGame(void) {
    GameState& g = g_game;
    g.frameCount = 0;
    g.scrollA = 0;
    g.scrollB = 240;
    g.scrollPeriod = 9;
    g.stageNumber = 0;
    g.lives = 5;
    g.score = 0;
    g.playerX = 160;
    g.playerY = 160;
    g.playerCondition = PlayerNormal;
    LoadStage();
    g.idleFrames = 0;
}

static void DrawChara(int x, int y, int srcX, int srcY) {
    DrawGraphRect(x, y, srcX, srcY, 16, 16, g_game.charaGraph, 1, 0);
}

void UpdateStageIntro(void) {
    GameState& g = g_game;
    int c = g.sceneTimer;
    if (c == 0) {
        g.scrollA = 0;
        g.scrollB = 240;
        g.stageNumber = 0;
        LoadStage();
    }
    if (c == 2) PlaySoundHandle(g.siboSound, PLAY_BACKGROUND, 1);
    if (c == 96) PlaySoundHandle(g.bosu35Sound, PLAY_BACKGROUND, 1);
    if (c >= 120) {
        DrawBackLayer();
        UpdateLifts();
        DrawFrontLayer();
        SetBlendMode(BLEND_ALPHA, 495 - 2 * c);
        DrawRectangle(0, 0, 320, 240, MakeColor(0, 0, 0), 1);
        SetBlendMode(BLEND_NONE, 0);
    }
    if (c < 96) DrawGraphRotated(168, 2 * c - 24, 8, 8, 1.0, (g.frameCount % 20) * -0.4, g.spinGraph, 1, 1);
    else if (c < 128) DrawChara(160, c < 104 ? 160 + c % 4 : 160, 32, 16);
    else if (c < 136) DrawChara(160, 160, 16, 16);
    else DrawChara(160, 160, 16 * ((c / 24) % 2), 0);
    g.sceneTimer++;
    g.frameCount++;
    if (g.sceneTimer == 240) {
        StartNewGame();
        g.sceneTimer = 0;
        PlaySoundHandle(g.bgmSound, PLAY_LOOP, 1);
        g.scene = ScenePlay;
    }
}
