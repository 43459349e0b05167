// Scratch folders and file writers shared by the game's unit tests.
#include "tests/game/game_test_util.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (!WriteFileBytes(path, bytes)) abort();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    return ReadFileBytes(path);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void WriteStage(const std::string& path, const int grid[20][15]) {
    std::vector<uint8_t> bytes;
    for (int c = 0; c < 20; c++)
        for (int r = 0; r < 15; r++) {
            uint32_t v = (uint32_t)grid[c][r];
            for (int i = 0; i < 4; i++) bytes.push_back((uint8_t)(v >> (8 * i)));
        }
    WriteBytes(path, bytes);
}

void ClearGrid(int grid[20][15]) {
    memset(grid, 0, sizeof(int) * 20 * 15);
}

#include "game/game_state.h"

void ClearObjects(void) {
    for (int i = 0; i < ObjectsPerKind; i++) {
        g_game.platforms[i].x = g_game.platforms[i].y = NoObject;
        g_game.rollers[i].x = g_game.rollers[i].y = NoObject;
        g_game.lifts[i].x = g_game.lifts[i].y = NoObject;
    }
}
