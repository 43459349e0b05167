// Stage lint: rules a stage must keep that the game does not enforce itself.
#pragma once
#include <string>
#include <vector>

// The screen edge a roller passes when it starts on the cell (column, row) of a
// [column][row] grid, moving by dir (-1 or +1) from a frame whose count % 3 is
// phase: -1 left, +1 right, 0 when the floor ends and walls of its grid turn it
// before its x leaves 0..304. The game turns a roller at the screen edge only
// while it is in view; one that reaches an edge above the screen rolls on and is
// never seen.
int RollerEdge(const std::vector<std::vector<int>>& grid, int column, int row, int dir, int phase);

// The faults of a stage, one line each; empty when it keeps every rule.
std::vector<std::string> LintStage(const std::vector<std::vector<int>>& grid);
