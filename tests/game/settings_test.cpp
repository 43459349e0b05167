// "config.ini": reading any length of file, and writing it by replacement.
#include "game/game_state.h"
#include "tests/game/game_test_util.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(GameSettings, MissingFileMeansSmallWindowAndCreatesNothing) {
    ScratchDir dir;
    ResetGameState();
    g_game.windowMode = 2;
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, 1);
    EXPECT_FALSE(FileExists("config.ini"));
}

TEST(GameSettings, ShortFilesReplaceOnlyTheirLeadingBytes) {
    ScratchDir dir;
    ResetGameState();
    WriteBytes("config.ini", {});
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, 1); // empty: unchanged
    WriteBytes("config.ini", {2});
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, 2);
    g_game.windowMode = 0x11223344;
    WriteBytes("config.ini", {0x01, 0x02, 0x03});
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, 0x11030201);
}

TEST(GameSettings, FullFileAndOddValues) {
    ScratchDir dir;
    ResetGameState();
    WriteBytes("config.ini", {7, 0, 0, 0, 0xAA, 0xBB}); // extra bytes are ignored
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, 7);
    WriteBytes("config.ini", {0, 0, 0, 0});
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, 0);
    WriteBytes("config.ini", {0xFF, 0xFF, 0xFF, 0xFF});
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, -1);
}

TEST(GameSettings, FoundWhateverTheCaseOnDisk) {
    ScratchDir dir;
    ResetGameState();
    WriteBytes("CONFIG.INI", {2, 0, 0, 0});
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, 2);
}

TEST(GameSettings, WriteGivesFourLittleEndianBytesAndNoLeftovers) {
    ScratchDir dir;
    ResetGameState();
    g_game.windowMode = 2;
    WriteSettings();
    EXPECT_EQ(ReadBytes("config.ini"), (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_FALSE(FileExists("config.ini.tmp"));
    g_game.windowMode = 0;
    WriteSettings(); // replaces the existing file
    EXPECT_EQ(ReadBytes("config.ini"), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(GameSettings, FailedWriteKeepsThePreviousFile) {
    ScratchDir dir;
    ResetGameState();
    WriteBytes("config.ini", {1, 0, 0, 0});
    // A folder where the temporary file would go makes the write fail before
    // anything touches the old file.
    ASSERT_EQ(mkdir("config.ini.tmp", 0755), 0);
    g_game.windowMode = 2;
    WriteSettings();
    EXPECT_EQ(ReadBytes("config.ini"), (std::vector<uint8_t>{1, 0, 0, 0}));
}
