// A whole run through the replay tool: climbing a shaft of one-way floors until the
// score is in the 400s, then losing every life; the name entry and "score.dat".
#include "tests/e2e/e2e_util.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

static void LadderStages(GameFolder& folder) {
    folder.clearStages();
    int grid[20][15];
    memset(grid, 0, sizeof(grid));
    // Floors across all but the two right-hand columns: holding right walks off them.
    for (int r : {2, 5, 8, 11, 14})
        for (int c = 0; c < 18; c++) grid[c][r] = 1;
    for (const char* stem : {"00", "0", "01", "02"}) folder.writeStage(stem, grid);
}

// Taps Z every other frame from the start of play until stopFrame, then holds right:
// the player walks off the floors and falls out, life after life.
static std::string ClimbScript(int start, int stopFrame) {
    return ScriptToPlay() + TapZ(start, stopFrame, 2) + std::to_string(stopFrame) + " RIGHT\n";
}

static int FirstIndexWithScene(const ReplayResult& r, int scene, int fromIndex = 0) {
    return FirstLine(
        r, [scene](const Status& s) { return s.scene == scene; }, fromIndex);
}

// A run whose score ends between 401 and 499, found once for the whole suite.
struct RunPlan {
    bool found = false;
    std::string script;     // keys up to the game over
    int gameOverFrame = -1; // index of the frame that turned to the game-over scene
    int score = 0;          // displayed points of the run
};

static RunPlan s_plan;
static bool s_planned = false;

static const RunPlan& Plan() {
    if (s_planned) return s_plan;
    s_planned = true;
    GameFolder folder;
    if (!folder.ready()) return s_plan;
    LadderStages(folder);
    ReplayResult probe = folder.run(ScriptToPlay(), "--frames 400");
    int playLine = FirstIndexWithScene(probe, 1);
    if (playLine < 0) return s_plan;
    int start = probe.lines[playLine].frame; // first play frame index
    // Climb for good once to see how the score rises.
    ReplayResult climb = folder.run(ClimbScript(start, start + 6000), "--frames " + std::to_string(start + 6000));
    int target = 300;
    for (int attempt = 0; attempt < 4; attempt++) {
        int stop = -1;
        for (const Status& s : climb.lines)
            if (s.scene == 1 && s.score >= target) {
                stop = s.frame;
                break;
            }
        if (stop < 0) return s_plan;
        std::string script = ClimbScript(start, stop);
        ReplayResult r = folder.run(script, "--frames " + std::to_string(stop + 5000));
        int over = FirstIndexWithScene(r, 2, playLine);
        if (over < 0) return s_plan;
        int score = r.lines[over].score;
        if (score > 400 && score < 500) {
            s_plan.found = true;
            s_plan.script = script;
            s_plan.gameOverFrame = r.lines[over].frame - 1;
            s_plan.score = score;
            return s_plan;
        }
        target += 450 - score; // the losing of the lives adds about the same each time
    }
    return s_plan;
}

// Every test starts from the planned run on the ladder stages; g is its game-over frame.
class E2eGameOver : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GAME(folder);
        ASSERT_TRUE(plan.found) << "no run ended in the 400s";
        LadderStages(folder);
    }
    // The planned run, then the keys pressed one frame each at the given frames after g.
    std::string Entry(std::initializer_list<std::pair<int, const char*>> keys) const {
        std::string script = plan.script + std::to_string(g + 1) + " -\n";
        for (const auto& [offset, key] : keys) script += Press(g + offset, key);
        return script;
    }
    std::string Frames(int afterG) const { return "--frames " + std::to_string(g + afterG); }
    // Z on each of the three letters: the name "AAA".
    std::string ZEntry() const { return Entry({{5, "Z"}, {10, "Z"}, {15, "Z"}}); }

    GameFolder folder;
    const RunPlan& plan = Plan();
    const int g = plan.gameOverFrame;
};

TEST_F(E2eGameOver, FourHundredsEnterRowTwoAndTheNameIsWritten) {
    std::string script = Entry({{5, "DOWN"}, {8, "DOWN"}, {11, "UP"}, {15, "Z"}, {20, "Z"}, {25, "Z"}});
    EXPECT_FALSE(PathExists(folder.file("score.dat")));
    ReplayResult r = folder.run(script, Frames(40), false);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.last().scene, 2);
    std::vector<uint8_t> bytes = ReadFileBytes(folder.file("score.dat"));
    ASSERT_EQ(bytes.size(), 35u);
    uint32_t s = (uint32_t)plan.score;
    std::vector<uint8_t> row2 = {(uint8_t)s, (uint8_t)(s >> 8), 0, 0, 'B', 'A', 'A'};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 7, bytes.begin() + 14), row2);
    std::vector<uint8_t> row1 = {0xF4, 0x01, 0, 0, 'K', 'O', 'A'};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 7), row1);
    std::vector<uint8_t> row5 = {0xC8, 0x00, 0, 0, 'Z', 'E', 'P'};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 28, bytes.end()), row5);
    EXPECT_FALSE(PathExists(folder.file("score.dat.tmp")));
}

TEST_F(E2eGameOver, EscapeDuringTheNameEntryWritesNothing) {
    ReplayResult r = folder.run(Entry({{5, "DOWN"}, {10, "Z"}, {15, "ESCAPE"}}), Frames(100), false);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.last().frame, g + 15);
    EXPECT_FALSE(PathExists(folder.file("score.dat")));
}

