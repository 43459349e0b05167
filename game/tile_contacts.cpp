// The player's contacts with the tiles of both halves, tested cell by cell in a fixed
// order; every test sees what the earlier ones changed.
#include "game/game_state.h"

static bool OverlapX(int tx, int a, int b) {
    return tx < g_game.playerX + a && tx + 16 > g_game.playerX + b;
}

static void BlockTests(int ty, int tx) {
    GameState& g = g_game;
    if (!(ty > -32 && ty < 256)) return;
    if (ty <= g.playerY + 17 && ty + 2 >= g.playerY && OverlapX(tx, 11, 5) && g.playerVy >= 0) {
        LandPlayer(ty - 16);
    }
    if (ty <= g.playerY + 8 && ty >= g.playerY - 12 && OverlapX(tx, 11, 5)) {
        g.playerY = ty + 20;
        g.playerVy = 1;
    }
    if (ty + 4 <= g.playerY + 8 && ty + 4 >= g.playerY - 10 && OverlapX(tx, 12, 4)) g.playerX = g.prevPlayerX;
}

static void WallTests(int ty, int tx) {
    GameState& g = g_game;
    if (!(ty > -32 && ty < 256)) return;
    if (ty <= g.playerY + 16 && ty >= g.playerY - 16 && OverlapX(tx, 12, 4)) g.playerX = g.prevPlayerX;
    if (ty <= g.playerY + 12 && ty >= g.playerY - 16 && OverlapX(tx, 10, 6)) {
        g.playerY = ty + 20;
        g.playerVy = 1;
    }
}

static void OneWayFloorTest(int ty, int tx) {
    GameState& g = g_game;
    if (ty <= g.playerY + 17 && ty + 2 >= g.playerY + 10 && OverlapX(tx, 12, 4)) {
        LandPlayer(ty - 16);
    }
}

static void SinkingFloorTest(int ty, int tx) {
    GameState& g = g_game;
    if (ty < g.playerY + 16 && ty + 2 >= g.playerY && OverlapX(tx, 12, 4)) {
        if (g.frameCount % 3 == 0) {
            g.playerVy = 2;
        } else {
            g.playerVy = 0;
            g.playerAirborne = 0;
        }
    }
}

static void SpringTest(int ty, int tx) {
    GameState& g = g_game;
    if (ty + 4 < g.playerY + 16 && ty + 8 >= g.playerY + 10 && OverlapX(tx, 12, 4)) {
        g.playerAirborne = 1;
        g.playerVy = -10;
    }
}

void ResolveTileContacts(void) {
    GameState& g = g_game;
    for (int c = 0; c < GridColumns; c++) {
        for (int r = 0; r < GridRows; r++) {
            int tx = c * TileSize;
            int tyA = r * TileSize - g.scrollA;
            int tyB = r * TileSize - g.scrollB;
            int a = g.gridA[c][r];
            int b = g.gridB[c][r];
            if (a == TileBlock) BlockTests(tyA, tx);
            if (b == TileBlock) BlockTests(tyB, tx);
            if (a == TileWall) WallTests(tyA, tx);
            if (b == TileWall) WallTests(tyB, tx);
            if (g.playerVy < 0) continue;
            // Half B's floors stop holding at 240, half A's at 256.
            if (a == TileOneWayFloor && tyA > 0 && tyA < 256) OneWayFloorTest(tyA, tx);
            if (b == TileOneWayFloor && tyB > 0 && tyB < 240) OneWayFloorTest(tyB, tx);
            if (a == TileSinkingFloor && tyA > 0 && tyA < 256) SinkingFloorTest(tyA, tx);
            if (b == TileSinkingFloor && tyB > 0 && tyB < 240) SinkingFloorTest(tyB, tx);
            if (a == TileSpring && tyA > 0 && tyA < 256) SpringTest(tyA, tx);
            if (b == TileSpring && tyB > 0 && tyB < 256) SpringTest(tyB, tx);
        }
    }
}
