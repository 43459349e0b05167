// Stage sources: 20 x 15 character grids translated through a legend into the
// game's stage files (300 little-endian 32-bit codes, column after column).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kStageColumns = 20;
constexpr int kStageRows = 15;

struct StageLegend {
    int code[128]; // tile code per grid character, -1 = not in the legend
};

StageLegend LoadStageLegend(const std::string& path);
// Grid codes indexed [column][row]; exits with a source error on a bad grid.
std::vector<std::vector<int>> ReadStageGrid(const std::string& path, const StageLegend& legend);
// The 1200 bytes of a stage file.
std::vector<uint8_t> EncodeStageFile(const std::vector<std::vector<int>>& grid);
