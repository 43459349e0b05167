// Player physics on hand-made playfields: jumps, springs, scrolling and score,
// falling out and respawning. The runtime is not started; its draws are refused.
#include "game/game_state.h"
#include "tests/game/game_test_util.h"

#include <gtest/gtest.h>

class GamePlayer : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGameState();
        ClearObjects();
        g_game.scene = ScenePlay;
        g_game.scrollPeriod = 1000000; // no automatic scroll unless a test wants it
        g_game.frameCount = 1;
    }
    // A block under the player's feet: column 10, row 12 of half A (top at y 192).
    void StandOnBlock() {
        g_game.gridA[10][12] = 2;
        g_game.playerX = 160;
        g_game.playerY = 176;
        g_game.playerVy = 0;
        g_game.playerAirborne = 0;
    }
    void Frame(int pad) {
        g_game.padNow = pad;
        UpdatePlayer();
        g_game.padPrev = pad;
    }
    ScratchDir dir;
};

TEST_F(GamePlayer, StandingOnABlockStaysPut) {
    StandOnBlock();
    for (int i = 0; i < 30; i++) {
        Frame(0);
        ASSERT_EQ(g_game.playerY, 176);
        ASSERT_EQ(g_game.playerVy, 0);
        ASSERT_EQ(g_game.playerAirborne, 0);
    }
}

TEST_F(GamePlayer, JumpHeightDependsOnTheFramePhase) {
    // frameCount % 3 on the jump frame: 0 -> 51, 1 -> 63, 2 -> 57 pixels.
    const int expected[3] = {51, 63, 57};
    for (int phase = 0; phase < 3; phase++) {
        SetUp();
        StandOnBlock();
        g_game.frameCount = 3 + phase;
        Frame(0x10);
        int top = g_game.playerY;
        for (int i = 0; i < 60 && g_game.playerAirborne; i++) {
            Frame(0x10);
            top = std::min(top, g_game.playerY);
        }
        EXPECT_EQ(176 - top, expected[phase]) << "phase " << phase;
        EXPECT_EQ(g_game.playerY, 176) << "landed again";
        EXPECT_EQ(g_game.playerAirborne, 0);
    }
}

TEST_F(GamePlayer, HeldButtonDoesNotJumpAgain) {
    StandOnBlock();
    Frame(0x10);
    for (int i = 0; i < 60; i++) Frame(0x10);
    ASSERT_EQ(g_game.playerY, 176);
    Frame(0x10);
    EXPECT_EQ(g_game.playerAirborne, 0);
    EXPECT_GT(g_game.jumpHeldFrames, 60);
    Frame(0); // release for one frame
    Frame(0x10);
    EXPECT_EQ(g_game.playerAirborne, 1);
    EXPECT_LT(g_game.playerY, 176);
}

TEST_F(GamePlayer, JumpWithDirectionIsAllowed) {
    StandOnBlock();
    Frame(0x10 | PAD_RIGHT);
    EXPECT_EQ(g_game.playerAirborne, 1);
    EXPECT_EQ(g_game.playerX, 161);
    EXPECT_EQ(g_game.playerFacing, 0);
}

TEST_F(GamePlayer, SpringLaunchesAtMinusTen) {
    // Spring at column 10, row 12 (top 192): the player falls onto it.
    g_game.gridA[10][12] = 5;
    g_game.playerX = 160;
    g_game.playerY = 180;
    g_game.playerVy = 2;
    g_game.frameCount = 1;
    Frame(0);
    EXPECT_EQ(g_game.playerVy, -10);
    EXPECT_EQ(g_game.playerAirborne, 1);
    Frame(0);
    EXPECT_EQ(g_game.playerY, 180 + 2 - 10);
    EXPECT_EQ(g_game.playerVy, -10);
}

TEST_F(GamePlayer, ScrollBandMovesTheWorldNotThePlayer) {
    g_game.playerX = 160;
    g_game.playerY = 60;
    g_game.playerVy = -4;
    g_game.playerAirborne = 1;
    g_game.frameCount = 1;
    Frame(0);
    EXPECT_EQ(g_game.playerY, 60);
    EXPECT_EQ(g_game.scrollA, -4);
    EXPECT_EQ(g_game.scrollB, 236);
    EXPECT_EQ(g_game.score, 4);
}

