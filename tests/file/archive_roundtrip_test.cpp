// Random folder trees packed by the archiver and read back through the
// runtime's archive-aware file set, whole, in short reads and after seeks;
// and the archiver's own reader and command line.
#include <map>
#include <random>
#include <set>

#include "archive_image.h"
#include "archive_writer.h"
#include "file_test_util.h"

namespace {

namespace fs = std::filesystem;

// Names drawn from ASCII and Shift-JIS pieces (ソ and 表 end in 0x5C; 0x82 0x61
// has a letter as its trail byte).
const char* const kPieces[] = {"a",        "B",        "stage",    "Wav",      "0",        "_",        "-", "x.y",
                               "\x83\x5C", "\x95\x5C", "\x82\xA0", "\x82\x61", "\x93\xFA", "\x96\x7B", "Zz"};

std::string RandomName(std::mt19937& rng) {
    std::string name;
    int n = 1 + (int)(rng() % 4);
    for (int i = 0; i < n; i++) name += kPieces[rng() % (sizeof(kPieces) / sizeof(kPieces[0]))];
    if (rng() % 2) name += ".bin";
    return name;
}

std::string UpperAscii(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        unsigned char c = (unsigned char)s[i];
        if (IsSjisLeadByte(c) && i + 1 < s.size()) {
            out += s[i];
            out += s[++i];
            continue;
        }
        out += (char)((c >= 'a' && c <= 'z') ? c - 32 : c);
    }
    return out;
}

std::vector<uint8_t> RandomContent(std::mt19937& rng) {
    size_t size;
    switch (rng() % 5) {
        case 0:
            size = 0;
            break;
        case 1:
            size = rng() % 16;
            break;
        case 2:
            size = rng() % 5000;
            break;
        default:
            size = rng() % 120000;
            break;
    }
    std::vector<uint8_t> v(size);
    int kind = (int)(rng() % 3);
    for (size_t i = 0; i < size; i++) {
        if (kind == 0) v[i] = (uint8_t)rng(); // does not compress
        else if (kind == 1) v[i] = (uint8_t)("0123456789 stage block\n"[(i * 7 + i / 50) % 23]);
        else v[i] = (i > 40 && rng() % 4) ? v[i - 1 - rng() % 40] : (uint8_t)rng();
    }
    return v;
}

// Builds a random tree under root; expected maps the runtime path (with "\")
// to the bytes.
void MakeTree(std::mt19937& rng, const std::string& disk, const std::string& path, int depth,
              std::map<std::string, std::vector<uint8_t>>& expected) {
    fs::create_directories(disk);
    std::set<std::string> used;
    int count = 1 + (int)(rng() % 6);
    for (int i = 0; i < count; i++) {
        std::string name = RandomName(rng);
        if (!used.insert(UpperAscii(name)).second) continue;
        if (depth < 3 && rng() % 3 == 0) {
            MakeTree(rng, disk + "/" + name, path + "\\" + name, depth + 1, expected);
        } else {
            std::vector<uint8_t> bytes = RandomContent(rng);
            WriteFileBytes(disk + "/" + name, bytes);
            expected[path + "\\" + name] = bytes;
        }
    }
}

// Outside the Japanese code page Windows splits a name at a 0x5C trail byte, which
// the random trees' Shift-JIS pieces have.
#ifdef _WIN32
#define SKIP_RANDOM_TREES_ON_WINDOWS() GTEST_SKIP() << "Shift-JIS names that Windows splits at their 0x5C byte"
#else
#define SKIP_RANDOM_TREES_ON_WINDOWS() (void)0
#endif

using ArchiveRoundTrip = ArchiveFolderTest;

