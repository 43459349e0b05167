// The player's movement and tile contacts on a still stage half, stepped frame by frame
// by the game's own UpdatePlayer, and a search over every input sequence: used to check
// the coarse climbing model against the real jump physics.
#pragma once

#include <vector>

namespace physics {

struct Player {
    int x, y, vy; // top-left corner on the screen and vertical speed
    int airborne; // 1 while jumping or launched
    int frame;    // the game's frame counter (gravity acts when it is a multiple of 3)
    int held;     // an action button was held on the previous frame
    int scroll;   // half A's scroll offset: the world sinks as the player rises near the top
};

// One frame: horizontal input -1/0/+1 and the jump button; grid is [20][15] codes of
// half A, with half B empty and no objects.
void Step(Player& p, int direction, bool jump, const std::vector<std::vector<int>>& grid);

// True when some input sequence brings the player, standing at (startX, startY), to
// stand on the cell (column, row) within the frame limit.
bool CanReach(const std::vector<std::vector<int>>& grid, int startX, int startY, int column, int row, int frames);

} // namespace physics
