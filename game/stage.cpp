// Stage files: loading a numbered file into its half and rebuilding that half's
// platforms, rollers and lifts from the start codes in it.
#include "game_files.h"
#include "game_state.h"

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

// Fills a half's records of one kind from its start codes, column by column, and
// empties the rest; place sets what else a new occupant gets.
template <typename Record, typename Place>
static void RebuildRecords(int grid[GridColumns][GridRows], int startCode, Record* records, Place place) {
    int k = 0;
    for (int c = 0; c < GridColumns; c++)
        for (int r = 0; r < GridRows; r++)
            if (grid[c][r] == startCode && k < ObjectsPerHalf) {
                Record& o = records[k++];
                o.x = c * TileSize;
                o.y = r * TileSize;
                place(o);
            }
    for (; k < ObjectsPerHalf; k++) records[k].x = records[k].y = NoObject;
}

static void RebuildPlatforms(int grid[GridColumns][GridRows], int base, int dirX) {
    RebuildRecords(grid, TilePlatformStart, g_game.platforms + base, [dirX](Platform& p) { p.dirX = dirX; });
}

static void RebuildRollers(int grid[GridColumns][GridRows], int base) {
    // dirX stays from the record's last occupant.
    RebuildRecords(grid, TileRollerStart, g_game.rollers + base, [](Roller& q) { q.phase = RandomNext() % 36; });
}

static void RebuildLifts(int grid[GridColumns][GridRows], int base) {
    // dirY stays from the record's last occupant.
    RebuildRecords(grid, TileLiftStart, g_game.lifts + base, [](Lift& l) { l.phase = RandomNext() % 4; });
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
