// The player's movement and tile contacts on a still stage half (no scrolling, no
// objects), frame by frame as the game moves him, and a search over every input
// sequence: used to check the coarse climbing model against the real jump physics.
#pragma once

#include <vector>

namespace physics {

struct Player {
  int x, y, vy;   // top-left corner and vertical speed
  int airborne;   // 1 while jumping or launched
  int frame;      // frame counter (gravity acts when it is a multiple of 3)
  int held;       // an action button was held on the previous frame
};

// One frame: horizontal input -1/0/+1 and the jump button; grid is [20][15] codes.
void Step(Player& p, int direction, bool jump, const std::vector<std::vector<int>>& grid);

// True when some input sequence brings the player, standing at (startX, startY), to
// stand on the cell (column, row) within the frame limit.
bool CanReach(const std::vector<std::vector<int>>& grid, int startX, int startY, int column, int row, int frames);

}  // namespace physics
