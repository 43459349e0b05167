// Title, menu, how-to and stage intro timings through the replay tool.
#include "tests/e2e/e2e_util.h"

#include <gtest/gtest.h>

#include <cstdio>

#define REQUIRE_GAME(folder) \
    if (!(folder).ready()) GTEST_SKIP() << "borrakezti-replay or the game data is not built"

// The scene after the frame with the given index (status lines start at frame 1).
static int SceneAfter(const ReplayResult& r, int frameIndex) {
    for (const Status& s : r.lines)
        if (s.frame == frameIndex + 1) return s.scene;
    return -1;
}

static int FirstFrameWithScene(const ReplayResult& r, int scene) {
    for (const Status& s : r.lines)
        if (s.scene == scene) return s.frame;
    return -1;
}

TEST(E2eTitle, ZWithRightDoesNothingZAloneOpensTheMenu) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run("0 -\n20 Z RIGHT\n40 -\n60 Z\n61 -\n", "--frames 80");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(SceneAfter(r, 19), 0);
    EXPECT_EQ(SceneAfter(r, 39), 0);
    EXPECT_EQ(SceneAfter(r, 59), 0);
    EXPECT_EQ(SceneAfter(r, 60), 4);
    EXPECT_EQ(r.last().scene, 4);
}

TEST(E2eTitle, IdleShowsTheRankingAfter360FramesAndReturns900Later) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run("0 -\n", "--frames 1300");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(SceneAfter(r, 358), 0);
    EXPECT_EQ(SceneAfter(r, 359), 2); // the 360th title frame
    EXPECT_EQ(SceneAfter(r, 359 + 900), 2);
    EXPECT_EQ(SceneAfter(r, 359 + 901), 0);
}

TEST(E2eMenu, UpFromStartSelectsExitWhichEndsTheProgram) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run("5 Z\n6 -\n20 UP\n21 -\n30 Z\n31 -\n", "--frames 500");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(SceneAfter(r, 29), 4);
    // EXIT ended the runtime on frame 30 (whose flip the ended runtime may refuse):
    // no frame follows.
    EXPECT_GE(r.last().frame, 30);
    EXPECT_LE(r.last().frame, 31);
    EXPECT_EQ(r.last().scene, 4);
}

TEST(E2eMenu, EscapeEndsTheProgramFromAnyScene) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run("5 Z\n6 -\n40 ESCAPE\n", "--frames 500");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.last().frame, 40);
    EXPECT_FALSE(PathExists(folder.file("config.ini")));
    EXPECT_FALSE(PathExists(folder.file("score.dat")));
}

TEST(E2eHowTo, HeldZSkipsTheDemonstrationAndPlayStarts240FramesAfterTheIntro) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run(ScriptToPlay(), "--frames 400");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(SceneAfter(r, 10), 5); // START chosen on frame 10
    // Slide-in ends on the how-to's 80th frame (index 90); 40 frames of slide-out follow.
    EXPECT_EQ(SceneAfter(r, 129), 5);
    EXPECT_EQ(SceneAfter(r, 130), 6);
    int introStart = FirstFrameWithScene(r, 6); // first intro frame index
    int playStart = FirstFrameWithScene(r, 1);
    EXPECT_EQ(playStart - introStart, 240);
    EXPECT_EQ(SceneAfter(r, 369), 6);
    EXPECT_EQ(SceneAfter(r, 370), 1);
    Status first = r.lines[playStart]; // after the first play frame
    EXPECT_EQ(first.lives, 5);
    EXPECT_EQ(first.stage, 0);
}

TEST(E2eHowTo, WithoutInputTheHowToLasts600Frames) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run("5 Z\n6 -\n10 Z\n11 -\n", "--frames 700");
    EXPECT_EQ(SceneAfter(r, 10 + 599), 5);
    EXPECT_EQ(SceneAfter(r, 10 + 600), 6);
}

// Return and the keypad's Enter choose wherever Z does: title, menu, how-to, options;
// in play they do not jump.
TEST(E2eEnter, EnterKeysChooseLikeZOutsidePlay) {
    GameFolder folder;
    REQUIRE_GAME(folder);
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
TEST(E2eTitle, TitleShowsHowToStart) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    folder.run("0 -\n", "--frames 301 --shot 150:early.png --shot 270:dark.png --shot 300:lit.png", false);
    Picture early = LoadPng(folder.file("early.png")), dark = LoadPng(folder.file("dark.png")),
            lit = LoadPng(folder.file("lit.png"));
    ASSERT_EQ(lit.width, 320);
    EXPECT_GT(CountBright(lit, 12, 196, 60, 220, 200), 40);
    EXPECT_EQ(CountBright(dark, 12, 196, 60, 220, 200), 0);
    EXPECT_EQ(CountBright(early, 12, 196, 60, 220, 200), 0);
}
