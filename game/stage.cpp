// Stage files: loading a numbered file into its half and rebuilding that half's
// platforms, rollers and lifts from the start codes in it.
#include "game/game_files.h"
#include "game/game_state.h"

#include <stdio.h>

// Reads column-major 32-bit little-endian codes; the file's end stops the filling, and
// a final value of 1 to 3 bytes replaces only its leading bytes. False if it did not open.
static bool ReadGridFile(const char* path, int grid[GridColumns][GridRows]) {
    FILE* file = OpenGameFileForReading(path);
    if (!file) return false;
    bool ended = false;
    for (int c = 0; c < GridColumns && !ended; c++) {
        for (int r = 0; r < GridRows && !ended; r++) {
            if (ReadLittleEndian32(file, &grid[c][r]) < 4) ended = true;
        }
    }
    fclose(file);
    return true;
}

static void RebuildPlatforms(int grid[GridColumns][GridRows], int base, int dirX) {
    int k = 0;
    for (int c = 0; c < GridColumns; c++)
        for (int r = 0; r < GridRows; r++)
            if (grid[c][r] == TilePlatformStart && k < ObjectsPerHalf) {
                Platform& p = g_game.platforms[base + k++];
                p.x = c * TileSize;
                p.y = r * TileSize;
                p.dirX = dirX;
            }
    for (; k < ObjectsPerHalf; k++) g_game.platforms[base + k].x = g_game.platforms[base + k].y = NoObject;
}

static void RebuildRollers(int grid[GridColumns][GridRows], int base) {
    int k = 0;
    for (int c = 0; c < GridColumns; c++)
        for (int r = 0; r < GridRows; r++)
            if (grid[c][r] == TileRollerStart && k < ObjectsPerHalf) {
                Roller& q = g_game.rollers[base + k++];
                q.x = c * TileSize;
                q.y = r * TileSize;
                q.phase = RandomNext() % 36; // dirX stays from the record's last occupant
            }
    for (; k < ObjectsPerHalf; k++) g_game.rollers[base + k].x = g_game.rollers[base + k].y = NoObject;
}

static void RebuildLifts(int grid[GridColumns][GridRows], int base) {
    int k = 0;
    for (int c = 0; c < GridColumns; c++)
        for (int r = 0; r < GridRows; r++)
            if (grid[c][r] == TileLiftStart && k < ObjectsPerHalf) {
                Lift& l = g_game.lifts[base + k++];
                l.x = c * TileSize;
                l.y = r * TileSize;
                l.phase = RandomNext() % 4; // dirY stays from the record's last occupant
            }
    for (; k < ObjectsPerHalf; k++) g_game.lifts[base + k].x = g_game.lifts[base + k].y = NoObject;
}

void LoadStage(void) {
    int n = g_game.stageNumber;
    char name[32];
    if (n < 10) snprintf(name, sizeof(name), "sg\\0%d.dat", n);
    else snprintf(name, sizeof(name), "sg\\%d.dat", n);

    if (n == 0) {
        ReadGridFile("sg\\00.dat", g_game.gridA);
        ReadGridFile("sg\\0.dat", g_game.gridB);
        RebuildPlatforms(g_game.gridA, 0, -1);
        RebuildPlatforms(g_game.gridB, ObjectsPerHalf, 1);
        RebuildRollers(g_game.gridA, 0);
        RebuildRollers(g_game.gridB, ObjectsPerHalf);
        RebuildLifts(g_game.gridA, 0);
        RebuildLifts(g_game.gridB, ObjectsPerHalf);
    } else if (n % 2 == 1) {
        if (!ReadGridFile(name, g_game.gridA)) g_game.stageNumber = 0; // the next wrap starts again from stage 1
        RebuildPlatforms(g_game.gridA, 0, -1);
        RebuildRollers(g_game.gridA, 0);
        RebuildLifts(g_game.gridA, 0);
    } else {
        if (!ReadGridFile(name, g_game.gridB)) g_game.stageNumber = 0;
        RebuildPlatforms(g_game.gridB, ObjectsPerHalf, 1);
        RebuildRollers(g_game.gridB, ObjectsPerHalf);
        RebuildLifts(g_game.gridB, ObjectsPerHalf);
    }
}
