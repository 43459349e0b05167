// The play scene's player routine: scroll and score, walking, jumping, gravity, the
// objects, tile contacts, falling out, recycling a half, and drawing the character.
#include "game/game_state.h"

void LandPlayer(int y) {
    GameState& g = g_game;
    g.playerAirborne = 0;
    g.playerY = y;
    g.playerVy = 0;
}

static void ScrollAndScore(void) {
    GameState& g = g_game;
    if (g.playerY > 64) {
        // A period below 1 never arises in play; treat it as every frame rather than divide by it.
        if (g.scrollPeriod < 1 || g.frameCount % g.scrollPeriod == 0) {
            g.scrollA--;
            g.scrollB--;
            g.score++;
        }
    } else if (g.playerVy < 0) {
        // The world moves down by the player's rise; his own move below cancels it.
        g.scrollA += g.playerVy;
        g.scrollB += g.playerVy;
        g.playerY -= g.playerVy;
        g.score -= g.playerVy;
    } else {
        g.scrollA--;
        g.scrollB--;
        g.score++;
    }
}

static void MoveSideways(void) {
    GameState& g = g_game;
    if (g.playerCondition == PlayerDying) return;
    if (g.padNow & PAD_RIGHT) {
        g.playerX++;
        g.playerFacing = 0;
        if (g.frameCount % 4 == 0) g.walkFrame++;
    } else if (g.padNow & PAD_LEFT) {
        g.playerX--;
        g.playerFacing = 1;
        if (g.frameCount % 4 == 0) g.walkFrame++;
    } else {
        g.walkFrame = 0;
    }
}

static void StartJump(void) {
    GameState& g = g_game;
    if (g.padNow & PadActionButtons) {
        if (g.jumpHeldFrames == 0 && g.playerAirborne == 0 && g.playerVy < 1) {
            PlaySoundHandle(g.jumpSound, PLAY_BACKGROUND, 1);
            g.playerVy = -6;
            g.playerAirborne = 1;
        }
        g.jumpHeldFrames++;
    } else {
        g.jumpHeldFrames = 0;
    }
}

static void FallOut(void) {
    GameState& g = g_game;
    if (g.playerY >= 272 && g.missSoundPlayed == 0) {
        PlaySoundHandle(g.siboSound, PLAY_BACKGROUND, 1);
        g.missSoundPlayed = 1;
    }
    if (g.playerY >= 320 && g.lives == 0) {
        g.missSoundPlayed = 0;
        StopSoundHandle(g.siboSound);
        PlaySoundHandle(g.bom35Sound, PLAY_BACKGROUND, 1);
        InsertRankingScore(g.score / 10);
        g.scene = SceneGameOver;
        StopSoundHandle(g.bgmSound);
    }
    if (g.playerY >= 320 && g.lives > 0) {
        g.missSoundPlayed = 0;
        g.lives--;
        g.scrollPeriod++;
        g.respawnTimer = 90;
    }
}

static void Respawn(void) {
    GameState& g = g_game;
    if (g.respawnTimer <= 0) return;
    if (g.respawnTimer == 90) g.playerX = 160;
    g.respawnTimer--;
    g.playerVy = -1;
    g.playerY = 128;
    if (g.respawnTimer > 2) g.playerCondition = PlayerRespawning;
    if (g.respawnTimer == 2) g.playerCondition = PlayerNormal;
}

static void RecycleHalves(void) {
    GameState& g = g_game;
    if (g.scrollA <= -240) {
        g.scrollA = g.scrollB + 240;
        g.stageNumber++;
        LoadStage();
    }
    if (g.scrollB <= -240) {
        g.scrollB = g.scrollA + 240;
        g.stageNumber++;
        LoadStage();
    }
}

static void DrawPlayer(void) {
    GameState& g = g_game;
    if (g.playerCondition == PlayerDying) {
        double step = (double)(g.frameCount % 36);
        if (g.playerFacing == 0)
            DrawGraphRotated(g.playerX + 8, g.playerY + 8, 8, 8, 1.0, step * -0.36, g.spinGraph, 1, 1);
        else DrawGraphRotated(g.playerX + 8, g.playerY + 8, 8, 8, 1.0, step * 0.36, g.spinGraph, 1, 0);
    } else if (g.respawnTimer == 0) {
        int y = g.playerAirborne == 1 ? 16 : 16 * g.walkFrame;
        DrawGraphRect(g.playerX, g.playerY, 16 * g.playerFacing, y, 16, 16, g.charaGraph, 1, 0);
    } else if (g.respawnTimer % 4 == 0 || g.respawnTimer % 4 == 1) {
        DrawGraphRect(g.playerX, g.playerY, 16, 16, 16, 16, g.charaGraph, 1, 0);
    }
}

void UpdatePlayer(void) {
    GameState& g = g_game;
    ScrollAndScore();
    if (g.playerY <= -8) g.playerY = -8;
    g.prevPlayerX = g.playerX;
    MoveSideways();
    if (g.playerX > 312) g.playerX = 312;
    if (g.playerX < -8) g.playerX = -8;
    StartJump();
    g.playerY += g.playerVy;
    if (g.playerVy == -10 && g.frameCount % 3 == 0) PlaySoundHandle(g.jumpdSound, PLAY_BACKGROUND, 1);
    if (g.frameCount % 3 == 0) g.playerVy++;
    UpdatePlatforms();
    UpdateRollers();
    UpdateLifts();
    if (g.playerCondition == PlayerNormal) ResolveTileContacts();
    FallOut();
    Respawn();
    RecycleHalves();
    if (g.walkFrame == 2) g.walkFrame = 0;
    DrawPlayer();
    if (g.frameCount % 900 == 0 && g.scrollPeriod > 2) g.scrollPeriod--;
    g.frameCount++;
}
