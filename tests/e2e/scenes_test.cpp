// Title, menu, how-to and stage intro timings through the replay tool.
#include "tests/e2e/e2e_util.h"

#include <gtest/gtest.h>

#define REQUIRE_GAME(folder)                                                        \
    if (!(folder).ready())                                                          \
    GTEST_SKIP() << "borrakezti-replay or the game data is not built"

// The scene after the frame with the given index (status lines start at frame 1).
static int SceneAfter(const ReplayResult& r, int frameIndex)
{
    for (const Status& s : r.lines)
        if (s.frame == frameIndex + 1)
            return s.scene;
    return -1;
}

static int FirstFrameWithScene(const ReplayResult& r, int scene)
{
    for (const Status& s : r.lines)
        if (s.scene == scene)
            return s.frame;
    return -1;
}

TEST(E2eTitle, ZWithRightDoesNothingZAloneOpensTheMenu)
{
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

TEST(E2eTitle, IdleShowsTheRankingAfter360FramesAndReturns900Later)
{
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run("0 -\n", "--frames 1300");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(SceneAfter(r, 358), 0);
    EXPECT_EQ(SceneAfter(r, 359), 2); // the 360th title frame
    EXPECT_EQ(SceneAfter(r, 359 + 900), 2);
    EXPECT_EQ(SceneAfter(r, 359 + 901), 0);
}

TEST(E2eMenu, UpFromStartSelectsExitWhichEndsTheProgram)
{
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

TEST(E2eMenu, EscapeEndsTheProgramFromAnyScene)
{
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run("5 Z\n6 -\n40 ESCAPE\n", "--frames 500");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.last().frame, 40);
    EXPECT_FALSE(PathExists(folder.file("config.ini")));
    EXPECT_FALSE(PathExists(folder.file("score.dat")));
}

TEST(E2eHowTo, HeldZSkipsTheDemonstrationAndPlayStarts240FramesAfterTheIntro)
{
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

TEST(E2eHowTo, WithoutInputTheHowToLasts600Frames)
{
    GameFolder folder;
    REQUIRE_GAME(folder);
    ReplayResult r = folder.run("5 Z\n6 -\n10 Z\n11 -\n", "--frames 700");
    EXPECT_EQ(SceneAfter(r, 10 + 599), 5);
    EXPECT_EQ(SceneAfter(r, 10 + 600), 6);
}
