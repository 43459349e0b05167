// The game's entry: pre-start settings, runtime start, first loads, and the frame loop
// that runs one scene routine per frame with an 11 ms minimum frame.
#include "game/game_state.h"

int (*g_frameHook)(void) = nullptr;

static void RunScene(void) {
    switch (g_game.scene) {
        case SceneTitle:
            g_game.idleFrames = 0;
            UpdateTitle();
            break;
        case ScenePlay:
            DrawBackLayer();
            UpdatePlayer();
            DrawFrontLayer();
            DrawHud();
            break;
        case SceneGameOver:
            g_game.playerY = -320; // keeps the invisible player above every object
            DrawBackLayer();
            UpdatePlatforms();
            UpdateRollers();
            UpdateLifts();
            DrawFrontLayer();
            UpdateGameOver();
            break;
        case SceneMenu:
            UpdateMenu();
            break;
        case SceneHowTo:
            UpdateHowTo();
            break;
        case SceneStageIntro:
            UpdateStageIntro();
            break;
        case SceneOptions:
            UpdateOptions();
            break;
        default:
            break;
    }
}

static void RunFrameLoop(void) {
    for (;;) {
        if (ProcessMessage() != 0) break;
        if (CheckKeyDown(KEY_CODE_ESCAPE) != 0) break;
        unsigned int t0 = (unsigned int)GetMillisecondCount(0);
        g_game.padNow = GetPadInputState(INPUT_KEYBOARD_PAD1) | EnterAsChooseBit();
        RecordFrameInput(g_game.padNow);
        CheckFullScreenToggle();
        ClearDrawTarget();
        RunScene();
        g_game.padPrev = g_game.padNow;
        FlipScreen();
        if (g_frameHook && g_frameHook() != 0) break;
        // The counter wraps at 2^32: compare the unsigned difference.
        while ((unsigned int)GetMillisecondCount(0) - t0 <= 10u) {
            SleepMilliseconds(1);
            ProcessMessage();
        }
    }
}

int WinMain(void) {
    SetLogOutputEnabled(0);
    SetMainWindowTitle("Borra Kez Ti");
    SetWindowIconResource(101);
    ReadSettings();
    SetFlipVBlankWait(0);
    // Another value leaves the runtime's defaults in force.
    if (g_game.windowMode >= ModeFullScreen && g_game.windowMode <= ModeWindow640) {
        SetScreenMode(320, 240, 16, 60);
        ApplyWindowMode(g_game.windowMode);
    }
    if (RuntimeInit() == -1) return -1;
    SetArchiveUse(1);
    SetArchiveExtension("data");

    g_game.scene = SceneTitle;
    LoadStage();
    g_game.playerX = 160;
    g_game.playerY = 176;
    g_game.playerAirborne = 0;
    g_game.playerFacing = 0;
    ReadRanking();
    LoadGameAssets();
    g_game.bgmSound = LoadSoundFile("bkt\\wav\\bgm.ogg", 3);
    g_game.jumpSound = LoadSoundFile("bkt\\wav\\jump.wav", 3);
    g_game.jumpdSound = LoadSoundFile("bkt\\wav\\jumpd.wav", 3);
    g_game.siboSound = LoadSoundFile("bkt\\wav\\sibo.wav", 3);
    g_game.bom35Sound = LoadSoundFile("bkt\\wav\\bom35.wav", 3);
    g_game.bosu35Sound = LoadSoundFile("bkt\\wav\\bosu35.wav", 3);
    if (CheckGameData() != 0) {
        RuntimeEnd();
        return -1;
    }
    for (int i = 0; i < ObjectsPerKind; i++) {
        g_game.platforms[i].dirX = 1;
        g_game.rollers[i].dirX = 1;
        g_game.lifts[i].dirY = 1;
    }
    int timeSeed = GetCalendarSeconds();
    RandomSeed(timeSeed);
    RecordTimeSeed(timeSeed);
    SetDrawTarget(DRAW_TARGET_BACK);

    RunFrameLoop();
    CloseRecording();
    RuntimeEnd();
    return 0;
}
