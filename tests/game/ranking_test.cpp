// The ranking: score insertion, name entry, and "score.dat" reading and writing.
#include "game/game_state.h"
#include "tests/game/game_test_util.h"

#include <gtest/gtest.h>

#include <string.h>
#include <sys/stat.h>

static std::string NameOf(int row) {
    return std::string(g_game.rankName[row], 3);
}

class GameRanking : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGameState();
        ResetRanking();
    }
    ScratchDir dir;
};

TEST_F(GameRanking, DefaultTable) {
    const int scores[5] = {500, 400, 300, 200, 100};
    const char* names[5] = {"KOA", "RUM", "TAV", "ZEP", "NOX"};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(g_game.rankScore[i], scores[i]);
        EXPECT_EQ(NameOf(i), names[i]);
    }
}

TEST_F(GameRanking, FourHundredFiftyEntersRowTwo) {
    InsertRankingScore(450);
    EXPECT_EQ(g_game.rankEntryRow, 2);
    const int scores[5] = {500, 450, 400, 300, 200};
    const char* names[5] = {"KOA", "AAA", "RUM", "TAV", "ZEP"};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(g_game.rankScore[i], scores[i]) << i;
        EXPECT_EQ(NameOf(i), names[i]) << i;
    }
}

TEST_F(GameRanking, EqualOrLowScoresEnterNoRow) {
    for (int s : {400, 100, 0, -5, 500, 300}) {
        ResetRanking();
        g_game.rankEntryRow = 0;
        InsertRankingScore(s);
        EXPECT_EQ(g_game.rankEntryRow, 0) << s;
        EXPECT_EQ(g_game.rankScore[4], 100) << s;
    }
}

TEST_F(GameRanking, EdgesOfTheTable) {
    InsertRankingScore(101);
    EXPECT_EQ(g_game.rankEntryRow, 5);
    EXPECT_EQ(g_game.rankScore[4], 101);
    EXPECT_EQ(NameOf(4), "AAA");

    ResetRanking();
    InsertRankingScore(501);
    EXPECT_EQ(g_game.rankEntryRow, 1);
    EXPECT_EQ(g_game.rankScore[0], 501);
    EXPECT_EQ(g_game.rankScore[1], 500);
    EXPECT_EQ(NameOf(1), "KOA");
    EXPECT_EQ(g_game.rankScore[4], 200); // NOX fell out
    EXPECT_EQ(NameOf(4), "ZEP");
}

TEST_F(GameRanking, WrittenFileHasTheExactBytes) {
    InsertRankingScore(450);
    WriteRanking();
    std::vector<uint8_t> bytes = ReadBytes("score.dat");
    ASSERT_EQ(bytes.size(), 35u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 7, bytes.begin() + 14),
              (std::vector<uint8_t>{0xC2, 0x01, 0x00, 0x00, 'A', 'A', 'A'}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 7),
              (std::vector<uint8_t>{0xF4, 0x01, 0x00, 0x00, 'K', 'O', 'A'}));
    EXPECT_FALSE(FileExists("score.dat.tmp"));
}

TEST_F(GameRanking, ReadBackWhatWasWritten) {
    g_game.rankScore[2] = -7;
    memcpy(g_game.rankName[2], "\x01Zq", 3);
    WriteRanking();
    ResetRanking();
    ReadRanking();
    EXPECT_EQ(g_game.rankScore[2], -7);
    EXPECT_EQ(NameOf(2), std::string("\x01Zq", 3));
    EXPECT_EQ(g_game.rankScore[0], 500);
}

TEST_F(GameRanking, MissingFileGivesDefaultsAndCreatesNothing) {
    g_game.rankScore[0] = 1;
    ReadRanking();
    EXPECT_EQ(g_game.rankScore[0], 500);
    EXPECT_FALSE(FileExists("score.dat"));
}

TEST_F(GameRanking, ShortFileIsReadAsFarAsItGoes) {
    // Record 0 whole, record 1's score whole and one letter, then nothing.
    WriteBytes("score.dat", {0x10, 0x27, 0, 0, 'A', 'B', 'C', 0x05, 0, 0, 0, 'X'});
    ReadRanking();
    EXPECT_EQ(g_game.rankScore[0], 10000);
    EXPECT_EQ(NameOf(0), "ABC");
    EXPECT_EQ(g_game.rankScore[1], 5);
    EXPECT_EQ(NameOf(1), "XUM"); // only the first letter replaced
    EXPECT_EQ(g_game.rankScore[2], 300);
    EXPECT_EQ(NameOf(4), "NOX");
}

TEST_F(GameRanking, PartialScoreReplacesOnlyLeadingBytes) {
    WriteBytes("score.dat", {0xF4, 0x01, 0x00, 0x00, 'K', 'O', 'A', 0x02});
    g_game.rankScore[1] = 0x12345678;
    ReadRanking();
    EXPECT_EQ(g_game.rankScore[1], 0x12345602);
}

