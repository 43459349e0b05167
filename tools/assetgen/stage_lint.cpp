// Stage lint: every roller turns before either screen edge. The roller's moves are
// followed frame by frame with the game's own rules for floor ends and walls,
// because a turn is tested in every frame but a move is made in only two of three.
#include "stage_lint.h"

#include "stage_compile.h"

namespace {

const int kRollerCode = 17;
const int kRightmost = 304; // the last x at which a roller is wholly on the screen

bool IsWall(int code) {
    return code == 2 || code == 3 || code == 21;
}

// How many turns the grid gives a roller at (x, y) in one frame; an even count
// leaves its direction as it was.
int TurnsAt(const std::vector<std::vector<int>>& grid, int x, int y) {
    int turns = 0;
    for (int c = 0; c < kStageColumns; ++c)
        for (int r = 0; r < kStageRows; ++r) {
            int code = grid[c][r];
            bool floorEnd = (code == 0 || code > 4) && r * 16 == y + 16 && c * 16 < x + 16 && c * 16 + 16 > x;
            bool wall = IsWall(code) && r * 16 <= y + 14 && y <= r * 16 + 14 && c * 16 < x + 14 && c * 16 + 16 > x + 2;
            turns += floorEnd + wall;
        }
    return turns;
}

} // namespace

int RollerEdge(const std::vector<std::vector<int>>& grid, int column, int row, int dir, int phase) {
    int x = column * 16, y = row * 16;
    // (x, direction, frame % 3) takes fewer than 305 * 2 * 3 values: by then the
    // roller is going round a loop it never leaves.
    for (int frame = phase; frame < phase + 305 * 2 * 3 + 3; ++frame) {
        if (frame % 3 != 0) x += dir;
        if (x < 0) return -1;
        if (x > kRightmost) return 1;
        if (TurnsAt(grid, x, y) % 2) dir = -dir;
    }
    return 0;
}

std::vector<std::string> LintStage(const std::vector<std::vector<int>>& grid) {
    std::vector<std::string> faults;
    for (int c = 0; c < kStageColumns; ++c)
        for (int r = 0; r < kStageRows; ++r) {
            if (grid[c][r] != kRollerCode) continue;
            bool left = false, right = false;
            for (int dir : {-1, 1})
                for (int phase = 0; phase < 3; ++phase) {
                    int edge = RollerEdge(grid, c, r, dir, phase);
                    left = left || edge < 0;
                    right = right || edge > 0;
                }
            if (left || right)
                faults.push_back("roller at column " + std::to_string(c) + ", row " + std::to_string(r) +
                                 " rolls off the " +
                                 (left && right ? "left and right screen edges"
                                  : left        ? "left screen edge"
                                                : "right screen edge") +
                                 ": end its floor or put a wall (code 21) before the edge");
        }
    return faults;
}
