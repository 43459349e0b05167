// The climbing model used by the stage lint never promises a jump that the game's own
// physics cannot make: each of its moves is searched for with the real rules.
#include <gtest/gtest.h>

#include "player_physics.h"
#include "stage_model.h"

namespace {

std::vector<std::vector<int>> Empty() {
    return std::vector<std::vector<int>>(20, std::vector<int>(15, 0));
}

bool ModelSays(const std::vector<std::vector<int>>& cells, int c0, int r0, int c1, int r1) {
    stagemodel::StageGrid g{"t", cells};
    stagemodel::Shaft s = stagemodel::Stack({g});
    std::vector<int> t = stagemodel::ClimbTimes(s, {c0, r0});
    return t[c1 * s.rows + r1] >= 0;
}

} // namespace

TEST(PhysicsModel, JumpsTheModelAllowsAreRealOnes) {
    int checked = 0;
    for (int code : {1, 2}) {
        for (int dr = 0; dr <= 4; ++dr)
            for (int dc = 0; dc <= 4; ++dc) {
                if (dr == 0 && dc == 0) continue;
                auto g = Empty();
                // Start on a one-cell floor at column 6, row 13; the target cell dr rows up and dc columns right.
                g[6][13] = 1;
                g[6 + dc][13 - dr] = code;
                // Only the model's promises are checked: searching out a refusal costs the most.
                if (!ModelSays(g, 6, 13, 6 + dc, 13 - dr)) continue;
                EXPECT_TRUE(physics::CanReach(g, 96, 13 * 16 - 16, 6 + dc, 13 - dr, 160))
                    << "code " << code << " up " << dr << " across " << dc;
                ++checked;
            }
    }
    EXPECT_GE(checked, 20);
}

TEST(PhysicsModel, FourRowsUpNeedsALuckyJumpAndFiveAreOutOfReach) {
    auto g = Empty();
    g[6][13] = 1;
    for (int c = 0; c < 20; ++c) g[c][8] = 1;
    EXPECT_FALSE(physics::CanReach(g, 96, 13 * 16 - 16, 6, 8, 200));
    // Four rows (64 pixels) only with the 63-pixel jump of one frame phase in three,
    // which the model does not count on.
    g[6][9] = 1;
    EXPECT_TRUE(physics::CanReach(g, 96, 13 * 16 - 16, 6, 9, 200));
    EXPECT_FALSE(ModelSays(g, 6, 13, 6, 9));
    g[6][10] = 1;
    EXPECT_TRUE(physics::CanReach(g, 96, 13 * 16 - 16, 6, 10, 200));
    EXPECT_TRUE(ModelSays(g, 6, 13, 6, 10));
}

TEST(PhysicsModel, ABlockRightOverheadStopsTheJump) {
    auto g = Empty();
    g[6][13] = 1;
    g[6][10] = 2;
    g[7][10] = 2;
    g[5][10] = 2;
    EXPECT_FALSE(ModelSays(g, 6, 13, 6, 10));
    EXPECT_FALSE(physics::CanReach(g, 96, 13 * 16 - 16, 6, 10, 160));
}