TEST_F(ArchiveRoundTrip, RandomTreesReadBackByteForByte) {
    SKIP_RANDOM_TREES_ON_WINDOWS();
    for (unsigned seed = 1; seed <= 12; seed++) {
        std::mt19937 rng(seed);
        std::map<std::string, std::vector<uint8_t>> expected;
        std::string folder = "tree" + std::to_string(seed);
        MakeTree(rng, folder, folder, 0, expected);
        fs::create_directories(folder + "/empty_dir/deeper");
        std::string error;
        PackStats stats;
        ASSERT_TRUE(PackFolder(folder, folder + ".data", error, &stats)) << error;
        fs::remove_all(folder);
        for (const auto& [path, bytes] : expected) {
            // Whole, in chunks of varying size, with the case changed.
            std::string asked = seed % 2 ? UpperAscii(path) : path;
            FileHandle f = g_fileOps->open(asked.c_str(), 0, 1);
            ASSERT_NE(f, 0) << path;
            int chunk = 1 + (int)(rng() % 9000);
            EXPECT_EQ(ReadAllThrough(g_fileOps, f, chunk), bytes) << path;
            EXPECT_EQ(g_fileOps->eof(f), -1);
            // Seeks and short reads through the file DataStream.
            for (int k = 0; k < 20 && !bytes.empty(); k++) {
                int at = (int)(rng() % bytes.size());
                int origin = (int)(rng() % 3);
                int offset = origin == 0 ? at : origin == 2 ? at - (int)bytes.size() : at - g_fileStream.tell(f);
                ASSERT_EQ(g_fileStream.seek(f, offset, origin), 0);
                ASSERT_EQ(g_fileStream.tell(f), at);
                int want = 1 + (int)(rng() % 700);
                std::vector<uint8_t> got((size_t)want);
                int n = g_fileStream.read(got.data(), 1, want, f);
                int expectN = std::min(want, (int)bytes.size() - at);
                ASSERT_EQ(n, expectN) << path;
                EXPECT_TRUE(std::equal(got.begin(), got.begin() + n, bytes.begin() + at)) << path << " at " << at;
            }
            EXPECT_EQ(g_fileOps->close(f), 0);
        }
        EXPECT_EQ(g_fileOps->open((folder + "\\empty_dir\\deeper").c_str(), 0, 1), 0);
        EXPECT_EQ(g_files.fileCount, 0);
    }
}

TEST_F(ArchiveRoundTrip, SameFolderGivesTheSameBytes) {
    SKIP_RANDOM_TREES_ON_WINDOWS();
    std::mt19937 rng(77);
    std::map<std::string, std::vector<uint8_t>> expected;
    MakeTree(rng, "one", "one", 0, expected);
    // The same files created in the opposite order.
    for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
        // Folder separators only: a 0x5C trail byte stays.
        std::string fixed;
        const std::string& src = it->first.substr(3);
        for (size_t i = 0; i < src.size(); i++) {
            unsigned char c = (unsigned char)src[i];
            if (IsSjisLeadByte(c) && i + 1 < src.size()) {
                fixed += src[i];
                fixed += src[++i];
            } else {
                fixed += c == '\\' ? '/' : (char)c;
            }
        }
        WriteFileBytes("two" + fixed, it->second);
    }
    std::vector<uint8_t> a, b, c;
    std::string error;
    ASSERT_TRUE(BuildArchiveImage("one", a, error, nullptr)) << error;
    ASSERT_TRUE(BuildArchiveImage("one/", b, error, nullptr)) << error;
    ASSERT_TRUE(BuildArchiveImage("two", c, error, nullptr)) << error;
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
}

TEST_F(ArchiveRoundTrip, ToolReaderListsAndExtracts) {
    SKIP_RANDOM_TREES_ON_WINDOWS();
    std::mt19937 rng(5);
    std::map<std::string, std::vector<uint8_t>> expected;
    MakeTree(rng, "t", "t", 0, expected);
    std::string error;
    ASSERT_TRUE(PackFolder("t", "t.data", error, nullptr)) << error;
    ArchiveImage archive;
    ASSERT_TRUE(LoadArchiveImage("t.data", archive, error)) << error;
    EXPECT_EQ(archive.version, 2);
    size_t files = 0;
    for (const ArchiveItem& item : archive.items) {
        if (item.isDirectory) continue;
        files++;
        std::string key = "T\\" + JoinItemPath(item, '\\');
        const std::vector<uint8_t>* want = nullptr;
        for (const auto& [path, bytes] : expected)
            if (UpperAscii(path) == key) want = &bytes;
        ASSERT_NE(want, nullptr) << key;
        std::vector<uint8_t> got;
        ASSERT_TRUE(ReadArchiveItem(archive, item, got, error)) << error;
        EXPECT_EQ(got, *want) << key;
    }
    EXPECT_EQ(files, expected.size());
}

