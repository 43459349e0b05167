// Play through the replay tool on small stages of our own: scrolling and score, jumps,
// springs, falling out, rollers, lifts and the wrap of the stage numbers.
#include "tests/e2e/e2e_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string.h>

#define REQUIRE_GAME(folder) \
    if (!(folder).ready()) GTEST_SKIP() << "borrakezti-replay or the game data is not built"

struct Grid {
    int cell[20][15];
    Grid() { memset(cell, 0, sizeof(cell)); }
    void row(int r, int code, int c0 = 0, int c1 = 19) {
        for (int c = c0; c <= c1; c++) cell[c][r] = code;
    }
};

// Index into r.lines of the status after the first play frame.
static int FirstPlayLine(const ReplayResult& r) {
    for (size_t i = 0; i < r.lines.size(); i++)
        if (r.lines[i].scene == 1) return (int)i + 1;
    return -1;
}

// Frame index of the first play frame (its frameCount is 0).
static int FirstPlayFrame(const ReplayResult& r) {
    int i = FirstPlayLine(r);
    return i < 0 ? -1 : r.lines[i].frame - 1;
}

// A floor of blocks across row 11 of half A: the run's start (160, 160) stands on it.
static void FloorStages(GameFolder& folder) {
    folder.clearStages();
    Grid a;
    a.row(11, 2);
    folder.writeStage("00", a.cell);
    folder.writeStage("0", Grid().cell);
}

TEST(E2ePlay, FirstFrameMakesThePeriodEightAndTheScoreCounts) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    FloorStages(folder);
    ReplayResult probe = folder.run(ScriptToPlay(), "--frames 400");
    int start = FirstPlayFrame(probe);
    ASSERT_GT(start, 0);
    // 600 frames of standing still: with period 8 from the first frame the shaft
    // moves at frames 0, 8, ..., 592 = 75 steps = 7 points (period 9 would give 67 = 6).
    ReplayResult r = folder.run(ScriptToPlay(), "--frames " + std::to_string(start + 600));
    Status s = r.last();
    EXPECT_EQ(s.scene, 1);
    EXPECT_EQ(s.score, 7);
    EXPECT_EQ(s.lives, 5);
    EXPECT_EQ(s.y, 160 + 75); // carried down with the floor
    EXPECT_EQ(s.cond, 0);
}

TEST(E2ePlay, JumpsFromRestRise51Or57Or63ByTheFrameCount) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    FloorStages(folder);
    ReplayResult probe = folder.run(ScriptToPlay(), "--frames 400");
    int start = FirstPlayFrame(probe);
    ASSERT_GT(start, 0);
    const int expected[3] = {51, 63, 57}; // frameCount % 3 = 0, 1, 2 on the jump frame
    for (int phase = 0; phase < 3; phase++) {
        int jump = start + 30 + phase; // frameCount 30 + phase
        std::string script = ScriptToPlay() + std::to_string(jump) + " Z\n" + std::to_string(jump + 1) + " -\n";
        ReplayResult r = folder.run(script, "--frames " + std::to_string(jump + 40));
        int before = -1, top = 1000;
        for (const Status& s : r.lines) {
            if (s.frame == jump) // after the frame before the jump
                before = s.y;
            if (s.frame > jump) top = std::min(top, s.y);
        }
        EXPECT_EQ(before - top, expected[phase]) << "phase " << phase;
    }
}

TEST(E2ePlay, HeldZDoesNotRepeatTheJump) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    FloorStages(folder);
    ReplayResult probe = folder.run(ScriptToPlay(), "--frames 400");
    int start = FirstPlayFrame(probe);
    ASSERT_GT(start, 0);
    std::string script = ScriptToPlay() + std::to_string(start + 10) + " Z\n";
    ReplayResult r = folder.run(script, "--frames " + std::to_string(start + 200));
    int jumps = 0;
    for (size_t i = 1; i < r.lines.size(); i++)
        if (r.lines[i].frame > start && r.lines[i].y < r.lines[i - 1].y - 3)
            jumps += r.lines[i - 1].vy >= 0; // a rise that starts from rest
    EXPECT_EQ(jumps, 1);
    EXPECT_EQ(r.last().cond, 0);
    EXPECT_GE(r.last().y, 160);
}

TEST(E2ePlay, SpringLaunchesAtMinusTen) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    folder.clearStages();
    Grid a;
    a.cell[10][12] = 5; // under the start, 32 pixels down
    folder.writeStage("00", a.cell);
    folder.writeStage("0", Grid().cell);
    ReplayResult r = folder.run(ScriptToPlay(), "--frames 450");
    bool launched = false;
    for (const Status& s : r.lines)
        if (s.scene == 1 && s.vy == -10) launched = true;
    EXPECT_TRUE(launched);
}

