// The build's own bkt.data: with only the archive beside it (no bkt folder),
// every file of dist/bkt reads back through the archive-aware set unchanged.
#include "file_test_util.h"

namespace {

namespace fs = std::filesystem;

TEST(DistArchive, GameDataReadsFromTheArchiveAlone) {
    std::string dist = BKT_DIST_DIR;
    if (!fs::exists(dist + "/bkt.data") || !fs::is_directory(dist + "/bkt"))
        GTEST_SKIP() << "game data not built (targets game_data, pack_game_data)";
    ScratchDir dir;
    fs::copy_file(dist + "/bkt.data", "bkt.data");
    ResetArchives("data");
    int files = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dist + "/bkt", ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string rel = "bkt\\" + fs::relative(it->path(), dist + "/bkt").string();
        for (char& c : rel)
            if (c == '/') c = '\\';
        FileHandle f = g_archiveFileOps.open(rel.c_str(), 0, 1);
        ASSERT_NE(f, 0) << rel;
        EXPECT_EQ(ReadAllThrough(&g_archiveFileOps, f, 4096), ReadFileBytes(it->path().string())) << rel;
        g_archiveFileOps.close(f);
        files++;
    }
    EXPECT_GT(files, 0);
    ResetArchives(nullptr);
}

} // namespace
