// The stage's moving objects: platforms slide and carry the player, rollers roll along
// floors and kill from the side or below, lifts move up and down and kill from below.
#include "game/game_state.h"

static int (*GridOf(int index))[GridRows] {
    return index < ObjectsPerHalf ? g_game.gridA : g_game.gridB;
}

static int ScrollOf(int index) {
    return index < ObjectsPerHalf ? g_game.scrollA : g_game.scrollB;
}

static bool Touchable(void) {
    return g_game.playerCondition < PlayerRespawning;
}

// Every cell test needs the object's y within its grid: an empty record (y 9999) can
// meet no cell, and skipping its scan saves most of a frame's work.
static bool WithinGrid(int y) {
    return y < GridRows * TileSize;
}

static bool IsWallCell(int code, int c, int r, int x, int y) {
    return (code == TileBlock || code == TileWall || code == TileInvisibleWall) && r * 16 <= y + 14 &&
           y <= r * 16 + 14 && c * 16 < x + 14 && c * 16 + 16 > x + 2;
}

static void KillPlayer(void) {
    GameState& g = g_game;
    g.playerCondition = PlayerDying;
    g.playerVy = -3;
    g.playerAirborne = 1;
    PlaySoundHandle(g.siboSound, PLAY_BACKGROUND, 1);
    g.missSoundPlayed = 1;
}

void UpdatePlatforms(void) {
    GameState& g = g_game;
    for (int i = 0; i < ObjectsPerKind; i++) {
        Platform& p = g.platforms[i];
        int sy = p.y - ScrollOf(i);
        if (sy > -32 && sy < 256) {
            DrawGraphRect(p.x, sy, 320, 16 * (g.tileAnimFrame % 4), 16, 16, g.blockGraph, 1, 0);
            if (g.rankEntryRow == 0) p.x += p.dirX;
            if (p.x > 304 || p.x < 0) p.dirX = -p.dirX;
            if (Touchable() && sy - 8 <= g.playerY + 17 && sy + 2 >= g.playerY + 12 && p.x < g.playerX + 10 &&
                p.x + 16 > g.playerX + 6 && g.playerVy >= 0) {
                LandPlayer(sy - 16);
                g.playerX += p.dirX; // carried along
            }
        }
        if (!WithinGrid(p.y)) continue;
        int(*grid)[GridRows] = GridOf(i);
        for (int c = 0; c < GridColumns; c++)
            for (int r = 0; r < GridRows; r++)
                if (IsWallCell(grid[c][r], c, r, p.x, p.y)) p.dirX = -p.dirX;
    }
}

static void DrawRoller(const Roller& q, int sy) {
    GameState& g = g_game;
    double step = (double)((g.frameCount + q.phase) % 36);
    if (q.dirX == -1) DrawGraphRotated(q.x + 8, sy + 8, 8, 8, 1.0, step * -0.18, g.rollerGraph, 1, 1);
    else if (q.dirX == 1) DrawGraphRotated(q.x + 8, sy + 8, 8, 8, 1.0, step * 0.18, g.rollerGraph, 1, 0);
}

void UpdateRollers(void) {
    GameState& g = g_game;
    for (int i = 0; i < ObjectsPerKind; i++) {
        Roller& q = g.rollers[i];
        if (g.rankEntryRow == 0 && g.frameCount % 3 != 0) q.x += q.dirX;
        int sy = q.y - ScrollOf(i);
        bool inView = sy > 0 && sy < 240;
        if (inView) {
            DrawRoller(q, sy);
            if (q.x > 304 || q.x < 0) q.dirX = -q.dirX;
            if (Touchable()) {
                if (sy - 8 <= g.playerY + 17 && sy + 2 >= g.playerY + 12 && q.x < g.playerX + 6 &&
                    q.x + 16 > g.playerX + 10 && g.playerVy >= 0) {
                    LandPlayer(sy - 16);
                    if (g.frameCount % 3 != 0) g.playerX += q.dirX;
                } else if (sy - 8 <= g.playerY + 14 && sy + 2 >= g.playerY + 12 && q.x < g.playerX + 9 &&
                           q.x + 16 > g.playerX + 7 && g.playerVy >= 0) {
                    LandPlayer(sy - 13); // near the edge he stands 3 pixels lower
                    if (g.frameCount % 3 != 0) g.playerX += q.dirX;
                }
            }
        }
        // Half B's rollers are tested for a hit wherever they are.
        if ((inView || i >= ObjectsPerHalf) && Touchable() && sy + 10 <= g.playerY + 16 && sy + 16 >= g.playerY &&
            q.x < g.playerX + 6 && q.x + 16 > g.playerX + 10 && g.playerVy >= 0)
            KillPlayer();
        if (!WithinGrid(q.y)) continue;
        int(*grid)[GridRows] = GridOf(i);
        for (int c = 0; c < GridColumns; c++) {
            for (int r = 0; r < GridRows; r++) {
                int code = grid[c][r];
                // The end of a floor of codes 1 to 4 turns the roller.
                if ((code == TileEmpty || code > TileSinkingFloor) && r * 16 == q.y + 16 && c * 16 < q.x + 16 &&
                    c * 16 + 16 > q.x)
                    q.dirX = -q.dirX;
                if (IsWallCell(code, c, r, q.x, q.y)) q.dirX = -q.dirX;
            }
        }
    }
}

void UpdateLifts(void) {
    GameState& g = g_game;
    for (int i = 0; i < ObjectsPerKind; i++) {
        Lift& l = g.lifts[i];
        int sy = l.y - ScrollOf(i);
        DrawGraphRect(l.x, sy, 272, 16 * ((l.phase + g.frameCount) % 4), 16, 16, g.blockGraph, 1, 0);
        if (g.rankEntryRow == 0) l.y += l.dirY;
        if (l.y > 224 || l.y < 0) l.dirY = -l.dirY;
        sy = l.y - ScrollOf(i);
        if (Touchable() && sy - 8 <= g.playerY + 17 && sy + 2 >= g.playerY + 12 && l.x < g.playerX + 10 &&
            l.x + 16 > g.playerX + 6 && g.playerVy >= 0) {
            LandPlayer(sy - 16);
        }
        if (Touchable() && sy + 10 <= g.playerY + 16 && sy + 16 >= g.playerY && l.x < g.playerX + 6 &&
            l.x + 16 > g.playerX + 10)
            KillPlayer();
        if (!WithinGrid(l.y)) continue;
        int(*grid)[GridRows] = GridOf(i);
        for (int c = 0; c < GridColumns; c++) {
            for (int r = 0; r < GridRows; r++) {
                int code = grid[c][r];
                if (IsWallCell(code, c, r, l.x, l.y)) l.dirY = -l.dirY;
                if ((code == TileOneWayFloor || code == TileSinkingFloor) && r * 16 <= l.y + 14 && l.y <= r * 16 + 8 &&
                    c * 16 < l.x + 14 && c * 16 + 16 > l.x + 2)
                    l.dirY = -l.dirY;
            }
        }
    }
}
