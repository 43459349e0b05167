// The game's one record of variables (GameState), its object records and scene
// numbers, and the declarations of every game routine. The game keeps no other state
// except the random generator's 32-bit word (random.cpp).
#pragma once

#include "runtime/runtime.h"

enum Scene {
    SceneTitle = 0,
    ScenePlay = 1,
    SceneGameOver = 2,
    SceneMenu = 4,
    SceneHowTo = 5,
    SceneStageIntro = 6,
    SceneOptions = 7,
};

// Tile codes of the stage grids; the codes not named here are decorations.
enum TileCode {
    TileEmpty = 0,
    TileOneWayFloor = 1, // landed on from above only
    TileBlock = 2,       // floor, ceiling and wall
    TileWall = 3,        // wall and ceiling that cannot be stood on
    TileSinkingFloor = 4,
    TileSpring = 5,
    TileLiftStart = 9,
    TileRollerStart = 17,
    TilePlatformStart = 20,
    TileInvisibleWall = 21, // turns objects only
};

// GameState::playerCondition.
enum PlayerCondition {
    PlayerNormal = 0,     // tiles and objects act on him
    PlayerRespawning = 1, // no contact
    PlayerDying = 2,      // no input, no contact; spins and falls
};

// GameState::windowMode, as "config.ini" holds it.
enum GameWindowMode {
    ModeFullScreen = 0,
    ModeWindow320 = 1, // 320x240 window
    ModeWindow640 = 2, // 640x480 window
};

// The jump and menu buttons: pad buttons 1 to 6 and 10 (Z X C A S D and Space).
enum {
    PadActionButtons = PAD_BUTTON1 | PAD_BUTTON2 | PAD_BUTTON3 | PAD_BUTTON4 | PAD_BUTTON5 | PAD_BUTTON6 | PAD_BUTTON10,
};

enum {
    GridColumns = 20,    // tiles across one half
    GridRows = 15,       // tiles down one half
    TileSize = 16,       // pixels per tile side
    ObjectsPerKind = 20, // records 0..9 belong to half A, 10..19 to half B
    ObjectsPerHalf = 10,
    NoObject = 9999, // x and y of an empty record: outside every test
};

struct Platform {
    int x;    // left edge, screen pixels
    int y;    // top edge, half-local pixels
    int dirX; // -1 or +1
};

struct Roller {
    int x;     // left edge, screen pixels
    int y;     // top edge, half-local pixels
    int dirX;  // -1 or +1; survives a reload of the record
    int phase; // 0..35, offsets the spin angle
};

struct Lift {
    int x;     // left edge, screen pixels
    int y;     // top edge, half-local pixels
    int dirY;  // -1 or +1; survives a reload of the record
    int phase; // 0..3, offsets the animation
};

struct GameState {
    int scene;           // current Scene
    int windowMode;      // GameWindowMode
    int padNow;          // pad bits read at the start of this frame
    int padPrev;         // padNow of the previous frame
    int frameCount;      // general frame counter
    char textBuffer[32]; // scratch text for numbers and letters

    GraphHandle titleGraph;  // bkt\graphic\title.bmp
    GraphHandle blockGraph;  // bkt\graphic\block.bmp: tiles and objects
    GraphHandle charaGraph;  // bkt\graphic\chara.bmp: the character
    GraphHandle stage1Graph; // bkt\graphic\stage1.png: near parallax picture
    GraphHandle shadowGraph; // bkt\graphic\shadow.png
    GraphHandle stage2Graph; // bkt\graphic\stage2.bmp: far parallax picture
    GraphHandle howToGraph;  // bkt\graphic\setume.bmp
    GraphHandle rollerGraph; // 16x16 at (272, 16) of blockGraph
    GraphHandle spinGraph;   // 16x16 at (0, 16) of charaGraph

    FontHandle font20; // gothic, size 20
    FontHandle font10; // gothic, size 10
    FontHandle font32; // gothic, size 32

    SoundHandle bgmSound;    // looping music of a run
    SoundHandle jumpSound;   // jump start
    SoundHandle jumpdSound;  // spring launch
    SoundHandle siboSound;   // falling / hit
    SoundHandle bom35Sound;  // run over
    SoundHandle bosu35Sound; // landing in the intro, ranking reset

    int gridA[GridColumns][GridRows]; // half A tile codes (odd stages), [column][row]
    int gridB[GridColumns][GridRows]; // half B tile codes (even stages)
    int scrollA;                      // scroll offset of half A
    int scrollB;                      // scroll offset of half B
    int stageNumber;                  // number of the last stage file loaded
    int tileAnimFrame;                // tile animation counter

