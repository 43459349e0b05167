// Stage files: names, partial files, missing files, and the objects built from them.
#include "game/game_state.h"
#include "tests/game/game_test_util.h"

#include <gtest/gtest.h>

class GameStage : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGameState();
        ClearObjects();
        ClearGrid(grid);
    }
    ScratchDir dir;
    int grid[20][15];
};

TEST_F(GameStage, StageZeroLoadsBothHalves) {
    grid[3][4] = 2;
    WriteStage("sg/00.dat", grid);
    ClearGrid(grid);
    grid[7][1] = 5;
    WriteStage("sg/0.dat", grid);
    LoadStage();
    EXPECT_EQ(g_game.gridA[3][4], 2);
    EXPECT_EQ(g_game.gridA[7][1], 0);
    EXPECT_EQ(g_game.gridB[7][1], 5);
    EXPECT_EQ(g_game.stageNumber, 0);
}

TEST_F(GameStage, FileOrderIsColumnMajor) {
    std::vector<uint8_t> bytes(1200, 0);
    bytes[4 * 16] = 7; // the 17th value: column 1, row 1
    WriteBytes("sg/01.dat", bytes);
    g_game.stageNumber = 1;
    LoadStage();
    EXPECT_EQ(g_game.gridA[1][1], 7);
    EXPECT_EQ(g_game.gridA[0][15 - 1], 0);
}

TEST_F(GameStage, NumbersPickTheirFileAndHalf) {
    grid[0][0] = 9 + 100; // a mark per file, not an object code
    WriteStage("sg/09.dat", grid);
    grid[0][0] = 10 + 100;
    WriteStage("sg/10.dat", grid);
    grid[0][0] = 12 + 100;
    WriteStage("sg/12.dat", grid);
    g_game.stageNumber = 9;
    LoadStage();
    EXPECT_EQ(g_game.gridA[0][0], 109);
    g_game.stageNumber = 10;
    LoadStage();
    EXPECT_EQ(g_game.gridB[0][0], 110);
    EXPECT_EQ(g_game.gridA[0][0], 109);
    g_game.stageNumber = 12;
    LoadStage();
    EXPECT_EQ(g_game.gridB[0][0], 112);
    EXPECT_EQ(g_game.stageNumber, 12);
}

TEST_F(GameStage, UpperCaseFolderIsFound) {
    grid[2][2] = 3;
    WriteStage("SG/03.DAT", grid);
    g_game.stageNumber = 3;
    LoadStage();
    EXPECT_EQ(g_game.gridA[2][2], 3);
    EXPECT_EQ(g_game.stageNumber, 3);
}

TEST_F(GameStage, MissingFileRestartsTheCountAndKeepsTheTiles) {
    g_game.gridB[5][5] = 4;
    g_game.gridB[6][6] = 20;
    g_game.stageNumber = 6;
    LoadStage();
    EXPECT_EQ(g_game.stageNumber, 0);
    EXPECT_EQ(g_game.gridB[5][5], 4);
    // The half's objects are rebuilt from what it still holds.
    EXPECT_EQ(g_game.platforms[10].x, 96);
    EXPECT_EQ(g_game.platforms[10].y, 96);
    EXPECT_EQ(g_game.platforms[10].dirX, 1);
}

TEST_F(GameStage, ShortFileFillsOnlyWhatItHas) {
    for (int c = 0; c < 20; c++)
        for (int r = 0; r < 15; r++) g_game.gridA[c][r] = 0x7F7F7F7F;
    // Two whole values and two bytes of a third.
    WriteBytes("sg/01.dat", {1, 0, 0, 0, 2, 0, 0, 0, 3, 0});
    g_game.stageNumber = 1;
    LoadStage();
    EXPECT_EQ(g_game.gridA[0][0], 1);
    EXPECT_EQ(g_game.gridA[0][1], 2);
    EXPECT_EQ(g_game.gridA[0][2], 0x7F7F0003);
    EXPECT_EQ(g_game.gridA[0][3], 0x7F7F7F7F);
    EXPECT_EQ(g_game.gridA[19][14], 0x7F7F7F7F);
    EXPECT_EQ(g_game.stageNumber, 1);
}

TEST_F(GameStage, PlatformsInScanOrderAndEmptyRecords) {
    grid[5][2] = 20;
    grid[5][7] = 20;
    grid[5][11] = 20;
    WriteStage("sg/01.dat", grid);
    g_game.stageNumber = 1;
    LoadStage();
    EXPECT_EQ(g_game.platforms[0].x, 80);
    EXPECT_EQ(g_game.platforms[0].y, 32);
    EXPECT_EQ(g_game.platforms[1].y, 112);
    EXPECT_EQ(g_game.platforms[2].y, 176);
    EXPECT_EQ(g_game.platforms[0].dirX, -1);
    for (int i = 3; i < 10; i++) {
        EXPECT_EQ(g_game.platforms[i].x, 9999);
        EXPECT_EQ(g_game.platforms[i].y, 9999);
    }
    EXPECT_EQ(g_game.platforms[10].x, 9999); // half B untouched
}

TEST_F(GameStage, AtMostTenObjectsOfAKindPerHalf) {
    for (int c = 0; c < 12; c++) grid[c][3] = 17;
    WriteStage("sg/02.dat", grid);
    g_game.stageNumber = 2;
    LoadStage();
    for (int k = 0; k < 10; k++) {
        EXPECT_EQ(g_game.rollers[10 + k].x, k * 16);
        EXPECT_EQ(g_game.rollers[10 + k].y, 48);
    }
    EXPECT_EQ(g_game.rollers[0].x, 9999); // half A's records untouched
}

TEST_F(GameStage, RollerPhaseFromTheGeneratorAndDirectionKept) {
    grid[4][4] = 17;
    grid[6][6] = 9;
    WriteStage("sg/00.dat", grid);
    g_game.rollers[0].dirX = -1;
    g_game.lifts[0].dirY = -1;
    RandomSeed(1);
    LoadStage();
    EXPECT_EQ(g_game.rollers[0].phase, 130 % 36); // 22
    EXPECT_EQ(g_game.rollers[0].dirX, -1);
    EXPECT_EQ(g_game.lifts[0].phase, 10982 % 4);
    EXPECT_EQ(g_game.lifts[0].dirY, -1);
    EXPECT_EQ(g_game.lifts[0].x, 96);
}
