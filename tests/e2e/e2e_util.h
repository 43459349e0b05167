// End-to-end helpers: a temporary copy of the built game folder, runs of
// borrakezti-replay in it, its status lines, stage files and PNG screenshots.
#pragma once

#include <gtest/gtest.h>
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/test_files.h"

// Skips the test when the replay tool or the game data has not been built.
#define REQUIRE_GAME(folder) \
    if (!(folder).ready()) GTEST_SKIP() << "borrakezti-replay or the game data is not built"

// One status line of the replay tool.
struct Status {
    int frame = -1, scene = -1, score = 0, lives = 0, stage = 0, x = 0, y = 0, vy = 0, cond = 0;
};

struct ReplayResult {
    int exitCode = -1;         // the tool's exit status
    std::vector<Status> lines; // every status line printed, in order
    std::string errors;        // what it printed on stderr
    Status last() const { return lines.empty() ? Status() : lines.back(); }
};

// The system's reason when a folder stands where a file is to be made.
#ifdef _WIN32
#define FOLDER_IN_THE_WAY "Access denied"
#else
#define FOLDER_IN_THE_WAY "Is a directory"
#endif

// A temporary copy of build/dist without any settings or ranking file.
class GameFolder {
public:
    GameFolder();
    ~GameFolder();
    // False when the replay tool or the game data has not been built.
    bool ready() const { return m_ready; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    // Runs the replay tool with the script text and extra arguments, in the folder,
    // which is also its save folder unless saveHere is false (then the tool's own
    // scratch folder is used).
    ReplayResult run(const std::string& script, const std::string& args = "", bool trace = true, bool saveHere = true);
    // Replaces every stage file by the given ones (name like "00", "0", "01").
    void clearStages();
    void writeStage(const std::string& stem, const int grid[20][15]);

private:
    std::string m_path;
    bool m_ready = false;
    int m_runs = 0; // each run has its own stderr file: under Wine the last one may still be held
};

// A test that runs in a fresh game folder, skipped when the game is not built.
class GameFolderTest : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_GAME(folder); }
    GameFolder folder;
};

bool ParseStatus(const std::string& line, Status& status);
bool PathExists(const std::string& path);

// An RGBA picture decoded from a PNG file; empty when it could not be read.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB
    uint32_t at(int x, int y) const { return pixels[(size_t)y * width + x]; }
};
Picture LoadPng(const std::string& path);
// Pixels in the rectangle [x0, x1) x [y0, y1) brighter than the threshold in every channel.
int CountBright(const Picture& picture, int x0, int y0, int x1, int y1, int threshold);
// Pixels that differ between two pictures inside the rectangle.
int CountDifferent(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1);

// Keys of the start that lead from the title to the first frame of play: Z on the title
// at frame 5, Z on START at frame 10 held through the how-to screen (skipping the
// demonstration), released at frame 200. Returns the script text.
std::string ScriptToPlay();
// Script lines holding the keys on one frame only: pressed at the frame, released after it.
std::string Press(int frame, const char* keys);
// Z pressed every `step` frames from `from` up to, not including, `to`.
std::string TapZ(int from, int to, int step);
// Index into r.lines of the first status from `from` on that passes the test; -1 when none.
int FirstLine(const ReplayResult& r, const std::function<bool(const Status&)>& test, size_t from = 0);
