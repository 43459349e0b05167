// Player physics of a still stage half: each frame is one call of the game's own
// UpdatePlayer (input, jumps, gravity, objects and tile contacts) on a playfield that
// holds the grid in half A, nothing in half B and no objects. The runtime is not
// started: the player's draws and sounds are refused and cost nothing.
#include "player_physics.h"

#include "game/game_state.h"

#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace physics {

namespace {

void UsePlayfield(const std::vector<std::vector<int>>& grid) {
    GameState& g = g_game;
    ResetGameState();
    g.scene = ScenePlay;
    g.lives = 3;
    // No automatic sinking while the player stays low: the half stands still.
    g.scrollPeriod = 1 << 30;
    for (int c = 0; c < GridColumns; ++c)
        for (int r = 0; r < GridRows; ++r) {
            g.gridA[c][r] = grid[c][r];
            g.gridB[c][r] = 0;
        }
    for (int i = 0; i < ObjectsPerKind; ++i) {
        g.platforms[i].x = g.platforms[i].y = NoObject;
        g.rollers[i].x = g.rollers[i].y = NoObject;
        g.lifts[i].x = g.lifts[i].y = NoObject;
    }
}

void StepOnPlayfield(Player& p, int direction, bool jump) {
    GameState& g = g_game;
    g.playerX = p.x;
    g.playerY = p.y;
    g.playerVy = p.vy;
    g.playerAirborne = p.airborne;
    g.frameCount = p.frame;
    g.jumpHeldFrames = p.held;
    g.scrollA = p.scroll;
    g.padNow = (direction > 0 ? PAD_RIGHT : direction < 0 ? PAD_LEFT : 0) | (jump ? PAD_BUTTON1 : 0);
    UpdatePlayer();
    p.x = g.playerX;
    p.y = g.playerY;
    p.vy = g.playerVy;
    p.airborne = g.playerAirborne;
    p.frame = g.frameCount;
    p.held = g.jumpHeldFrames > 0 ? 1 : 0;
    p.scroll = g.scrollA;
}

} // namespace

void Step(Player& p, int direction, bool jump, const std::vector<std::vector<int>>& grid) {
    UsePlayfield(grid);
    StepOnPlayfield(p, direction, jump);
}

bool CanReach(const std::vector<std::vector<int>>& grid, int startX, int startY, int column, int row, int frames) {
    // States: x -8..312, y -64..271, vy -16..15, airborne, frame % 3, held, scroll -64..63.
    auto key = [](const Player& p) -> int64_t {
        int64_t k = (static_cast<int64_t>(p.x + 8) * 336 + (p.y + 64)) * 32 + (p.vy + 16);
        return ((((k * 2 + p.airborne) * 3 + p.frame % 3) * 2 + p.held) * 128) + (p.scroll + 64);
    };
    UsePlayfield(grid);
    std::unordered_set<int64_t> seen;
    // Frame 3 rather than 0: frame 0 is a sinking step for every period.
    std::vector<Player> layer = {{startX, startY, 0, 0, 3, 0, 0}};
    seen.insert(key(layer[0]));
    int tx = column * 16;
    for (int f = 0; f < frames && !layer.empty(); ++f) {
        std::vector<Player> next;
        for (const Player& s : layer)
            for (int d = -1; d <= 1; ++d)
                for (int j = 0; j < 2; ++j) {
                    Player p = s;
                    StepOnPlayfield(p, d, j == 1);
                    // From y 272 on the fall has started the miss: no floor holds him any more.
                    if (p.y >= 272 || p.y < -64 || p.vy < -16 || p.vy > 15 || p.scroll < -64 || p.scroll > 63) continue;
                    int ty = row * 16 - p.scroll;
                    if (p.airborne == 0 && p.vy == 0 && p.y == ty - 16 && tx < p.x + 12 && tx + 16 > p.x + 4)
                        return true;
                    if (!seen.insert(key(p)).second) continue;
                    next.push_back(p);
                }
        layer.swap(next);
    }
    return false;
}

} // namespace physics