TEST_F(GameRanking, EmptyFileChangesNothing) {
    WriteBytes("score.dat", {});
    g_game.rankScore[0] = 42;
    ReadRanking();
    EXPECT_EQ(g_game.rankScore[0], 42); // the file opened: no defaults either
}

TEST_F(GameRanking, FailedWriteKeepsThePreviousRanking) {
    WriteRanking();
    std::vector<uint8_t> before = ReadBytes("score.dat");
    ASSERT_EQ(mkdir("score.dat.tmp", 0755), 0);
    g_game.rankScore[0] = 999;
    WriteRanking();
    EXPECT_EQ(ReadBytes("score.dat"), before);
}

// Name entry drives UpdateGameOver; the runtime is not started, so its drawing calls
// are refused and only the game's rules act.
class GameNameEntry : public GameRanking {
protected:
    void Press(int pad) {
        g_game.padPrev = 0;
        g_game.padNow = pad;
        UpdateGameOver();
        g_game.padPrev = pad;
        g_game.padNow = 0;
        UpdateGameOver(); // release
        g_game.padPrev = 0;
    }
};

TEST_F(GameNameEntry, LettersWrapAndThreePressesWrite) {
    InsertRankingScore(450);
    g_game.scene = SceneGameOver;
    Press(PAD_UP); // 'A' - 1 wraps to 'Z'
    EXPECT_EQ(g_game.rankName[1][0], 'Z');
    Press(PAD_DOWN); // 'Z' + 1 wraps to 'A'
    Press(PAD_DOWN);
    EXPECT_EQ(g_game.rankName[1][0], 'B');
    Press(0x10);
    EXPECT_EQ(g_game.rankEntryLetter, 1);
    EXPECT_FALSE(FileExists("score.dat"));
    Press(PAD_LEFT);
    EXPECT_EQ(g_game.rankEntryLetter, 0);
    Press(PAD_LEFT); // nothing left of the first letter
    EXPECT_EQ(g_game.rankEntryLetter, 0);
    Press(PAD_RIGHT);
    Press(0x20);
    EXPECT_EQ(g_game.rankEntryRow, 2);
    Press(0x2000);
    EXPECT_EQ(g_game.rankEntryRow, 0);
    EXPECT_EQ(g_game.rankEntryLetter, 0);
    std::vector<uint8_t> bytes = ReadBytes("score.dat");
    ASSERT_EQ(bytes.size(), 35u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 7, bytes.begin() + 14),
              (std::vector<uint8_t>{0xC2, 0x01, 0x00, 0x00, 'B', 'A', 'A'}));
    EXPECT_EQ(g_game.scene, SceneGameOver); // the scene stays until a fresh press
}

TEST_F(GameNameEntry, HeldKeysAndCombinationsDoNothing) {
    InsertRankingScore(450);
    g_game.padPrev = PAD_DOWN; // held from the previous frame
    g_game.padNow = PAD_DOWN;
    UpdateGameOver();
    EXPECT_EQ(g_game.rankName[1][0], 'A');
    g_game.padPrev = 0;
    g_game.padNow = PAD_DOWN | PAD_LEFT; // not exactly down
    UpdateGameOver();
    EXPECT_EQ(g_game.rankName[1][0], 'A');
    EXPECT_EQ(g_game.rankEntryLetter, 0);
}

TEST_F(GameNameEntry, LettersOutsideTheAlphabetMoveWithoutWrapping) {
    InsertRankingScore(450);
    g_game.rankName[1][0] = '0';
    Press(PAD_UP);
    EXPECT_EQ(g_game.rankName[1][0], '/');
    g_game.rankName[1][0] = 0x5C;
    Press(PAD_DOWN);
    EXPECT_EQ(g_game.rankName[1][0], 0x5D);
}

TEST_F(GameNameEntry, IdleSceneScrollsAndReturnsToTitle) {
    g_game.scene = SceneGameOver;
    g_game.scrollA = 0;
    g_game.scrollB = 240;
    for (int i = 0; i < 900; i++) UpdateGameOver();
    EXPECT_EQ(g_game.scene, SceneGameOver);
    EXPECT_EQ(g_game.idleFrames, 900);
    EXPECT_EQ(g_game.scrollPeriod, 1);
    UpdateGameOver();
    EXPECT_EQ(g_game.scene, SceneTitle);
}

TEST_F(GameNameEntry, EntryStopsTheIdleCountAndTheScroll) {
    InsertRankingScore(450);
    g_game.scrollA = 10;
    for (int i = 0; i < 50; i++) UpdateGameOver();
    EXPECT_EQ(g_game.idleFrames, 0);
    EXPECT_EQ(g_game.scrollA, 10);
}