    Platform platforms[ObjectsPerKind]; // moving platforms
    Roller rollers[ObjectsPerKind];     // rollers
    Lift lifts[ObjectsPerKind];         // lifts

    int playerX;         // player's left edge on the screen
    int playerY;         // player's top edge on the screen
    int prevPlayerX;     // playerX before this frame's horizontal move
    int playerVy;        // vertical speed, negative is up
    int playerAirborne;  // 1 while jumping or launched
    int playerFacing;    // 0 right, 1 left
    int walkFrame;       // walking animation frame
    int jumpHeldFrames;  // frames an action button has been held
    int playerCondition; // PlayerCondition
    int respawnTimer;    // frames left of the respawn sequence
    int missSoundPlayed; // the falling sound was started for this miss
    int scrollPeriod;    // frames per automatic one-pixel scroll step
    int lives;           // spare lives
    int score;           // tenths of the displayed points

    int titleFrame; // frame counter of the title
    int menuCursor; // main menu 0..2, options 0..4
    int sceneTimer; // how-to countdown and stage intro count

    int rankScore[5];    // ranking scores, best first
    char rankName[5][3]; // ranking names, no terminator
    int rankEntryRow;    // 0 none, else 1-based row being named
    int rankEntryLetter; // letter being edited, 0..2
    int idleFrames;      // game-over frames without a name entry

    int fullScreenKeysHeld; // F11 or Alt+Enter was down last frame
    int lastWindowedMode;   // window mode (1 or 2) F11 returns to; 0 = none yet
};

extern GameState g_game;

// Puts every field back to its value at process start (also used by tests).
void ResetGameState(void);

// ---- Start-up, settings, random, pad (win_main.cpp, settings.cpp, random.cpp, pad.cpp)
int WinMain(void);
void LoadGameAssets(void);
// After the first loads: -1, with one line on stderr, when pictures, sounds or fonts
// are missing or damaged; 0 when the game can run.
int CheckGameData(void);
void ReleaseGameAssets(void);
void ReadSettings(void);
void WriteSettings(void);
bool IsLoneActionButton(int pad);
bool IsFreshPress(void);
// 0x10 (button 1, the Z key) while Return or the keypad's Enter is held outside play.
int EnterAsChooseBit(void);
void RandomSeed(int seed);
int RandomNext(void);
unsigned int RandomState(void);

// Called after every FlipScreen when set (the replay tool); non-zero ends the loop.
extern int (*g_frameHook)(void);

// ---- Stage and playfield (stage.cpp, stage_draw.cpp)
void LoadStage(void);
void DrawBackLayer(void);
void DrawFrontLayer(void);

// ---- Player and objects (player.cpp, tile_contacts.cpp, objects.cpp)
void UpdatePlayer(void);
// The player stands at y (his top edge) on a tile or an object: no longer airborne, no fall.
void LandPlayer(int y);
void ResolveTileContacts(void);
void UpdatePlatforms(void);
void UpdateRollers(void);
void UpdateLifts(void);

// ---- Title, menu, how-to, stage intro (title.cpp, how_to.cpp, stage_intro.cpp)
void UpdateTitle(void);
void UpdateMenu(void);
void UpdateHowTo(void);
void UpdateStageIntro(void);
void StartNewGame(void);

// ---- Display, game over, ranking (hud.cpp, game_over.cpp, ranking.cpp)
void DrawHud(void);
void InsertRankingScore(int s);
void UpdateGameOver(void);
void ReadRanking(void);
void WriteRanking(void);
void ResetRanking(void);

// ---- Options (options.cpp)
void UpdateOptions(void);
// The runtime calls that put a window mode 0, 1 or 2 in force; before RuntimeInit they
// only choose how the window opens.
void ApplyWindowMode(int mode);
// Puts the game in window mode 0, 1 or 2 (as "config.ini" numbers them), reloads
// what the change deleted and saves the choice; nothing when it is in force.
void SwitchWindowMode(int mode);

// ---- Full-screen keys (window_toggle.cpp)
// F11 or Alt+Enter, newly pressed: full screen, or back to the last window size.
void CheckFullScreenToggle(void);

// ---- Recorded play (recording.cpp)
// Starts writing the player's input to path as a replay script. 0 or -1.
int OpenRecording(const char* path);
// Called by WinMain with the calendar seconds the game seeds with.
void RecordTimeSeed(int seconds);
// Called once per frame with the frame's pad bits, before they are used.
void RecordFrameInput(int pad);
// Called when the frame loop ends: the last frame ends the replay too.
void CloseRecording(void);
