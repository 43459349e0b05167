// The command lines of the game, the replay tool and the archiver: usage and version
// on request, and a bad option, a missing value or an impossible shot refused with
// one line, the usage hint and exit status 2 (1 for a shot the run never reached).
#include "tests/e2e/e2e_util.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>

namespace {

struct ToolRun {
    int status = -1;
    std::string out, err;
};

ToolRun RunIn(const std::string& folder, const std::string& command) {
    std::string errFile = folder + "/cli-stderr.txt";
    std::string full =
        "cd '" + folder + "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy " + command + " 2>'" + errFile + "'";
    ToolRun run;
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.out.append(buffer, got);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::vector<uint8_t> err = ReadFileBytes(errFile);
    run.err.assign(err.begin(), err.end());
    return run;
}

TEST(CommandLine, HelpVersionAndBadUsageOfEveryProgram) {
    GameFolder folder;
    if (!folder.ready()) GTEST_SKIP() << "borrakezti-replay or the game data is not built";
    std::string archiver = std::string(BKT_BINARY_DIR) + "/tools/archiver/archiver";
    if (!PathExists(folder.file("borrakezti")) || !PathExists(archiver))
        GTEST_SKIP() << "the game or the archiver is not built";
    WriteFileBytes(folder.file("idle.script"), {'0', ' ', '-', '\n'});
    const struct {
        std::string program, args;
        int status;
        const char* out; // start of stdout ("" = empty)
        const char* err; // whole stderr
    } cases[] = {
        {"./borrakezti", "--help", 0, "usage: borrakezti", ""},
        {"./borrakezti", "--version", 0, "borrakezti 1.0\n", ""},
        {"./borrakezti", "--frobnicate", 2, "",
         "borrakezti: unknown option: --frobnicate\nTry 'borrakezti --help' for more information.\n"},
        {"./borrakezti-replay", "--help", 0, "usage: borrakezti-replay", ""},
        {"./borrakezti-replay", "--version", 0, "borrakezti-replay 1.0\n", ""},
        {"./borrakezti-replay", "--script idle.script --bogus", 2, "",
         "borrakezti-replay: unknown option: --bogus\nTry 'borrakezti-replay --help' for more information.\n"},
        {"./borrakezti-replay", "--script", 2, "",
         "borrakezti-replay: missing value after --script\nTry 'borrakezti-replay --help' for more information.\n"},
        {"./borrakezti-replay", "--script idle.script --shot", 2, "",
         "borrakezti-replay: missing value after --shot\nTry 'borrakezti-replay --help' for more information.\n"},
        {"./borrakezti-replay", "--script idle.script --shot 5:", 2, "",
         "borrakezti-replay: bad shot (FRAME:PATH.png): 5:\nTry 'borrakezti-replay --help' for more information.\n"},
        {"./borrakezti-replay", "--script idle.script --frames 10 --shot 10:a.png", 2, "",
         "borrakezti-replay: shot frame 10 lies beyond the last frame (9)\n"
         "Try 'borrakezti-replay --help' for more information.\n"},
        {"./borrakezti-replay", "--script idle.script --save-dir no-such-folder", 2, "",
         "borrakezti-replay: the save folder no-such-folder does not exist\n"},
        {archiver, "--help", 0, "usage: archiver pack", ""},
        {archiver, "--version", 0, "archiver 1.0\n", ""},
        {archiver, "pack bkt -e", 2, "",
         "archiver: missing value after -e\nTry 'archiver --help' for more information.\n"},
        {archiver, "pack bkt --fast", 2, "",
         "archiver: unknown option: --fast\nTry 'archiver --help' for more information.\n"},
        {archiver, "unpack x", 2, "",
         "archiver: unknown command: unpack\nTry 'archiver --help' for more information.\n"},
    };
    for (const auto& c : cases) {
        ToolRun run = RunIn(folder.file(""), c.program + " " + c.args);
        std::string what = c.program + " " + c.args;
        EXPECT_EQ(run.status, c.status) << what << "\n" << run.err;
        EXPECT_EQ(run.out.rfind(c.out, 0), 0u) << what << "\n" << run.out;
        if (!c.out[0]) {
            EXPECT_EQ(run.out, "") << what;
        }
        EXPECT_EQ(run.err, c.err) << what;
    }
}

// A shot of a frame the run never reaches is an error, not silence; the others are kept.
TEST(CommandLine, ShotAfterTheGameEndedIsAnError) {
    GameFolder folder;
    if (!folder.ready()) GTEST_SKIP() << "borrakezti-replay or the game data is not built";
    ReplayResult r = folder.run("0 -\n3 ESCAPE\n", "--shot 1:early.png --shot 50:late.png", false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(PathExists(folder.file("early.png")));
    EXPECT_FALSE(PathExists(folder.file("late.png")));
    EXPECT_EQ(r.errors, "borrakezti-replay: no shot of frame 50: the game ended after 3 frames\n");
}

} // namespace