TEST_F(ArchiveRoundTrip, PackerRefusesUnreadableOrUnstorableFolders) {
    std::string error;
    std::vector<uint8_t> image;
    EXPECT_FALSE(BuildArchiveImage("missing", image, error, nullptr));
    EXPECT_NE(error.find("missing"), std::string::npos);
#ifndef _WIN32 // a Windows disk folds case and takes a backslash as a separator: neither name can exist
    WriteFileText("clash/a.txt", "1");
    WriteFileText("clash/A.TXT", "2");
    EXPECT_FALSE(BuildArchiveImage("clash", image, error, nullptr));
    EXPECT_NE(error.find("case"), std::string::npos);
    WriteFileText("slash/a\\b", "1");
    EXPECT_FALSE(BuildArchiveImage("slash", image, error, nullptr));
#endif
    WriteFileText("long/" + std::string(250, 'n'), "1");
    EXPECT_TRUE(BuildArchiveImage("long", image, error, nullptr)) << error;
}

std::string ToolPath() {
    return std::string(BKT_BINARY_DIR) + "/tools/archiver/archiver";
}

int RunTool(const std::string& command) {
    int status = system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ArchiveRoundTrip, CommandLineExitStatus) {
    if (!fs::exists(ToolPath())) GTEST_SKIP() << "archiver not built";
    std::string tool = ToolPath();
    WriteFileText("pack/a/b.txt", "hello hello hello hello hello");
    // The default extension is the runtime's default, QMA.
    EXPECT_EQ(RunTool(tool + " pack pack"), 0);
    EXPECT_TRUE(fs::exists("pack.QMA"));
    EXPECT_EQ(RunTool(tool + " pack pack -e data"), 0);
    EXPECT_EQ(ReadFileBytes("pack.QMA"), ReadFileBytes("pack.data"));
    EXPECT_EQ(RunTool(tool + " list pack.data"), 0);
    EXPECT_EQ(RunTool(tool + " extract pack.data out"), 0);
    EXPECT_EQ(ReadFileBytes("out/A/B.TXT"), ReadFileBytes("pack/a/b.txt"));
    EXPECT_EQ(RunTool(tool + " pack pack -e QMA -o other.QMA"), 0);
    EXPECT_EQ(ReadFileBytes("other.QMA"), ReadFileBytes("pack.data"));
    EXPECT_NE(RunTool(tool + " pack nothere"), 0);
    EXPECT_EQ(RunTool(tool + " pack nothere --if-present"), 0);
    WriteFileText("junk.data", "not an archive at all, just text");
    EXPECT_NE(RunTool(tool + " list junk.data"), 0);
    EXPECT_NE(RunTool(tool + " extract junk.data"), 0);
    EXPECT_NE(RunTool(tool + " list missing.data"), 0);
    EXPECT_NE(RunTool(tool + " frobnicate"), 0);
}

} // namespace

namespace {

// An archive the tool packs with its defaults is found by a reader using the
// runtime's default extension; one packed for the game's "data" is not.
TEST_F(ArchiveRoundTrip, ToolDefaultsMeetRuntimeDefaults) {
    if (!fs::exists(ToolPath())) GTEST_SKIP() << "archiver not built";
    WriteFileText("assets/pic/a.txt", "picture bytes");
    ASSERT_EQ(RunTool(ToolPath() + " pack assets"), 0);
    fs::remove_all("assets");
    ResetArchives(nullptr);
    FileHandle f = g_fileOps->open("assets\\pic\\a.txt", 0, 1);
    ASSERT_NE(f, 0) << "the default archive was not found";
    std::vector<uint8_t> want = {'p', 'i', 'c', 't', 'u', 'r', 'e', ' ', 'b', 'y', 't', 'e', 's'};
    EXPECT_EQ(ReadAllThrough(g_fileOps, f, 5), want);
    EXPECT_EQ(g_fileOps->close(f), 0);
    fs::rename("assets.QMA", "assets.data");
    ResetArchives(nullptr);
    EXPECT_EQ(g_fileOps->open("assets\\pic\\a.txt", 0, 1), 0);
}

} // namespace
