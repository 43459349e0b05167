// Rollers stay in play: the stage lint's roller rule agrees with the game's own
// roller code, and every roller of every shipped stage is seen on the screen as its
// half sinks through it.
#include "game/game_state.h"
#include "stage_lint.h"
#include "tests/game/game_test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The edge the game's roller code lets record 0 pass while its half is above the
// screen (-1 left, +1 right, 0 none), over as many frames as the lint follows.
int GameRollerEdge(const std::vector<std::vector<int>>& grid, int column, int row, int dir, int phase) {
    ResetGameState();
    ClearObjects();
    for (int c = 0; c < 20; c++)
        for (int r = 0; r < 15; r++) g_game.gridA[c][r] = grid[c][r];
    g_game.rollers[0] = Roller{column * 16, row * 16, dir, 0};
    g_game.scrollA = 1000;
    g_game.playerCondition = 1;
    g_game.frameCount = phase;
    // A state seen before means the roller goes round a loop it never leaves.
    std::vector<bool> visited(305 * 2 * 3, false);
    for (int i = 0; i < 305 * 2 * 3 + 3; i++) {
        UpdateRollers();
        g_game.frameCount++;
        const Roller& q = g_game.rollers[0];
        if (q.x < 0) return -1;
        if (q.x > 304) return 1;
        size_t state = (size_t)((q.x * 2 + (q.dirX > 0)) * 3 + g_game.frameCount % 3);
        if (visited[state]) return 0;
        visited[state] = true;
    }
    return 0;
}

TEST(StageRollers, LintRuleAgreesWithTheGameOnRandomFloors) {
    std::mt19937 rng(20261209);
    // Floors mostly, with gaps, blocks, pillars, sinking floors, scenery and walls.
    const int below[] = {1, 1, 1, 1, 1, 0, 2, 3, 4, 5, 12, 21};
    const int beside[] = {0, 0, 0, 0, 0, 0, 0, 2, 3, 21, 21, 1, 10};
    int lost = 0;
    for (int round = 0; round < 200; round++) {
        std::vector<std::vector<int>> grid(20, std::vector<int>(15, 0));
        int row = (int)(rng() % 14);
        for (int c = 0; c < 20; c++) {
            // Every other round a floor that runs to both edges, as the lost rollers' did.
            grid[c][row + 1] = round % 2 ? 1 : below[rng() % (sizeof below / sizeof below[0])];
            grid[c][row] = beside[rng() % (sizeof beside / sizeof beside[0])];
        }
        int column = (int)(rng() % 20);
        grid[column][row] = 17;
        int dir = rng() % 2 ? 1 : -1;
        int phase = (int)(rng() % 3);
        int edge = RollerEdge(grid, column, row, dir, phase);
        ASSERT_EQ(edge, GameRollerEdge(grid, column, row, dir, phase))
            << "round " << round << ", roller at " << column << "," << row << " dir " << dir << " phase " << phase;
        lost += edge != 0;
    }
    // Both verdicts were compared often enough.
    EXPECT_GT(lost, 30);
    EXPECT_LT(lost, 170);
}

// Runs the shipped stage (its half loaded by the game's LoadStage from the built
// data) while the half sinks from above the screen to below it, one pixel every
// `period` frames, until each roller has been seen wholly on the screen; returns
// how many never were.
int RollersNeverSeen(int stage, int dir, int period, std::string* which) {
    ResetGameState();
    ClearObjects();
    for (Roller& q : g_game.rollers) q.dirX = dir; // the direction a record keeps
    g_game.stageNumber = stage;
    LoadStage();
    g_game.playerCondition = 1;
    bool halfA = stage % 2 == 1;
    int& scroll = halfA ? g_game.scrollA : g_game.scrollB;
    scroll = 240;
    int first = halfA ? 0 : ObjectsPerHalf;
    bool seen[ObjectsPerHalf] = {};
    int toSee = 0;
    for (int k = 0; k < ObjectsPerHalf; k++) toSee += g_game.rollers[first + k].y != NoObject;
    for (int frame = 1; scroll > -240 && toSee > 0; frame++) {
        UpdateRollers();
        g_game.frameCount++;
        if (frame % period == 0) scroll--;
        for (int k = 0; k < ObjectsPerHalf; k++) {
            const Roller& q = g_game.rollers[first + k];
            int sy = q.y - scroll;
            if (q.y != NoObject && !seen[k] && sy > 0 && sy < 240 && q.x >= 0 && q.x <= 304) {
                seen[k] = true;
                toSee--;
            }
        }
    }
    int missing = 0;
    for (int k = 0; k < ObjectsPerHalf; k++) {
        const Roller& q = g_game.rollers[first + k];
        if (q.y != NoObject && !seen[k]) {
            missing++;
            *which += " (row " + std::to_string(q.y / 16) + ", moving " + (dir < 0 ? "left" : "right") + " at load)";
        }
    }
    return missing;
}

TEST(StageRollers, EveryRollerOfEveryStageIsSeenInView) {
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(BKT_DIST_DIR), 0);
    int stages = 0, lost = 0;
    for (int stage = 1;
         FileExists(stage < 10 ? "sg/0" + std::to_string(stage) + ".dat" : "sg/" + std::to_string(stage) + ".dat");
         stage++, stages++) {
        // The slowest and the fastest sinking, each with both kept directions.
        for (int period : {9, 2})
            for (int dir : {-1, 1}) {
                std::string which;
                int missing = RollersNeverSeen(stage, dir, period, &which);
                lost += missing;
                EXPECT_EQ(missing, 0) << "stage " << stage << ", one pixel every " << period << " frames:" << which;
            }
    }
    EXPECT_GE(stages, 30);
    EXPECT_EQ(lost, 0);
    ASSERT_EQ(chdir(previous), 0);
}

} // namespace
