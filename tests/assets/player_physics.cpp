// Player physics of a still stage half, following the game's rules for input, jumps,
// gravity every third frame and the contacts of blocks, pillars and one-way floors.
#include "player_physics.h"

#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace physics {

void Step(Player& p, int direction, bool jump, const std::vector<std::vector<int>>& grid) {
  int prevX = p.x;
  p.x += direction;
  if (p.x > 312) p.x = 312;
  if (p.x < -8) p.x = -8;
  if (jump) {
    if (!p.held && p.airborne == 0 && p.vy < 1) {
      p.vy = -6;
      p.airborne = 1;
    }
    p.held = 1;
  } else {
    p.held = 0;
  }
  p.y += p.vy;
  if (p.frame % 3 == 0) p.vy += 1;
  auto overlap = [&](int tx, int a, int b) { return tx < p.x + a && tx + 16 > p.x + b; };
  for (int c = 0; c < 20; ++c)
    for (int r = 0; r < 15; ++r) {
      int v = grid[c][r], tx = c * 16, ty = r * 16;
      if (v == 2 && -32 < ty && ty < 256) {
        if (ty <= p.y + 17 && ty + 2 >= p.y && overlap(tx, 11, 5) && p.vy >= 0) {
          p.airborne = 0;
          p.y = ty - 16;
          p.vy = 0;
        }
        if (ty <= p.y + 8 && ty >= p.y - 12 && overlap(tx, 11, 5)) {
          p.y = ty + 20;
          p.vy = 1;
        }
        if (ty + 4 <= p.y + 8 && ty + 4 >= p.y - 10 && overlap(tx, 12, 4)) p.x = prevX;
      }
      if (v == 3 && -32 < ty && ty < 256) {
        if (ty <= p.y + 16 && ty >= p.y - 16 && overlap(tx, 12, 4)) p.x = prevX;
        if (ty <= p.y + 12 && ty >= p.y - 16 && overlap(tx, 10, 6)) {
          p.y = ty + 20;
          p.vy = 1;
        }
      }
      if (p.vy >= 0 && v == 1 && 0 < ty && ty < 256 && ty <= p.y + 17 && ty + 2 >= p.y + 10 && overlap(tx, 12, 4)) {
        p.airborne = 0;
        p.y = ty - 16;
        p.vy = 0;
      }
    }
  p.frame++;
}

bool CanReach(const std::vector<std::vector<int>>& grid, int startX, int startY, int column, int row, int frames) {
  // States: x -8..312, y -64..320, vy -16..15, airborne, frame % 3, held.
  auto key = [](const Player& p) -> int64_t {
    return ((((static_cast<int64_t>(p.x + 8) * 385 + (p.y + 64)) * 32 + (p.vy + 16)) * 2 + p.airborne) * 3 + p.frame % 3) * 2 + p.held;
  };
  std::unordered_set<int64_t> seen;
  std::vector<Player> layer = {{startX, startY, 0, 0, 0, 0}};
  seen.insert(key(layer[0]));
  int tx = column * 16, ty = row * 16;
  for (int f = 0; f < frames && !layer.empty(); ++f) {
    std::vector<Player> next;
    for (const Player& s : layer)
      for (int d = -1; d <= 1; ++d)
        for (int j = 0; j < 2; ++j) {
          Player p = s;
          Step(p, d, j == 1, grid);
          if (p.y > 320 || p.y < -64 || p.vy < -16 || p.vy > 15) continue;
          if (p.airborne == 0 && p.vy == 0 && p.y == ty - 16 && tx < p.x + 12 && tx + 16 > p.x + 4) return true;
          if (!seen.insert(key(p)).second) continue;
          next.push_back(p);
        }
    layer.swap(next);
  }
  return false;
}

}  // namespace physics
