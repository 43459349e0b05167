// The options screen through the replay tool: window modes, the settings file, the
// ranking reset, and many mode changes in a row.
#include "tests/e2e/e2e_util.h"

#include <gtest/gtest.h>

using E2eOptions = GameFolderTest;

// Title -> menu -> OPTION; the options screen runs from frame 16 with cursor 0.
static const char* kToOptions = "5 Z\n6 -\n10 DOWN\n11 -\n15 Z\n16 -\n";

TEST_F(E2eOptions, Window640WritesTheSettingsFile) {
    std::string script =
        std::string(kToOptions) + Press(20, "DOWN") + Press(25, "DOWN") + Press(30, "Z") + "40 ESCAPE\n";
    ReplayResult r = folder.run(script, "--frames 100");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines.at(20).scene, 7);
    EXPECT_EQ(ReadFileBytes(folder.file("config.ini")), (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_FALSE(PathExists(folder.file("config.ini.tmp")));
}

TEST_F(E2eOptions, ModeInForceDoesNothing) {
    std::string script = std::string(kToOptions) + Press(20, "DOWN") + Press(25, "Z") + "40 ESCAPE\n";
    ReplayResult r = folder.run(script, "--frames 100");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(PathExists(folder.file("config.ini")));
}

TEST_F(E2eOptions, SettingsFileIsReadAtStart) {
    WriteFileBytes(folder.file("config.ini"), {2});
    // Mode 2 is in force: choosing it again writes nothing, choosing 320x240 writes 1.
    std::string script =
        std::string(kToOptions) + Press(20, "DOWN") + Press(25, "DOWN") + Press(30, "Z") + "35 ESCAPE\n";
    folder.run(script, "--frames 100");
    EXPECT_EQ(ReadFileBytes(folder.file("config.ini")), (std::vector<uint8_t>{2}));
    script = std::string(kToOptions) + Press(20, "DOWN") + Press(30, "Z") + "35 ESCAPE\n";
    folder.run(script, "--frames 100");
    EXPECT_EQ(ReadFileBytes(folder.file("config.ini")), (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(E2eOptions, ScoreResetWritesTheDefaultRanking) {
    std::string script = std::string(kToOptions) + Press(20, "UP") + Press(25, "UP") + // 4, 3
                         Press(30, "Z") + "40 ESCAPE\n";
    ReplayResult r = folder.run(script, "--frames 100");
    EXPECT_EQ(r.exitCode, 0);
    std::vector<uint8_t> expected = {0xF4, 0x01, 0,    0,    'K',  'O',  'A', 0x90, 0x01, 0,    0,    'R',
                                     'U',  'M',  0x2C, 0x01, 0,    0,    'T', 'A',  'V',  0xC8, 0x00, 0,
                                     0,    'Z',  'E',  'P',  0x64, 0x00, 0,   0,    'N',  'O',  'X'};
    EXPECT_EQ(ReadFileBytes(folder.file("score.dat")), expected);
}

TEST_F(E2eOptions, ExitReturnsToTheTitle) {
    std::string script = std::string(kToOptions) + Press(20, "UP") + Press(25, "Z");
    ReplayResult r = folder.run(script, "--frames 40");
    EXPECT_EQ(r.lines.at(24).scene, 7);
    EXPECT_EQ(r.lines.at(25).scene, 0);
}

TEST_F(E2eOptions, FiftyModeChangesLeaveEveryTextDrawn) {
    std::string script = std::string(kToOptions) + Press(20, "DOWN"); // cursor 1, mode 1
    int f = 30;
    for (int i = 0; i < 25; i++) {
        script += Press(f, "DOWN") + Press(f + 3, "Z");   // 640x480
        script += Press(f + 6, "UP") + Press(f + 9, "Z"); // 320x240
        f += 12;
    }
    std::string shots =
        " --shot 25:" + folder.file("before.png") + " --shot " + std::to_string(f + 5) + ":" + folder.file("after.png");
    ReplayResult r = folder.run(script + std::to_string(f + 10) + " ESCAPE\n", "--frames 1000" + shots, false);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFileBytes(folder.file("config.ini")), (std::vector<uint8_t>{1, 0, 0, 0}));
    Picture before = LoadPng(folder.file("before.png"));
    Picture after = LoadPng(folder.file("after.png"));
    ASSERT_EQ(before.width, 320);
    ASSERT_EQ(after.width, 320);
    // The heading, the items and the help line are drawn before and after alike.
    EXPECT_GT(CountBright(before, 16, 32, 200, 52, 200), 30);
    EXPECT_GT(CountBright(before, 32, 200, 320, 212, 200), 30);
    EXPECT_EQ(CountDifferent(before, after, 0, 0, 320, 240), 0);
}

TEST_F(E2eOptions, UnwritableSettingKeepsTheOldFileAndSaysWhy) {
    WriteFileBytes(folder.file("config.ini"), {1, 0, 0, 0});
    WriteFileBytes(folder.file("config.ini.tmp/stale"), {1});
    std::string script =
        std::string(kToOptions) + Press(20, "DOWN") + Press(25, "DOWN") + Press(30, "Z") + "40 ESCAPE\n";
    ReplayResult r = folder.run(script, "--frames 100");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFileBytes(folder.file("config.ini")), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_NE(
        r.errors.find("borrakezti: the setting was not saved: cannot create ./config.ini.tmp: " FOLDER_IN_THE_WAY "\n"),
        std::string::npos)
        << r.errors;
}