TEST_F(GamePlayer, AutomaticScrollAndScore) {
    // Below the band with period 9: one pixel and one tenth every 9 frames.
    StandOnBlock();
    g_game.scrollPeriod = 9;
    g_game.frameCount = 1;
    for (int i = 0; i < 90; i++) Frame(0);
    EXPECT_EQ(g_game.score, 10);
    EXPECT_EQ(g_game.scrollA, -10);
    // In the band and not rising: every frame.
    g_game.gridA[10][12] = 0;
    g_game.playerY = 40;
    g_game.playerVy = 0;
    int score = g_game.score;
    Frame(0);
    EXPECT_EQ(g_game.score, score + 1);
}

TEST_F(GamePlayer, FirstFrameOfARunMakesThePeriodEight) {
    StartNewGame();
    EXPECT_EQ(g_game.scrollPeriod, 9);
    Frame(0);
    EXPECT_EQ(g_game.scrollPeriod, 8);
    EXPECT_EQ(g_game.frameCount, 1);
}

TEST_F(GamePlayer, FallingOutCostsALifeAndRespawnsBlinking) {
    g_game.lives = 5;
    g_game.playerX = 40;
    g_game.playerY = 318;
    g_game.playerVy = 3;
    g_game.scrollPeriod = 9;
    Frame(0);
    EXPECT_EQ(g_game.lives, 4);
    EXPECT_EQ(g_game.scrollPeriod, 10);
    EXPECT_EQ(g_game.playerX, 160);
    EXPECT_EQ(g_game.playerY, 128);
    EXPECT_EQ(g_game.playerCondition, 1);
    EXPECT_EQ(g_game.respawnTimer, 89);
    EXPECT_EQ(g_game.scene, ScenePlay);
    int touchable = 0;
    for (int i = 0; i < 88; i++) {
        Frame(0);
        if (g_game.playerCondition == 0) touchable++;
        else ASSERT_EQ(g_game.playerY, 128);
    }
    EXPECT_EQ(g_game.respawnTimer, 1);
    EXPECT_EQ(g_game.playerCondition, 0);
    EXPECT_EQ(touchable, 2); // the last two frames
}

TEST_F(GamePlayer, LastLifeEndsTheRunIntoTheRanking) {
    ResetRanking();
    g_game.lives = 0;
    g_game.score = 4509;
    g_game.playerY = 330;
    Frame(0);
    EXPECT_EQ(g_game.scene, SceneGameOver);
    EXPECT_EQ(g_game.rankEntryRow, 2);
    EXPECT_EQ(g_game.rankScore[1], 450);
}

TEST_F(GamePlayer, WrapLoadsTheNextStageAboveTheOtherHalf) {
    StandOnBlock();
    g_game.scrollA = -239;
    g_game.scrollB = 1;
    g_game.scrollPeriod = 1;
    g_game.stageNumber = 0;
    Frame(0);
    EXPECT_EQ(g_game.scrollA, 240);   // scrollB (0) + 240
    EXPECT_EQ(g_game.stageNumber, 0); // no sg/01.dat: back to 0
}

TEST_F(GamePlayer, HalfBFloorsStopAt240) {
    // A one-way floor of half B whose top is at 240 does not hold; one of half A does.
    g_game.scrollB = -16; // row 14's top at 224 + 16 = 240
    g_game.gridB[10][14] = 1;
    g_game.playerX = 160;
    g_game.playerY = 226;
    g_game.playerVy = 1;
    g_game.playerAirborne = 1;
    g_game.frameCount = 1;
    Frame(0);
    EXPECT_EQ(g_game.playerAirborne, 1);
    EXPECT_EQ(g_game.playerY, 227);
    SetUp();
    g_game.scrollA = -16;
    g_game.gridA[10][14] = 1;
    g_game.playerX = 160;
    g_game.playerY = 226;
    g_game.playerVy = 1;
    g_game.playerAirborne = 1;
    Frame(0);
    EXPECT_EQ(g_game.playerAirborne, 0);
    EXPECT_EQ(g_game.playerY, 224);
}

TEST_F(GamePlayer, WallsBlockSidewaysAndCannotBeStoodOn) {
    g_game.gridA[11][10] = 3; // x 176..191, y 160..175
    g_game.playerX = 164;
    g_game.playerY = 160;
    g_game.playerVy = 0;
    g_game.playerAirborne = 0;
    Frame(PAD_RIGHT);
    EXPECT_EQ(g_game.playerX, 164);
    Frame(PAD_LEFT);
    EXPECT_EQ(g_game.playerX, 163);
}
