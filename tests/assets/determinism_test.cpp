// Two runs of the generator give the same bytes, and the build's data is what a run gives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "asset_files.h"

namespace fs = std::filesystem;
using namespace assetfiles;

namespace {

std::string Generate(const std::string& dir) {
    std::string command = std::string(ASSETGEN_PATH) + " --assets " + BKT_SOURCE_DIR "/assets --out " + dir +
                          " --icon " + dir + "/icon-copy.png";
    return assetfiles::Run(command);
}

std::vector<std::string> Files(const std::string& root) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) names.push_back(fs::relative(e.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(Determinism, TwoRunsGiveIdenticalBytes) {
    char a[] = "/tmp/assetgen-a-XXXXXX", b[] = "/tmp/assetgen-b-XXXXXX";
    ASSERT_NE(mkdtemp(a), nullptr);
    ASSERT_NE(mkdtemp(b), nullptr);
    EXPECT_EQ(Generate(a), "");
    EXPECT_EQ(Generate(b), "");
    std::vector<std::string> names = Files(a);
    EXPECT_EQ(names, Files(b));
    EXPECT_GE(names.size(), 7u + 6u + 33u + 1u);
    for (const std::string& n : names) {
        std::vector<uint8_t> x = ReadAll(std::string(a) + "/" + n), y = ReadAll(std::string(b) + "/" + n);
        EXPECT_FALSE(x.empty()) << n;
        EXPECT_TRUE(x == y) << n << " differs between runs";
        // The build's own output is the same data.
        if (n != "icon-copy.png") {
            EXPECT_TRUE(ReadAll(Dist(n)) == x) << n << " differs from the build's";
        }
    }
    fs::remove_all(a);
    fs::remove_all(b);
}

TEST(Determinism, BrokenSourcesFailTheBuildWithTheirLine) {
    char dir[] = "/tmp/assetgen-bad-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    fs::copy(BKT_SOURCE_DIR "/assets", std::string(dir) + "/assets", fs::copy_options::recursive);
    // A stage row one character short.
    std::string stage = std::string(dir) + "/assets/stages/01.stage";
    std::vector<uint8_t> text = ReadAll(stage);
    std::string s(text.begin(), text.end());
    size_t at = s.find("\n====");
    ASSERT_NE(at, std::string::npos);
    s.erase(at + 1, 1);
    FILE* f = std::fopen(stage.c_str(), "wb");
    std::fwrite(s.data(), 1, s.size(), f);
    std::fclose(f);
    std::string out = assetfiles::Run(std::string(ASSETGEN_PATH) + " --assets " + dir + "/assets --out " + dir +
                                      "/out; echo status=$?");
    EXPECT_NE(out.find("01.stage:"), std::string::npos) << out;
    EXPECT_NE(out.find("20 characters"), std::string::npos) << out;
    EXPECT_NE(out.find("status=1"), std::string::npos) << out;
    fs::remove_all(dir);
}