TEST_F(E2eGameOver, ShortRankingFileIsReadAsFarAsItGoes) {
    // Row 1 whole (1000 "XYZ"), then three bytes of row 2's score (600). The rest keeps
    // what the table held before the read, zeros: 1000 XYZ, 600, 0, 0, 0 with no names.
    WriteFileBytes(folder.file("score.dat"), {0xE8, 0x03, 0, 0, 'X', 'Y', 'Z', 0x58, 0x02, 0x00});
    ReplayResult r = folder.run(ZEntry(), Frames(30), false);
    EXPECT_EQ(r.exitCode, 0);
    std::vector<uint8_t> bytes = ReadFileBytes(folder.file("score.dat"));
    ASSERT_EQ(bytes.size(), 35u);
    uint32_t s = (uint32_t)plan.score;
    std::vector<uint8_t> expected = {
        0xE8, 0x03, 0, 0, 'X', 'Y', 'Z', 0x58, 0x02, 0, 0, 0, 0, 0, (uint8_t)s, (uint8_t)(s >> 8), 0, 0, 'A', 'A',
        'A',  0,    0, 0, 0,   0,   0,   0,    0,    0, 0, 0, 0, 0, 0};
    EXPECT_EQ(bytes, expected);
}

TEST_F(E2eGameOver, RunsEndWithAllSixCharactersLost) {
    ReplayResult r = folder.run(plan.script, Frames(2));
    int lost = 0;
    for (size_t i = 1; i < r.lines.size(); i++)
        if (r.lines[i].lives == r.lines[i - 1].lives - 1 && r.lines[i].scene == 1) lost++;
    EXPECT_EQ(lost, 5);
    EXPECT_EQ(r.last().scene, 2);
    EXPECT_EQ(r.last().lives, 0);
}

// Without --save-dir a replay saves into a scratch folder of its own: the name entry
// and a mode change leave the player's files in the game folder byte for byte.
TEST_F(E2eGameOver, ReplayWithoutSaveDirLeavesThePlayersFilesAlone) {
    // A ranking the run would enter (row 1) and a 640 x 480 setting.
    std::vector<uint8_t> ranking(35, 0);
    ranking[4] = ranking[5] = ranking[6] = 'Q';
    std::vector<uint8_t> setting = {2, 0, 0, 0};
    WriteFileBytes(folder.file("score.dat"), ranking);
    WriteFileBytes(folder.file("config.ini"), setting);
    ReplayResult r = folder.run(ZEntry(), Frames(30), false, false);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    // Title -> menu -> OPTION -> the 320 x 240 window, which differs from the file's mode.
    std::string options = "5 Z\n6 -\n10 DOWN\n11 -\n15 Z\n16 -\n20 DOWN\n21 -\n30 Z\n31 -\n40 ESCAPE\n";
    r = folder.run(options, "--frames 100", true, false);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    ASSERT_GT(r.lines.size(), 20u);
    EXPECT_EQ(r.lines.at(20).scene, 7);
    EXPECT_EQ(ReadFileBytes(folder.file("score.dat")), ranking);
    EXPECT_EQ(ReadFileBytes(folder.file("config.ini")), setting);
    EXPECT_FALSE(PathExists(folder.file("score.dat.tmp")));
    EXPECT_FALSE(PathExists(folder.file("config.ini.tmp")));
}

// A ranking that cannot be written keeps the old file and says why on stderr;
// the folder given by --save-dir is the one read and written.
TEST_F(E2eGameOver, UnwritableRankingKeepsTheOldFileAndSaysWhy) {
    std::vector<uint8_t> ranking(35, 0);
    WriteFileBytes(folder.file("saves/score.dat"), ranking);
    // A stale folder where the temporary file would go.
    WriteFileBytes(folder.file("saves/score.dat.tmp/stale"), {1});
    ReplayResult r = folder.run(ZEntry(), "--save-dir saves " + Frames(30), false, false);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFileBytes(folder.file("saves/score.dat")), ranking);
    EXPECT_FALSE(PathExists(folder.file("score.dat")));
    EXPECT_NE(r.errors.find("borrakezti: the ranking was not saved: cannot create"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("score.dat.tmp: " FOLDER_IN_THE_WAY), std::string::npos) << r.errors;
    EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << r.errors;
}

// The name entry says a name is asked for, and Enter moves to the next letter as Z does.
TEST_F(E2eGameOver, NameEntryAsksForTheNameAndTakesEnter) {
    std::string script = Entry({{5, "RETURN"}, {10, "NUMPADENTER"}, {15, "RETURN"}});
    std::string shots =
        " --shot " + std::to_string(g + 3) + ":asking.png --shot " + std::to_string(g + 25) + ":done.png";
    ReplayResult r = folder.run(script, Frames(30) + shots, false);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    std::vector<uint8_t> bytes = ReadFileBytes(folder.file("score.dat"));
    ASSERT_EQ(bytes.size(), 35u);
    EXPECT_EQ(std::string(bytes.begin() + 11, bytes.begin() + 14), "AAA");
    // "ENTER YOUR NAME" below the table while asking, gone afterwards.
    Picture asking = LoadPng(folder.file("asking.png")), done = LoadPng(folder.file("done.png"));
    ASSERT_EQ(asking.width, 320);
    ASSERT_EQ(done.width, 320);
    EXPECT_GT(CountBright(asking, 104, 172, 184, 184, 200), 40);
    EXPECT_EQ(CountBright(done, 104, 172, 184, 184, 200), 0);
}
