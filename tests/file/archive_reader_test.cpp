// The archive-aware file set: path walk, remembered archive, lookups, entry
// reads, the open-file and archive tables, keys and versions.
#include <string.h>

#include "archive_writer.h"
#include "file_test_util.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"

namespace {

namespace fs = std::filesystem;

// Packs folder into folder.data and optionally removes the folder.
void Pack(const std::string& folder, bool removeFolder, const std::string& out = "") {
    std::string error;
    PackStats stats;
    ASSERT_TRUE(PackFolder(folder, out.empty() ? folder + ".data" : out, error, &stats)) << error;
    if (removeFolder) fs::remove_all(folder);
}

std::string ReadPath(const char* path, int chunk = 7) {
    FileHandle f = g_archiveFileOps.open(path, 0, 1);
    if (!f) return "<fail>";
    std::vector<uint8_t> bytes = ReadAllThrough(&g_archiveFileOps, f, chunk);
    g_archiveFileOps.close(f);
    return std::string(bytes.begin(), bytes.end());
}

// Sends the runtime's log lines to AppLog.txt in the current folder for the
// scope of one check, as if RuntimeInit had run there with the log on.
class LogCapture {
public:
    LogCapture() {
        saved_ = g_runtime;
        char cwd[256];
        if (getcwd(cwd, sizeof(cwd))) snprintf(g_runtime.startDirectory, sizeof(g_runtime.startDirectory), "%s", cwd);
        snprintf(g_runtime.log.logFileName, sizeof(g_runtime.log.logFileName), "AppLog.txt");
        g_runtime.settings.logDisabled = 0;
        g_runtime.log.logLineOpen = 0;
        g_runtime.log.logIndent = 0;
    }
    ~LogCapture() { g_runtime = saved_; }
    std::string Text() const {
        std::vector<uint8_t> bytes = ReadFileBytes("AppLog.txt");
        return std::string(bytes.begin(), bytes.end());
    }

private:
    RuntimeState saved_;
};

class ArchiveReader : public ::testing::Test {
protected:
    void SetUp() override {
        ResetArchives("data");
        baseline = TrackedBlockCount();
    }
    void TearDown() override {
        ResetArchives(nullptr);
        EXPECT_EQ(TrackedBlockCount(), baseline) << "runtime blocks left behind";
    }
    ScratchDir dir;
    int baseline = 0;
};

TEST_F(ArchiveReader, FolderPathReadsTheEntryOfItsArchive) {
    WriteFileText("bkt/wav/BGM.OGG", "music from the archive");
    WriteFileText("bkt/graphic/title.png", "picture");
    Pack("bkt", true);
    EXPECT_EQ(ReadPath("bkt\\wav\\bgm.ogg"), "music from the archive");
    EXPECT_EQ(ReadPath("bkt\\WAV\\Bgm.Ogg"), "music from the archive");
    EXPECT_EQ(ReadPath("bkt/graphic/TITLE.PNG"), "picture");
    EXPECT_EQ(ReadPath(".\\bkt\\x\\..\\wav\\bgm.ogg"), "music from the archive");
    std::string absolute = dir.path() + "/bkt/wav/bgm.ogg";
    EXPECT_EQ(ReadPath(absolute.c_str()), "music from the archive");
    EXPECT_EQ(g_files.fileCount, 0);
    EXPECT_EQ(g_files.archiveCount, 1);
    CloseIdleArchives();
    EXPECT_EQ(g_files.archiveCount, 0);
}

TEST_F(ArchiveReader, ArchiveComesBeforeTheFolderAndHidesIt) {
    WriteFileText("bkt/a.txt", "packed");
    Pack("bkt", false);
    WriteFileText("bkt/a.txt", "on disk");
    WriteFileText("bkt/only_on_disk.txt", "x");
    EXPECT_EQ(ReadPath("bkt\\a.txt"), "packed");
    // Found an archive but not the entry: the disk copy is not used.
    EXPECT_EQ(g_archiveFileOps.open("bkt\\only_on_disk.txt", 0, 1), 0);
    // Without the extension set, "QMA" is looked for and the disk is used.
    SetArchiveExtensionInternal("");
    ClearArchiveBookkeeping();
    EXPECT_EQ(ReadPath("bkt\\a.txt"), "on disk");
    EXPECT_STREQ(CurrentArchiveExtension(), "QMA");
}

TEST_F(ArchiveReader, DirectoriesDoNotOpen) {
    WriteFileText("bkt/wav/sub/x.bin", "x");
    Pack("bkt", true);
    EXPECT_EQ(g_archiveFileOps.open("bkt\\wav", 0, 1), 0);
    EXPECT_EQ(g_archiveFileOps.open("bkt\\wav\\sub", 0, 1), 0);
    EXPECT_EQ(g_archiveFileOps.open("bkt\\wav\\", 0, 1), 0);
    EXPECT_EQ(g_archiveFileOps.open("bkt\\wav\\nothere\\x.bin", 0, 1), 0);
    EXPECT_EQ(g_archiveFileOps.open("bkt\\x.bin\\wav", 0, 1), 0);
    EXPECT_EQ(ReadPath("bkt\\wav\\sub\\x.bin"), "x");
    // An empty component makes no full path; the disk has nothing either.
    EXPECT_EQ(g_archiveFileOps.open("bkt\\\\wav\\sub\\x.bin", 0, 1), 0);
}

TEST_F(ArchiveReader, ReadingPastTheEndGivesTheRestThenEof) {
    WriteFileText("bkt/ten.bin", "0123456789");
    Pack("bkt", true);
    FileHandle f = g_archiveFileOps.open("bkt\\ten.bin", 0, 1);
    ASSERT_NE(f, 0);
    char buf[16] = {};
    EXPECT_EQ(g_archiveFileOps.read(buf, 1, 4, f), 4);
    EXPECT_EQ(g_archiveFileOps.read(buf, 1, 4, f), 4);
    EXPECT_EQ(g_archiveFileOps.read(buf, 1, 4, f), 2);
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(g_archiveFileOps.eof(f), 0);
    EXPECT_EQ(g_archiveFileOps.read(buf, 1, 4, f), 0);
    EXPECT_EQ(g_archiveFileOps.eof(f), -1);
    EXPECT_EQ(g_archiveFileOps.read(buf, 1, 4, f), 0);
    EXPECT_EQ(g_archiveFileOps.eof(f), -1);
    EXPECT_EQ(g_archiveFileOps.seek(f, -3, 2), 0);
    EXPECT_EQ(g_archiveFileOps.eof(f), 0);
    EXPECT_EQ(g_archiveFileOps.read(buf, 1, 10, f), 3);
    EXPECT_EQ(std::string(buf, 3), "789");
    // Seeks clamp to the entry.
    EXPECT_EQ(g_archiveFileOps.seek(f, -5, 0), 0);
    EXPECT_EQ(g_archiveFileOps.tell(f), 0);
    EXPECT_EQ(g_archiveFileOps.seek(f, 50, 1), 0);
    EXPECT_EQ(g_archiveFileOps.tell(f), 10);
    // Elements count as on the disk: whole 4-byte elements only.
    EXPECT_EQ(g_archiveFileOps.seek(f, 0, 0), 0);
    uint32_t words[3];
    EXPECT_EQ(g_archiveFileOps.read(words, 4, 3, f), 2);
    EXPECT_EQ(g_archiveFileOps.tell(f), 8);
    EXPECT_EQ(g_archiveFileOps.read(words, 4, 3, f), 0);
    EXPECT_EQ(g_archiveFileOps.eof(f), -1);
    EXPECT_EQ(g_archiveFileOps.close(f), 0);
}

TEST_F(ArchiveReader, SecondOpenUnderTheSameFolderSkipsTheWalk) {
    // run/bkt.data holds "inner"; run.data (one folder up, tried first by a
    // walk) holds "outer" for the same path.
    WriteFileText("run/bkt/a.txt", "inner");
    WriteFileText("run/bkt/b.txt", "inner b");
    ASSERT_EQ(chdir("run"), 0);
    Pack("bkt", true);
    EXPECT_EQ(ReadPath("bkt\\a.txt"), "inner");
    ASSERT_EQ(chdir(".."), 0);
    WriteFileText("outer/bkt/a.txt", "outer");
    WriteFileText("outer/bkt/b.txt", "outer b");
    Pack("outer", true, "run.data");
    ASSERT_EQ(chdir("run"), 0);
    EXPECT_EQ(ReadPath("bkt\\b.txt"), "inner b");
    EXPECT_EQ(g_files.archiveCount, 1);
    // Forgetting the remembered archive lets the walk find the outer one first.
    g_files.rememberedPrefix = 0;
    EXPECT_EQ(ReadPath("bkt\\a.txt"), "outer");
    ASSERT_EQ(chdir(".."), 0);
}

TEST_F(ArchiveReader, RememberedArchiveStandsOnlyForItsOwnFolder) {
    WriteFileText("bkt/f.txt", "archive");
    Pack("bkt", true);
    WriteFileText("bktx/f.txt", "disk");
    EXPECT_EQ(ReadPath("bkt\\f.txt"), "archive");
    EXPECT_EQ(ReadPath("bktx\\f.txt"), "disk");
    EXPECT_EQ(g_archiveFileOps.open("bkt", 0, 1), 0);
}

TEST_F(ArchiveReader, FiveHundredTwelveOpenFiles) {
    WriteFileText("bkt/a.txt", "abc");
    Pack("bkt", true);
    WriteFileText("plain.txt", "p");
    std::vector<FileHandle> open;
    for (int i = 0; i < OpenFileSlotCount; i++) {
        FileHandle f = g_archiveFileOps.open(i % 2 ? "bkt\\a.txt" : "plain.txt", 0, 1);
        ASSERT_NE(f, 0) << i;
        open.push_back(f);
    }
    EXPECT_EQ(g_files.fileCount, 512);
    {
        LogCapture log;
        EXPECT_EQ(g_archiveFileOps.open("plain.txt", 0, 1), 0);
        EXPECT_EQ(g_archiveFileOps.open("bkt\\a.txt", 0, 1), 0);
        std::string line = SJ("同時に開けるファイルの数が限界を超えました\n");
        line.insert(line.size() - 1, "\r");
        std::string text = log.Text();
        size_t first = text.find(line);
        EXPECT_NE(first, std::string::npos) << text;
        EXPECT_NE(text.find(line, first + 1), std::string::npos) << "one line per refused open";
    }
    EXPECT_EQ(g_files.archives[g_files.rememberedSlot]->refCount, 256);
    EXPECT_EQ(g_archiveFileOps.close(open[100]), 0);
    FileHandle again = g_archiveFileOps.open("bkt\\a.txt", 0, 1);
    EXPECT_EQ(again, open[100]) << "the freed slot is reused";
    open[100] = again;
    for (FileHandle f : open) EXPECT_EQ(g_archiveFileOps.close(f), 0);
    EXPECT_EQ(g_files.fileCount, 0);
    EXPECT_EQ(g_files.archives[g_files.rememberedSlot]->refCount, 0);
}

TEST_F(ArchiveReader, IdleArchivesCloseOnlyWhenUnused) {
    WriteFileText("bkt/a.txt", "abc");
    Pack("bkt", true);
    FileHandle f = g_archiveFileOps.open("bkt\\a.txt", 0, 1);
    ASSERT_NE(f, 0);
    CloseIdleArchives();
    EXPECT_EQ(g_files.archiveCount, 1);
    char c[3];
    EXPECT_EQ(g_archiveFileOps.read(c, 1, 3, f), 3);
    g_archiveFileOps.close(f);
    CloseIdleArchives();
    EXPECT_EQ(g_files.archiveCount, 0);
    // The remembered archive is opened again by name.
    EXPECT_EQ(ReadPath("bkt\\a.txt"), "abc");
}

TEST_F(ArchiveReader, FullArchiveTableClosesIdleOnesOrFails) {
    WriteFileText("one/a.txt", "a");
    Pack("one", true, "proto.data");
    std::vector<uint8_t> image = ReadFileBytes("proto.data");
    for (int i = 0; i <= ArchiveSlotCount; i++) WriteFileBytes("a" + std::to_string(i) + ".data", image);
    for (int i = 0; i < ArchiveSlotCount; i++)
        ASSERT_GE(AcquireArchive(("a" + std::to_string(i) + ".data").c_str(), -1), 0) << i;
    EXPECT_EQ(AcquireArchive("a512.data", -1), -1);
    int slot = AcquireArchive("a7.data", -1);
    EXPECT_EQ(g_files.archives[slot]->refCount, 2);
    ReleaseArchive(slot);
    ReleaseArchive(slot);
    ReleaseArchive(slot);
    EXPECT_EQ(g_files.archives[slot]->refCount, 0);
    EXPECT_GE(AcquireArchive("a512.data", -1), 0);
    EXPECT_EQ(g_files.archiveCount, ArchiveSlotCount);
    EXPECT_EQ(AcquireArchive("nothing.data", -1), -1);
    EXPECT_EQ(AcquireArchive("proto.data", 5000), -1) << "table full, all referenced";
}

TEST_F(ArchiveReader, FallbackKeyAndVersions) {
    WriteFileText("bkt/a.txt", "abcabcabcabcabcabcabcabcabcabcabc");
    Pack("bkt", true, "packed.data");
    std::vector<uint8_t> image = ReadFileBytes("packed.data");
    ArchiveKey key, fallback;
    BuildArchiveKey(&key);
    GetFallbackArchiveKey(&fallback);
    std::vector<uint8_t> plain = image;
    UnscrambleArchiveBytes(plain.data(), (uint32_t)plain.size(), 0, &key);
    ASSERT_EQ(plain[0], 'Q');
    ASSERT_EQ(plain[1], 'M');
    std::vector<uint8_t> other = plain;
    UnscrambleArchiveBytes(other.data(), (uint32_t)other.size(), 0, &fallback);
    WriteFileBytes("bkt.data", other);
    EXPECT_EQ(ReadPath("bkt\\a.txt"), "abcabcabcabcabcabcabcabcabcabcabc");

    WriteFileText("bkt/a.txt", "disk");
    for (int version : {3, 4}) {
        std::vector<uint8_t> v = plain;
        WriteLe16(&v[ArchiveHeaderVersion], (uint16_t)version);
        UnscrambleArchiveBytes(v.data(), (uint32_t)v.size(), 0, &key);
        WriteFileBytes("bkt.data", v);
        ClearArchiveBookkeeping();
        SetArchiveExtensionInternal("data");
        EXPECT_EQ(ReadPath("bkt\\a.txt"), version == 3 ? "abcabcabcabcabcabcabcabcabcabcabc" : "disk");
    }
}

TEST_F(ArchiveReader, ClearingBookkeepingFreesOpenFilesAndArchives) {
    WriteFileText("bkt/a.txt", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
    Pack("bkt", true);
    WriteFileText("d.txt", "d");
    EXPECT_NE(g_archiveFileOps.open("bkt\\a.txt", 0, 1), 0);
    EXPECT_NE(g_archiveFileOps.open("d.txt", 0, 1), 0);
    EXPECT_GT(TrackedBlockCount(), baseline);
    ClearArchiveBookkeeping();
    EXPECT_EQ(TrackedBlockCount(), baseline);
    EXPECT_EQ(g_files.fileCount, 0);
    EXPECT_EQ(g_files.rememberedPrefix, 0);
    EXPECT_STREQ(CurrentArchiveExtension(), "QMA");
}

TEST_F(ArchiveReader, ExtensionSetting) {
    SetArchiveExtensionInternal(std::string(63, 'e').c_str());
    EXPECT_EQ(std::string(CurrentArchiveExtension()), std::string(63, 'e'));
    SetArchiveExtensionInternal(std::string(64, 'e').c_str());
    EXPECT_STREQ(CurrentArchiveExtension(), "QMA");
    SetArchiveExtensionInternal(nullptr);
    EXPECT_STREQ(CurrentArchiveExtension(), "QMA");
    WriteFileText("pics/x.txt", "ext");
    Pack("pics", true, "pics.pak");
    SetArchiveExtensionInternal("pak");
    EXPECT_EQ(ReadPath("pics\\x.txt"), "ext");
}

TEST(ArchivePaths, MakeFullPathRules) {
    ScratchDir dir;
    char cwd[512];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    std::string here;
    for (char* p = cwd; *p; p++) here += *p == '/' ? '\\' : *p;
    char out[ArchivePathMax];
    // Every component keeps its case: the disk then finds the exact name first.
    ASSERT_EQ(MakeFullPath("Bkt\\wav\\bgm.OGG", out), 0);
    EXPECT_EQ(std::string(out), here + "\\Bkt\\wav\\bgm.OGG");
    ASSERT_EQ(MakeFullPath("a/./b/../c\\d", out), 0);
    EXPECT_EQ(std::string(out), here + "\\a\\c\\d");
#ifdef _WIN32
    const std::string drive = here.substr(0, 2); // a rooted path takes the current drive
#else
    const std::string drive;
#endif
    ASSERT_EQ(MakeFullPath("\\x\\y", out), 0);
    EXPECT_EQ(std::string(out), drive + "\\x\\y");
    ASSERT_EQ(MakeFullPath("..\\..\\..\\..\\..\\..\\..\\q", out), 0);
    EXPECT_EQ(std::string(out), drive + "\\q") << ".. never climbs above the root";
    ASSERT_EQ(MakeFullPath("c:\\dir\\f", out), 0);
    EXPECT_STREQ(out, "C:\\dir\\f");
    ASSERT_EQ(MakeFullPath("c:dir\\f", out), 0);
    EXPECT_STREQ(out, "C:\\dir\\f");
    ASSERT_EQ(MakeFullPath("a\\..", out), 0);
    EXPECT_EQ(std::string(out), here + "\\a\\..");
    EXPECT_EQ(MakeFullPath("a\\\\b", out), -1);
    // Up to the platform's path limit, and not a byte more.
    std::string longest((size_t)ArchivePathMax - 2 - here.size(), 'x');
    ASSERT_EQ(MakeFullPath(longest.c_str(), out), 0);
    EXPECT_EQ(strlen(out), (size_t)ArchivePathMax - 1);
    EXPECT_EQ(MakeFullPath((longest + "x").c_str(), out), -1);
    // Double-byte characters: trail bytes are neither separators nor letters.
    std::string sj = "\x83\x5C\x82\x61\\f";
    ASSERT_EQ(MakeFullPath(sj.c_str(), out), 0);
    EXPECT_EQ(std::string(out), here + "\\\x83\x5C\x82\x61\\f");
}

} // namespace
