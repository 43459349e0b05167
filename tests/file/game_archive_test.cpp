// The real game reading its pictures and sounds from bkt.data: a replay run
// from a copy of the dist folder without bkt/ shows the same frames as one
// with the folder, and a run with neither shows something else.
#include "file_test_util.h"

namespace {

namespace fs = std::filesystem;

// Copies dist into folder, keeping or dropping the bkt folder and bkt.data.
void CopyDist(const std::string& folder, bool keepFolder, bool keepArchive) {
    std::string dist = BKT_DIST_DIR;
    fs::create_directories(folder);
    fs::copy(dist + "/sg", folder + "/sg", fs::copy_options::recursive);
    fs::copy_file(dist + "/borrakezti-replay", folder + "/borrakezti-replay");
    if (keepFolder) fs::copy(dist + "/bkt", folder + "/bkt", fs::copy_options::recursive);
    if (keepArchive) fs::copy_file(dist + "/bkt.data", folder + "/bkt.data");
}

// Runs the replay in folder with the title and the menu on screen; the two
// screenshots' bytes, or empty when the run failed.
std::vector<uint8_t> Shots(const std::string& folder) {
    WriteFileText(folder + "/walk.script", "0 -\n300 Z\n301 -\n");
    std::string cmd = "cd '" + folder +
                      "' && ./borrakezti-replay --script walk.script --frames 360"
                      " --shot 120:title.png --shot 350:menu.png >/dev/null 2>&1";
    if (system(cmd.c_str()) != 0) return {};
    std::vector<uint8_t> a = ReadFileBytes(folder + "/title.png");
    std::vector<uint8_t> b = ReadFileBytes(folder + "/menu.png");
    if (a.empty() || b.empty()) return {};
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(GameArchive, PicturesComeFromTheArchiveWhenTheFolderIsGone) {
    std::string dist = BKT_DIST_DIR;
    if (!fs::exists(dist + "/borrakezti-replay") || !fs::exists(dist + "/bkt.data") || !fs::is_directory(dist + "/bkt"))
        GTEST_SKIP() << "replay tool or game data not built";
    ScratchDir dir;
    CopyDist("folder", true, false);
    CopyDist("archive", false, true);
    CopyDist("neither", false, false);
    std::vector<uint8_t> fromFolder = Shots(dir.path() + "/folder");
    std::vector<uint8_t> fromArchive = Shots(dir.path() + "/archive");
    std::vector<uint8_t> fromNothing = Shots(dir.path() + "/neither");
    ASSERT_FALSE(fromFolder.empty());
    EXPECT_EQ(fromArchive, fromFolder);
    EXPECT_NE(fromNothing, fromFolder) << "the check would not notice missing pictures";
}

// Every frame of the first 300 (title, menu, how-to, first frames of play) as
// PNG bytes, one entry per frame; empty when the run failed.
std::vector<std::vector<uint8_t>> EveryFrame(const std::string& folder) {
    WriteFileText(folder + "/play.script", "0 -\n5 Z\n6 -\n10 Z\n200 -\n");
    std::string cmd = "cd '" + folder + "' && ./borrakezti-replay --script play.script --frames 300";
    for (int f = 0; f < 300; f++) cmd += " --shot " + std::to_string(f) + ":f" + std::to_string(f) + ".png";
    if (system((cmd + " >/dev/null 2>&1").c_str()) != 0) return {};
    std::vector<std::vector<uint8_t>> frames;
    for (int f = 0; f < 300; f++) frames.push_back(ReadFileBytes(folder + "/f" + std::to_string(f) + ".png"));
    return frames;
}

// The game's folder "play" has a case twin "Play" beside it: the archive the
// game reads is its own, so the frames match those of a plain folder.
TEST(GameArchive, AFolderWithACaseTwinShowsTheSameFrames) {
    std::string dist = BKT_DIST_DIR;
    if (!fs::exists(dist + "/borrakezti-replay") || !fs::exists(dist + "/bkt.data"))
        GTEST_SKIP() << "replay tool or game data not built";
    ScratchDir dir;
    CopyDist("plain", false, true);
    std::vector<std::vector<uint8_t>> plain = EveryFrame(dir.path() + "/plain");
    ASSERT_EQ(plain.size(), 300u);
    for (bool keepFolder : {false, true}) {
        SCOPED_TRACE(keepFolder ? "with bkt/" : "archive only");
        std::string base = dir.path() + (keepFolder ? "/with" : "/without");
        CopyDist(base + "/play", keepFolder, true);
        CopyDist(base + "/Play", false, false);
        std::vector<std::vector<uint8_t>> twin = EveryFrame(base + "/play");
        ASSERT_EQ(twin.size(), 300u);
        int differing = 0;
        for (int f = 0; f < 300; f++) differing += twin[(size_t)f] != plain[(size_t)f] || plain[(size_t)f].empty();
        EXPECT_EQ(differing, 0) << "frames that differ from the plain folder's";
    }
}

} // namespace
