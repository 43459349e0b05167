// Title, menu, how-to and stage intro timings through the replay tool.
#include "tests/e2e/e2e_util.h"

#include <gtest/gtest.h>

#include <cstdio>

// The scene after the frame with the given index (status lines start at frame 1).
static int SceneAfter(const ReplayResult& r, int frameIndex) {
    for (const Status& s : r.lines)
        if (s.frame == frameIndex + 1) return s.scene;
    return -1;
}

static int FirstFrameWithScene(const ReplayResult& r, int scene) {
    int i = FirstLine(r, [scene](const Status& s) { return s.scene == scene; });
    return i < 0 ? -1 : r.lines[i].frame;
}

// The scene after each listed frame index.
static void ExpectScenesAfter(const ReplayResult& r, std::initializer_list<std::pair<int, int>> frameScenes) {
    for (const auto& [frame, scene] : frameScenes) EXPECT_EQ(SceneAfter(r, frame), scene) << "after frame " << frame;
}

using E2eTitle = GameFolderTest;
using E2eMenu = GameFolderTest;
using E2eHowTo = GameFolderTest;
using E2eEnter = GameFolderTest;

TEST_F(E2eTitle, ZWithRightDoesNothingZAloneOpensTheMenu) {
    ReplayResult r = folder.run("0 -\n20 Z RIGHT\n40 -\n60 Z\n61 -\n", "--frames 80");
    EXPECT_EQ(r.exitCode, 0);
    ExpectScenesAfter(r, {{19, 0}, {39, 0}, {59, 0}, {60, 4}});
    EXPECT_EQ(r.last().scene, 4);
}

TEST_F(E2eTitle, IdleShowsTheRankingAfter360FramesAndReturns900Later) {
    ReplayResult r = folder.run("0 -\n", "--frames 1300");
    EXPECT_EQ(r.exitCode, 0);
    // Frame 359 is the 360th title frame.
    ExpectScenesAfter(r, {{358, 0}, {359, 2}, {359 + 900, 2}, {359 + 901, 0}});
}

TEST_F(E2eMenu, UpFromStartSelectsExitWhichEndsTheProgram) {
    ReplayResult r = folder.run("5 Z\n6 -\n20 UP\n21 -\n30 Z\n31 -\n", "--frames 500");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(SceneAfter(r, 29), 4);
    // EXIT ended the runtime on frame 30 (whose flip the ended runtime may refuse):
    // no frame follows.
    EXPECT_GE(r.last().frame, 30);
    EXPECT_LE(r.last().frame, 31);
    EXPECT_EQ(r.last().scene, 4);
}

TEST_F(E2eMenu, EscapeEndsTheProgramFromAnyScene) {
    ReplayResult r = folder.run("5 Z\n6 -\n40 ESCAPE\n", "--frames 500");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.last().frame, 40);
    EXPECT_FALSE(PathExists(folder.file("config.ini")));
    EXPECT_FALSE(PathExists(folder.file("score.dat")));
}

TEST_F(E2eHowTo, HeldZSkipsTheDemonstrationAndPlayStarts240FramesAfterTheIntro) {
    ReplayResult r = folder.run(ScriptToPlay(), "--frames 400");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(SceneAfter(r, 10), 5); // START chosen on frame 10
    // Slide-in ends on the how-to's 80th frame (index 90); 40 frames of slide-out follow.
    ExpectScenesAfter(r, {{129, 5}, {130, 6}});
    int introStart = FirstFrameWithScene(r, 6); // first intro frame index
    int playStart = FirstFrameWithScene(r, 1);
    EXPECT_EQ(playStart - introStart, 240);
    ExpectScenesAfter(r, {{369, 6}, {370, 1}});
    Status first = r.lines[playStart]; // after the first play frame
    EXPECT_EQ(first.lives, 5);
    EXPECT_EQ(first.stage, 0);
}

TEST_F(E2eHowTo, WithoutInputTheHowToLasts600Frames) {
    ReplayResult r = folder.run("5 Z\n6 -\n10 Z\n11 -\n", "--frames 700");
    ExpectScenesAfter(r, {{10 + 599, 5}, {10 + 600, 6}});
}

// Return and the keypad's Enter choose wherever Z does: title, menu, how-to, options;
// in play they do not jump.
TEST_F(E2eEnter, EnterKeysChooseLikeZOutsidePlay) {
    for (const char* key : {"RETURN", "NUMPADENTER"}) {
        std::string k = key;
        // Title -> menu -> START -> how-to, skipped once its demonstration runs -> play.
        std::string script = "5 " + k + "\n6 -\n10 " + k + "\n11 -\n100 " + k + "\n101 -\n";
        ReplayResult r = folder.run(script + "450 " + k + "\n", "--frames 470");
        EXPECT_EQ(r.exitCode, 0) << key;
        EXPECT_EQ(SceneAfter(r, 5), 4) << key;
        EXPECT_EQ(SceneAfter(r, 10), 5) << key;
        int intro = FirstFrameWithScene(r, 6);
        EXPECT_GT(intro, 100) << key;
        EXPECT_LT(intro, 150) << key << ": Enter did not skip the how-to screen";
        EXPECT_EQ(r.last().scene, 1) << key;
        for (const Status& st : r.lines) {
            if (st.frame > 450 && st.frame <= 460) {
                EXPECT_EQ(st.vy, 0) << key << " at frame " << st.frame << ": Enter must not jump in play";
            }
        }
        // Menu -> OPTION -> 640 x 480 window, chosen with Enter.
        r = folder.run("5 " + k + "\n6 -\n10 DOWN\n11 -\n15 " + k + "\n16 -\n20 DOWN\n21 -\n25 DOWN\n26 -\n30 " + k +
                           "\n31 -\n40 ESCAPE\n",
                       "--frames 100");
        EXPECT_EQ(SceneAfter(r, 15), 7) << key;
        EXPECT_EQ(ReadFileBytes(folder.file("config.ini")), (std::vector<uint8_t>{2, 0, 0, 0})) << key;
        std::remove(folder.file("config.ini").c_str());
    }
}

// The title says how to start once its initials are lit, blinking.
TEST_F(E2eTitle, TitleShowsHowToStart) {
    folder.run("0 -\n", "--frames 301 --shot 150:early.png --shot 270:dark.png --shot 300:lit.png", false);
    Picture early = LoadPng(folder.file("early.png")), dark = LoadPng(folder.file("dark.png")),
            lit = LoadPng(folder.file("lit.png"));
    ASSERT_EQ(lit.width, 320);
    EXPECT_GT(CountBright(lit, 12, 196, 60, 220, 200), 40);
    EXPECT_EQ(CountBright(dark, 12, 196, 60, 220, 200), 0);
    EXPECT_EQ(CountBright(early, 12, 196, 60, 220, 200), 0);
}