TEST(E2ePlay, FallingOutCostsALifeAndRespawnsBlinking) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    folder.clearStages(); // nothing to stand on
    folder.writeStage("00", Grid().cell);
    folder.writeStage("0", Grid().cell);
    ReplayResult r = folder.run(ScriptToPlay(), "--frames 700");
    int miss = -1;
    for (size_t i = 0; i < r.lines.size(); i++)
        if (r.lines[i].scene == 1 && r.lines[i].lives == 4) {
            miss = (int)i;
            break;
        }
    ASSERT_GE(miss, 0);
    Status s = r.lines[miss];
    EXPECT_EQ(s.x, 160);
    EXPECT_EQ(s.y, 128);
    EXPECT_EQ(s.cond, 1);
    EXPECT_EQ(r.lines[miss - 1].lives, 5);
    EXPECT_GE(r.lines[miss - 1].y, 300);
    // Held at y 128 while respawning, touchable again for the last two frames.
    for (int k = 1; k < 87; k++) EXPECT_EQ(r.lines[miss + k].y, 128) << k;
    EXPECT_EQ(r.lines[miss + 86].cond, 1);
    EXPECT_EQ(r.lines[miss + 87].cond, 0);

    // Blinking: the figure is drawn on two frames of every four.
    int frame = r.lines[miss].frame; // respawn timer 89 after this frame
    std::string shots;
    for (int k = 0; k < 4; k++)
        shots += " --shot " + std::to_string(frame - 1 + 3 + k) + ":" + folder.file("b" + std::to_string(k) + ".png");
    folder.run(ScriptToPlay(), "--frames " + std::to_string(frame + 10) + shots, false);
    Picture p[4];
    for (int k = 0; k < 4; k++) {
        p[k] = LoadPng(folder.file("b" + std::to_string(k) + ".png"));
        ASSERT_EQ(p[k].width, 320) << k;
    }
    // Timer after these frames: 86, 85, 84, 83 -> drawn on 85 and 84 only.
    EXPECT_GT(CountDifferent(p[0], p[1], 160, 128, 176, 144), 10);
    EXPECT_GT(CountDifferent(p[3], p[2], 160, 128, 176, 144), 10);
}

TEST(E2ePlay, RollerFromTheSideKills) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    folder.clearStages();
    Grid a;
    a.row(11, 2);
    a.cell[3][10] = 17; // rolls right along the floor towards the start position
    folder.writeStage("00", a.cell);
    folder.writeStage("0", Grid().cell);
    ReplayResult r = folder.run(ScriptToPlay(), "--frames 700");
    int hit = -1;
    for (size_t i = 0; i < r.lines.size(); i++)
        if (r.lines[i].scene == 1 && r.lines[i].cond == 2) {
            hit = (int)i;
            break;
        }
    ASSERT_GE(hit, 0);
    EXPECT_EQ(r.lines[hit].vy, -3);
    EXPECT_EQ(r.lines[hit - 1].cond, 0);
    EXPECT_EQ(r.lines[hit - 1].vy, 0); // standing on the floor, hit from the side
    EXPECT_EQ(r.lines[hit].lives, 5);
    // The dying player falls out and loses a life.
    bool lost = false;
    for (size_t i = hit; i < r.lines.size(); i++) lost = lost || r.lines[i].lives == 4;
    EXPECT_TRUE(lost);
}

TEST(E2ePlay, LiftFromBelowKills) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    folder.clearStages();
    Grid a;
    a.row(11, 2);
    a.cell[10][0] = 9;  // a lift over the start position...
    a.cell[10][7] = 21; // ...turned back by an invisible wall 48 pixels above the player
    folder.writeStage("00", a.cell);
    folder.writeStage("0", Grid().cell);
    ReplayResult probe = folder.run(ScriptToPlay(), "--frames 400");
    int start = FirstPlayFrame(probe);
    ASSERT_GT(start, 0);
    std::string script = ScriptToPlay();
    for (int f = start + 5; f < start + 800; f += 24)
        script += std::to_string(f) + " Z\n" + std::to_string(f + 1) + " -\n";
    ReplayResult r = folder.run(script, "--frames " + std::to_string(start + 800));
    int hit = -1;
    for (size_t i = 0; i < r.lines.size(); i++)
        if (r.lines[i].scene == 1 && r.lines[i].cond == 2) {
            hit = (int)i;
            break;
        }
    ASSERT_GE(hit, 0);
    EXPECT_LT(r.lines[hit - 1].vy, 0); // jumping up into it
    EXPECT_LT(r.lines[hit - 1].y, r.lines[hit - 2].y);
}

TEST(E2ePlay, StageNumbersWrapWhenAFileIsMissing) {
    GameFolder folder;
    REQUIRE_GAME(folder);
    folder.clearStages();
    // One-way floors every 48 pixels: a player who keeps jumping climbs the shaft.
    Grid g;
    for (int r : {2, 5, 8, 11, 14}) g.row(r, 1);
    for (const char* stem : {"00", "0", "01", "02", "03", "04", "05"}) folder.writeStage(stem, g.cell);
    ReplayResult probe = folder.run(ScriptToPlay(), "--frames 400");
    int start = FirstPlayFrame(probe);
    ASSERT_GT(start, 0);
    std::string script = ScriptToPlay();
    for (int f = start; f < start + 3000; f += 2) script += std::to_string(f) + " Z\n" + std::to_string(f + 1) + " -\n";
    ReplayResult r = folder.run(script, "--frames " + std::to_string(start + 3000), true);
    std::vector<int> stages;
    for (const Status& s : r.lines)
        if (s.scene == 1 && (stages.empty() || stages.back() != s.stage)) stages.push_back(s.stage);
    ASSERT_GE(stages.size(), 8u) << "the climb did not get far enough";
    std::vector<int> expected = {0, 1, 2, 3, 4, 5, 0, 1};
    EXPECT_EQ(std::vector<int>(stages.begin(), stages.begin() + 8), expected);
}
