// Lint over every generated stage file: size, codes, object counts, the start floor,
// every tile and object kind in use, and a climbing check of the whole run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "stage_model.h"

using namespace stagemodel;

namespace {

std::vector<StageGrid> AllStages() {
    std::vector<StageGrid> all;
    for (const std::string& n : RunOrder(BKT_DIST_DIR)) {
        bool seen = false;
        for (const StageGrid& g : all) seen = seen || g.name == n;
        if (!seen) all.push_back(ReadStage(BKT_DIST_DIR, n));
    }
    return all;
}

} // namespace

TEST(StageFiles, AtLeastThirtyNumberedStagesAfterTheOpening) {
    std::vector<std::string> order = RunOrder(BKT_DIST_DIR);
    ASSERT_GE(order.size(), 2u + 30u + 2u);
    EXPECT_FALSE(ReadStage(BKT_DIST_DIR, "00").cells.empty());
    EXPECT_FALSE(ReadStage(BKT_DIST_DIR, "0").cells.empty());
    // The last stage is odd: the missing next file then belongs to half B, so the run
    // resumes with stage 1 in half A, the half that has just left the screen.
    int last = static_cast<int>(order.size()) - 2 - 2;
    EXPECT_EQ(last % 2, 1) << "last stage " << last;
}

TEST(StageFiles, EveryFileHolds300CodesInRangeAndAtMostTenObjectsOfAKind) {
    for (const StageGrid& g : AllStages()) {
        ASSERT_EQ(g.cells.size(), 20u) << g.name << ".dat is not 1200 bytes";
        int platforms = 0, rollers = 0, lifts = 0;
        for (int c = 0; c < kColumns; ++c)
            for (int r = 0; r < kRows; ++r) {
                int v = g.cells[c][r];
                EXPECT_GE(v, 0) << g.name << " at " << c << "," << r;
                EXPECT_LE(v, 21) << g.name << " at " << c << "," << r;
                platforms += v == 20;
                rollers += v == 17;
                lifts += v == 9;
            }
        EXPECT_LE(platforms, 10) << g.name;
        EXPECT_LE(rollers, 10) << g.name;
        EXPECT_LE(lifts, 10) << g.name;
    }
}

TEST(StageFiles, StartFloorOfTheOpeningStage) {
    StageGrid g = ReadStage(BKT_DIST_DIR, "00");
    ASSERT_FALSE(g.cells.empty());
    // The player starts at (160, 160): column 10, feet on the top of row 11.
    int floor = g.cells[10][11];
    EXPECT_TRUE(floor == 1 || floor == 2) << "code " << floor;
    EXPECT_EQ(g.cells[10][10] == 2 || g.cells[10][10] == 3, false);
    EXPECT_EQ(g.cells[10][9] == 2 || g.cells[10][9] == 3, false);
    // No object starts where it would hit the player at once.
    for (int c = 8; c <= 12; ++c)
        for (int r = 8; r <= 12; ++r) EXPECT_TRUE(g.cells[c][r] != 9 && g.cells[c][r] != 17) << c << "," << r;
}

TEST(StageFiles, EveryTileCodeAndObjectKindIsUsed) {
    std::set<int> used;
    for (const StageGrid& g : AllStages())
        for (const auto& col : g.cells)
            for (int v : col) used.insert(v);
    for (int code = 0; code <= 21; ++code) EXPECT_TRUE(used.count(code)) << "code " << code << " unused";
}

TEST(StageFiles, RollersStartOnAFloor) {
    // A roller with no floor of codes 1..4 under it turns on every frame and never rolls.
    for (const StageGrid& g : AllStages())
        for (int c = 0; c < kColumns; ++c)
            for (int r = 0; r < kRows; ++r)
                if (g.cells[c][r] == 17) {
                    ASSERT_LT(r, kRows - 1) << g.name;
                    int below = g.cells[c][r + 1];
                    EXPECT_TRUE(below >= 1 && below <= 4) << g.name << " roller at " << c << "," << r;
                }
}

TEST(StageClimb, TheWholeRunCanBeClimbedAtTheSpeedEachStageIsMet) {
    std::vector<StageGrid> run;
    for (const std::string& n : RunOrder(BKT_DIST_DIR)) run.push_back(ReadStage(BKT_DIST_DIR, n));
    Shaft shaft = Stack(run);
    int count = static_cast<int>(run.size());
    // Start: column 10, standing on row 11 of the bottom stage (00).
    std::vector<int> times = ClimbTimes(shaft, {10, (count - 1) * kRows + 11});
    // First arrival in each stage.
    std::vector<int> arrival(count, -1);
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < shaft.rows; ++r) {
            int t = times[c * shaft.rows + r];
            int k = shaft.StageOfRow(r);
            if (t >= 0 && (arrival[k] < 0 || t < arrival[k])) arrival[k] = t;
        }
    for (int k = 1; k < count; ++k) {
        ASSERT_GE(arrival[k], 0) << "stage " << shaft.names[k] << " cannot be reached from " << shaft.names[k - 1];
        // The sinking speed rises one step per 900 frames down to one pixel every 2
        // frames; a stage takes 240 x period frames to sink out of sight.
        int period = std::max(2, 8 - (k - 1));
        int spent = arrival[k] - arrival[k - 1];
        EXPECT_LE(spent, 240 * period) << "climbing through stage " << shaft.names[k - 1] << " takes " << spent
                                       << " frames at period " << period;
    }
}

TEST(StageFiles, FilesHoldTheSourceGridsColumnAfterColumn) {
    // Legend: "CHAR CODE name" lines.
    int code[128];
    for (int& c : code) c = -1;
    {
        FILE* f = std::fopen(BKT_SOURCE_DIR "/assets/stages/legend.txt", "r");
        ASSERT_NE(f, nullptr);
        char line[256];
        while (std::fgets(line, sizeof(line), f))
            if (line[0] != '#' && line[0] > ' ' && line[1] == ' ')
                code[static_cast<unsigned char>(line[0])] = std::atoi(line + 2);
        std::fclose(f);
    }
    for (const char* name : {"00", "0", "01", "17", "31"}) {
        FILE* f = std::fopen((std::string(BKT_SOURCE_DIR "/assets/stages/") + name + ".stage").c_str(), "r");
        ASSERT_NE(f, nullptr) << name;
        std::vector<std::string> rows;
        char line[256];
        while (std::fgets(line, sizeof(line), f)) {
            std::string s(line);
            while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
            if (!s.empty() && s[0] != '#') rows.push_back(s);
        }
        std::fclose(f);
        ASSERT_EQ(rows.size(), 15u) << name;
        StageGrid g = ReadStage(BKT_DIST_DIR, name);
        ASSERT_FALSE(g.cells.empty()) << name;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                EXPECT_EQ(g.cells[c][r], code[static_cast<unsigned char>(rows[r][c])])
                    << name << " column " << c << " row " << r;
    }
}
