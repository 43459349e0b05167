// Reading the generated stage files and a coarse climbing model of the shaft, used to
// judge that every stage can be climbed at the speed the shaft sinks when it is met.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stagemodel {

constexpr int kColumns = 20;
constexpr int kRows = 15;

// Tile codes of one stage, [column][row]; empty when the file is missing or not 1200 bytes.
struct StageGrid {
    std::string name;                    // "00", "0", "01", ...
    std::vector<std::vector<int>> cells; // [20][15]
};

StageGrid ReadStage(const std::string& distDir, const std::string& name);

// The stage order of a run: 00 and 0 first, 01 upward, and after the last stage the
// repeats the game makes when the next file is missing.
std::vector<std::string> RunOrder(const std::string& distDir);

// One standing place: the player stands on the cell (column, row) of the tall grid.
struct Spot {
    int column, row;
};

// A tall grid stacks the stages of a run bottom to top (the first stage at the bottom).
struct Shaft {
    int rows = 0;                        // kRows * stage count
    std::vector<std::vector<int>> cells; // [20][rows], row 0 at the top
    std::vector<std::string> names;      // stage names, bottom first
    int StageOfRow(int row) const { return static_cast<int>(names.size()) - 1 - row / kRows; }
};

Shaft Stack(const std::vector<StageGrid>& bottomFirst);

// Cheapest time in frames to reach each spot from the start spot, by walking (16 frames
// a cell), falling, jumping (up to 3 rows and 2 columns, 30 frames) and springs (up to 9
// rows, 45 frames); moving platforms and lifts count as floors along their whole path.
// Unreachable spots have -1. Index: column * rows + row.
std::vector<int> ClimbTimes(const Shaft& shaft, Spot start);

bool IsSpot(const Shaft& shaft, int column, int row);

} // namespace stagemodel
