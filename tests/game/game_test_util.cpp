// Scratch folders and file writers shared by the game's unit tests.
#include "tests/game/game_test_util.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

ScratchDir::ScratchDir() {
    char cwd[4096];
    if (getcwd(cwd, sizeof(cwd))) m_previous = cwd;
    char pattern[] = "/tmp/bkt_game_XXXXXX";
    const char* made = mkdtemp(pattern);
    m_path = made ? made : "/tmp";
    if (chdir(m_path.c_str()) != 0) abort();
}

ScratchDir::~ScratchDir() {
    if (!m_previous.empty() && chdir(m_previous.c_str()) != 0) abort();
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) abort();
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    int c;
    while ((c = fgetc(file)) != EOF) bytes.push_back((uint8_t)c);
    fclose(file);
    return bytes;
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
