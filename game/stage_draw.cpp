// The playfield's two drawing passes: the back layer (parallax pictures, background
// tiles) before the player, the front layer (foreground tiles) after him.
#include "game/game_state.h"

static void DrawTile(int x, int y, int srcX, int srcY) {
    DrawGraphRect(x, y, srcX, srcY, 16, 16, g_game.blockGraph, 1, 0);
}

static void DrawBackTiles(int grid[GridColumns][GridRows], int scroll) {
    int anim = g_game.tileAnimFrame;
    for (int c = 0; c < GridColumns; c++) {
        for (int r = 0; r < GridRows; r++) {
            int sy = r * TileSize - scroll;
            int v = grid[c][r];
            if (v == TileSinkingFloor) {
                DrawTile(c * 16, sy, 64, 16 * (anim % 4));
            } else if (v >= 10 && v <= 19 && v != TileRollerStart && sy > -16 && sy < 240) {
                if (v >= 13 && v <= 16) DrawTile(c * 16, sy, v * 16, 16 * (anim % 4));
                else DrawTile(c * 16, sy, v * 16, 0);
            }
        }
    }
}

void DrawBackLayer(void) {
    int scrollA = g_game.scrollA;
    SetBlendMode(BLEND_ALPHA, 200);
    DrawGraphRect(80, (-scrollA) / 4 - 60, 0, 0, 160, 240, g_game.stage2Graph, 1, 0);
    DrawGraphRect(80, (-scrollA) / 4 + 60, 0, 0, 160, 240, g_game.stage2Graph, 1, 0);
    SetBlendMode(BLEND_NONE, 0);
    DrawGraphRect(0, 104, 0, 0, 320, 160, g_game.shadowGraph, 1, 0);
    DrawGraphRect(0, (-scrollA) / 2 - 120, 0, 0, 320, 240, g_game.stage1Graph, 1, 0);
    DrawGraphRect(0, (-scrollA) / 2 + 120, 0, 0, 320, 240, g_game.stage1Graph, 1, 0);
    DrawBackTiles(g_game.gridA, g_game.scrollA);
    DrawBackTiles(g_game.gridB, g_game.scrollB);
    DrawGraphRect(0, 120, 0, 0, 320, 160, g_game.shadowGraph, 1, 0);
}

static void DrawFrontTiles(int grid[GridColumns][GridRows], int scroll) {
    int anim = g_game.tileAnimFrame;
    for (int c = 0; c < GridColumns; c++) {
        for (int r = 0; r < GridRows; r++) {
            int sy = r * TileSize - scroll;
            int v = grid[c][r];
            if (!(sy > -16 && sy < 240) || v == TileEmpty || v == TileLiftStart || v >= 10 || v < 0) continue;
            int x = c * 16;
            switch (v) {
                case TileOneWayFloor:
                    DrawTile(x, sy, 16, 0);
                    break;
                case TileBlock:
                    DrawTile(x, sy, 32, 16 * (anim % 2));
                    break;
                case TileWall:
                    DrawTile(x, sy, 48, 0);
                    break;
                case TileSinkingFloor:
                    SetBlendMode(BLEND_ALPHA, 128);
                    DrawTile(x, sy, 64, 16 * (anim % 4));
                    SetBlendMode(BLEND_NONE, 0);
                    break;
                case TileSpring: {
                    int px = g_game.playerX, py = g_game.playerY;
                    bool pressed = g_game.playerAirborne == 1 && sy + 4 < py + 16 && sy + 8 >= py && x < px + 12 &&
                                   x + 16 > px + 4;
                    DrawTile(x, sy, 80, pressed ? 16 : 0);
                    break;
                }
                case 6:
                    DrawTile(x, sy, 96, 0);
                    break;
                case 7:
                    DrawTile(x, sy, 112, 16 * (anim % 3));
                    break;
                case 8:
                    DrawTile(x, sy, 128, 0);
                    break;
                default:
                    break;
            }
        }
    }
}

void DrawFrontLayer(void) {
    if (g_game.frameCount % 12 == 0) g_game.tileAnimFrame++;
    DrawFrontTiles(g_game.gridA, g_game.scrollA);
    DrawFrontTiles(g_game.gridB, g_game.scrollB);
    DrawGraphRect(0, 136, 0, 0, 320, 160, g_game.shadowGraph, 1, 0);
}
