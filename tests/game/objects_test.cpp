// Platforms, rollers and lifts: turning, carrying and killing.
#include "game/game_state.h"
#include "tests/game/game_test_util.h"

#include <gtest/gtest.h>

class GameObjects : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGameState();
        ClearObjects();
        g_game.frameCount = 1;
        g_game.playerY = -320; // out of every contact unless a test places him
    }
    void Step(void (*update)(void), int frames) {
        for (int i = 0; i < frames; i++) {
            update();
            g_game.frameCount++;
        }
    }
};

TEST_F(GameObjects, PlatformBetweenInvisibleWalls) {
    g_game.gridA[3][5] = 21;
    g_game.gridA[8][5] = 21;
    g_game.platforms[0] = Platform{80, 80, 1};
    int lo = 1000, hi = -1000;
    for (int i = 0; i < 300; i++) {
        UpdatePlatforms();
        lo = std::min(lo, g_game.platforms[0].x);
        hi = std::max(hi, g_game.platforms[0].x);
    }
    EXPECT_EQ(hi, 115);
    EXPECT_EQ(lo, 61);
}

TEST_F(GameObjects, PlatformTurnsAtTheScreenEdge) {
    g_game.platforms[0] = Platform{304, 80, 1};
    UpdatePlatforms();
    EXPECT_EQ(g_game.platforms[0].x, 305);
    EXPECT_EQ(g_game.platforms[0].dirX, -1);
    UpdatePlatforms();
    EXPECT_EQ(g_game.platforms[0].x, 304);
}

TEST_F(GameObjects, PlatformCarriesThePlayer) {
    g_game.platforms[0] = Platform{100, 100, 1};
    g_game.playerX = 100;
    g_game.playerY = 84;
    g_game.playerVy = 0;
    for (int i = 0; i < 5; i++) {
        int x = g_game.playerX;
        UpdatePlatforms();
        EXPECT_EQ(g_game.playerX, x + 1);
        EXPECT_EQ(g_game.playerY, 84);
    }
}

TEST_F(GameObjects, ObjectsFreezeDuringNameEntry) {
    g_game.platforms[0] = Platform{100, 100, 1};
    g_game.rollers[0] = Roller{100, 100, 1, 0};
    g_game.lifts[0] = Lift{100, 100, 1, 0};
    g_game.rankEntryRow = 2;
    Step(UpdatePlatforms, 10);
    Step(UpdateRollers, 10);
    Step(UpdateLifts, 10);
    EXPECT_EQ(g_game.platforms[0].x, 100);
    EXPECT_EQ(g_game.rollers[0].x, 100);
    EXPECT_EQ(g_game.lifts[0].y, 100);
    g_game.rankEntryRow = 0;
    Step(UpdateLifts, 1);
    EXPECT_EQ(g_game.lifts[0].y, 101);
}

TEST_F(GameObjects, RollerTurnsAtTheEndOfItsFloor) {
    // Floor of code 1 in row 8 up to column 10; the roller runs on row 7.
    for (int c = 0; c <= 10; c++) g_game.gridA[c][8] = 1;
    g_game.rollers[0] = Roller{150, 112, 1, 0};
    int turnedAt = -1;
    for (int i = 0; i < 60 && turnedAt < 0; i++) {
        UpdateRollers();
        g_game.frameCount++;
        if (g_game.rollers[0].dirX == -1) turnedAt = g_game.rollers[0].x;
    }
    EXPECT_EQ(turnedAt, 161);
}

TEST_F(GameObjects, RollerMovesTwoPixelsInThree) {
    g_game.gridA[10][8] = 2;
    for (int c = 0; c < 20; c++) g_game.gridA[c][8] = 1;
    g_game.rollers[0] = Roller{100, 112, 1, 0};
    g_game.frameCount = 0;
    Step(UpdateRollers, 30);
    EXPECT_EQ(g_game.rollers[0].x, 120);
}

TEST_F(GameObjects, RollerFromTheSideKills) {
    for (int c = 0; c < 20; c++) g_game.gridA[c][8] = 1;
    g_game.rollers[0] = Roller{120, 112, -1, 0};
    g_game.playerX = 100;
    g_game.playerY = 112;
    g_game.playerVy = 0;
    for (int i = 0; i < 40 && g_game.playerCondition == 0; i++) {
        UpdateRollers();
        g_game.frameCount++;
    }
    EXPECT_EQ(g_game.playerCondition, 2);
    EXPECT_EQ(g_game.playerVy, -3);
    EXPECT_EQ(g_game.playerAirborne, 1);
    EXPECT_EQ(g_game.missSoundPlayed, 1);
}

TEST_F(GameObjects, RollerDoesNotKillARisingPlayerButCarriesOneLandingOnIt) {
    g_game.rollers[0] = Roller{100, 112, 1, 0};
    g_game.playerX = 100;
    g_game.playerY = 110;
    g_game.playerVy = -2;
    UpdateRollers();
    EXPECT_EQ(g_game.playerCondition, 0);
    g_game.playerY = 94;
    g_game.playerVy = 1;
    g_game.frameCount = 1;
    int x = g_game.playerX;
    UpdateRollers();
    EXPECT_EQ(g_game.playerY, 96);
    EXPECT_EQ(g_game.playerVy, 0);
    EXPECT_EQ(g_game.playerX, x + 1);
    EXPECT_EQ(g_game.playerCondition, 0);
}

TEST_F(GameObjects, LiftTurnsAtTheTopOfAnEmptyHalf) {
    g_game.lifts[0] = Lift{100, 3, -1, 0};
    int lo = 1000;
    for (int i = 0; i < 10; i++) {
        UpdateLifts();
        lo = std::min(lo, g_game.lifts[0].y);
    }
    EXPECT_EQ(lo, -1);
    EXPECT_EQ(g_game.lifts[0].dirY, 1);
}

TEST_F(GameObjects, LiftTurnsFourteenPixelsBelowABlock) {
    g_game.gridA[6][2] = 2; // top at y 32
    g_game.lifts[0] = Lift{96, 100, -1, 0};
    int lo = 1000;
    for (int i = 0; i < 100; i++) {
        UpdateLifts();
        lo = std::min(lo, g_game.lifts[0].y);
    }
    EXPECT_EQ(lo, 46);
}

TEST_F(GameObjects, LiftFromBelowKillsEvenARisingPlayer) {
    // The lift rises to 119; the player's feet are inside its lower part.
    g_game.lifts[0] = Lift{100, 120, -1, 0};
    g_game.playerX = 100;
    g_game.playerY = 116;
    g_game.playerVy = -2;
    UpdateLifts();
    EXPECT_EQ(g_game.playerCondition, 2);
}

TEST_F(GameObjects, StandingOnALiftRidesIt) {
    g_game.lifts[0] = Lift{100, 120, -1, 0};
    g_game.playerX = 100;
    g_game.playerY = 104;
    g_game.playerVy = 0;
    UpdateLifts();
    EXPECT_EQ(g_game.playerY, 103);
    EXPECT_EQ(g_game.playerCondition, 0);
}

TEST_F(GameObjects, RespawningPlayerIsNotTouched) {
    g_game.lifts[0] = Lift{100, 120, -1, 0};
    g_game.playerX = 100;
    g_game.playerY = 106;
    g_game.playerCondition = 1;
    UpdateLifts();
    EXPECT_EQ(g_game.playerCondition, 1);
}
