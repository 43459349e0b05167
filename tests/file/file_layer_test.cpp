// The file-operation sets, DataStreams and disk path resolution.
#include <string.h>

#include "file_test_util.h"
#include "runtime/core/runtime_state.h"
#include "runtime/file/disk_file.h"
#include "runtime/file/file_ops.h"

namespace {

std::vector<uint8_t> Bytes(int n) {
    std::vector<uint8_t> v((size_t)n);
    for (int i = 0; i < n; i++) v[(size_t)i] = (uint8_t)(i + 1);
    return v;
}

class FileLayer : public ::testing::Test {
protected:
    void SetUp() override { ResetArchives(nullptr); }
    void TearDown() override { ResetArchives(nullptr); }
    ScratchDir dir;
};

TEST_F(FileLayer, DiskReadCountsWholeElementsAndSetsEof) {
    WriteFileBytes("ten.bin", Bytes(10));
    for (const FileOpTable* ops : {&g_diskFileOps, &g_archiveFileOps}) {
        FileHandle f = ops->open("ten.bin", 0, 1);
        ASSERT_NE(f, 0);
        uint32_t buf[3] = {};
        EXPECT_EQ(ops->read(buf, 4, 3, f), 2);
        EXPECT_EQ(ops->tell(f), 8);
        EXPECT_EQ(buf[0], 0x04030201u);
        EXPECT_EQ(ops->eof(f), 0);
        EXPECT_EQ(ops->read(buf, 4, 3, f), 0);
        EXPECT_EQ(ops->eof(f), -1);
        EXPECT_EQ(ops->tell(f), 8);
        // One-byte reads still get the last two bytes; a seek clears eof.
        uint8_t tail[4];
        EXPECT_EQ(ops->read(tail, 1, 4, f), 2);
        EXPECT_EQ(tail[1], 10);
        EXPECT_EQ(ops->seek(f, 0, 0), 0);
        EXPECT_EQ(ops->eof(f), 0);
        EXPECT_EQ(ops->idle(f), 1);
        EXPECT_EQ(ops->close(f), 0);
    }
}

TEST_F(FileLayer, DiskSeekOriginsAndLimits) {
    WriteFileBytes("ten.bin", Bytes(10));
    FileHandle f = DiskOpen("ten.bin", 0, 1);
    ASSERT_NE(f, 0);
    EXPECT_EQ(DiskSeek(f, -2, 2), 0);
    EXPECT_EQ(DiskTell(f), 8);
    EXPECT_EQ(DiskSeek(f, 1, 1), 0);
    EXPECT_EQ(DiskTell(f), 9);
    // Before the start fails and leaves the position; past the end is allowed.
    EXPECT_EQ(DiskSeek(f, -1, 0), -1);
    EXPECT_EQ(DiskTell(f), 9);
    EXPECT_EQ(DiskSeek(f, 15, 0), 0);
    EXPECT_EQ(DiskTell(f), 15);
    uint8_t b;
    EXPECT_EQ(DiskRead(&b, 1, 1, f), 0);
    EXPECT_EQ(DiskEof(f), -1);
    EXPECT_EQ(DiskRead(&b, 0, 1, f), 0);
    // Back from past the end, the next read is at the new place.
    EXPECT_EQ(DiskSeek(f, -8, 1), 0);
    EXPECT_EQ(DiskRead(&b, 1, 1, f), 1);
    EXPECT_EQ(b, 8);
    EXPECT_EQ(DiskClose(f), 0);
}

TEST_F(FileLayer, DiskOpenFailsQuietlyForMissingFilesAndFolders) {
    std::filesystem::create_directory("folder");
    EXPECT_EQ(DiskOpen("missing.bin", 0, 1), 0);
    EXPECT_EQ(DiskOpen("folder", 0, 1), 0);
    EXPECT_EQ(g_archiveFileOps.open("missing.bin", 0, 1), 0);
    EXPECT_EQ(g_archiveFileOps.open("folder", 0, 1), 0);
    EXPECT_EQ(g_files.fileCount, 0);
}

TEST_F(FileLayer, ArchiveSetRejectsClosedAndForeignHandles) {
    WriteFileBytes("a.bin", Bytes(3));
    FileHandle f = g_archiveFileOps.open("a.bin", 0, 1);
    ASSERT_NE(f, 0);
    EXPECT_EQ(f & ~OpenFileSlotMask, OpenFileHandleTag);
    EXPECT_EQ(g_archiveFileOps.close(f), 0);
    uint8_t b;
    EXPECT_EQ(g_archiveFileOps.close(f), -1);
    EXPECT_EQ(g_archiveFileOps.tell(f), -1);
    EXPECT_EQ(g_archiveFileOps.seek(f, 0, 0), -1);
    EXPECT_EQ(g_archiveFileOps.read(&b, 1, 1, f), -1);
    EXPECT_EQ(g_archiveFileOps.eof(f), -1);
    EXPECT_EQ(g_archiveFileOps.close(12345), -1);
    EXPECT_EQ(g_archiveFileOps.close(OpenFileHandleTag | 0x0FFFFFFF), -1);
}

TEST_F(FileLayer, MemoryStreamReadsTailAsOneElement) {
    std::vector<uint8_t> block = Bytes(10);
    MemoryStream* m = OpenMemoryStream(block.data(), 10);
    ASSERT_NE(m, nullptr);
    intptr_t h = reinterpret_cast<intptr_t>(m);
    uint32_t buf[3] = {};
    EXPECT_EQ(g_memoryStream.read(buf, 4, 3, h), 2);
    EXPECT_EQ(g_memoryStream.tell(h), 8);
    buf[0] = 0;
    EXPECT_EQ(g_memoryStream.read(buf, 4, 1, h), 1);
    EXPECT_EQ(buf[0] & 0xFFFF, 0x0A09u);
    EXPECT_EQ(g_memoryStream.tell(h), 10);
    EXPECT_EQ(g_memoryStream.eof(h), 0);
    EXPECT_EQ(g_memoryStream.read(buf, 4, 1, h), 0);
    EXPECT_EQ(g_memoryStream.eof(h), 1);
    EXPECT_EQ(g_memoryStream.idle(h), 1);
    EXPECT_EQ(g_memoryStream.close(h), 0);
}

TEST_F(FileLayer, MemoryStreamSeekClamps) {
    std::vector<uint8_t> block = Bytes(10);
    MemoryStream* m = OpenMemoryStream(block.data(), 10);
    intptr_t h = reinterpret_cast<intptr_t>(m);
    EXPECT_EQ(g_memoryStream.seek(h, -5, 0), 0);
    EXPECT_EQ(g_memoryStream.tell(h), 0);
    EXPECT_EQ(g_memoryStream.seek(h, 15, 0), 0);
    EXPECT_EQ(g_memoryStream.tell(h), 10);
    uint8_t b;
    EXPECT_EQ(g_memoryStream.read(&b, 1, 1, h), 0);
    EXPECT_EQ(g_memoryStream.eof(h), 1);
    EXPECT_EQ(g_memoryStream.seek(h, -3, 1), 0);
    EXPECT_EQ(g_memoryStream.eof(h), 0);
    EXPECT_EQ(g_memoryStream.tell(h), 7);
    EXPECT_EQ(g_memoryStream.seek(h, -4, 2), 0);
    EXPECT_EQ(g_memoryStream.tell(h), 6);
    // Element size 0 reads nothing rather than dividing by it.
    EXPECT_EQ(g_memoryStream.read(&b, 0, 5, h), 0);
    g_memoryStream.close(h);
}

TEST_F(FileLayer, FileStreamGoesThroughInstalledTable) {
    WriteFileBytes("s.bin", Bytes(6));
    const FileOpTable* saved = g_fileOps;
    g_fileOps = &g_diskFileOps;
    FileHandle f = g_fileOps->open("s.bin", 0, 1);
    ASSERT_NE(f, 0);
    uint8_t b[6];
    EXPECT_EQ(g_fileStream.seek(f, 2, 0), 0);
    EXPECT_EQ(g_fileStream.read(b, 2, 2, f), 2);
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(g_fileStream.tell(f), 6);
    EXPECT_EQ(g_fileStream.eof(f), 0);
    EXPECT_EQ(g_fileStream.read(b, 1, 1, f), 0);
    EXPECT_EQ(g_fileStream.eof(f), -1);
    EXPECT_EQ(g_fileStream.idle(f), 1);
    EXPECT_EQ(g_fileStream.close(f), 0);
    g_fileOps = saved;
}

TEST_F(FileLayer, InstallAndApplyPickTheBuiltInSet) {
    const FileOpTable* saved = g_fileOps;
    int savedSetting = g_runtime.settings.archiveDisabled;
    g_runtime.settings.archiveDisabled = 1;
    InstallFileOps();
    EXPECT_EQ(g_fileOps, &g_diskFileOps);
    g_runtime.settings.archiveDisabled = 0;
    InstallFileOps();
    EXPECT_EQ(g_fileOps, &g_archiveFileOps);
    ApplyArchiveSetting(1);
    EXPECT_EQ(g_fileOps, &g_diskFileOps);
    ApplyArchiveSetting(0);
    EXPECT_EQ(g_fileOps, &g_archiveFileOps);
    // A table of the application's own is left in place.
    FileOpTable custom = g_diskFileOps;
    g_fileOps = &custom;
    ApplyArchiveSetting(1);
    EXPECT_EQ(g_fileOps, &custom);
    g_fileOps = saved;
    g_runtime.settings.archiveDisabled = savedSetting;
}

TEST_F(FileLayer, CurrentDirectoryBuffersAre260And256Bytes) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX paths: Windows answers with its drive and keeps folders under 260 bytes";
#endif
    // A folder whose absolute path is 257 characters long.
    std::string base = dir.path();
    std::string deep = base + "/" + std::string(257 - base.size() - 1, 'd');
    ASSERT_EQ(deep.size(), 257u);
    std::filesystem::create_directories(deep);
    ASSERT_NE(g_diskFileOps.setCurrentDirectory(deep.c_str()), 0);
    char plain[300], archive[300];
    memset(archive, 'X', sizeof(archive));
    EXPECT_EQ(g_diskFileOps.getCurrentDirectory(plain), 257);
    EXPECT_EQ(std::string(plain), deep);
    EXPECT_EQ(g_archiveFileOps.getCurrentDirectory(archive), 0);
    EXPECT_EQ(archive[0], 0) << "a directory too long for 256 bytes is not handed out cut short";
    EXPECT_EQ(archive[256], 'X');
    EXPECT_EQ(g_archiveFileOps.setCurrentDirectory(base.c_str()), 0);
    EXPECT_EQ(g_diskFileOps.getCurrentDirectory(plain), (int)base.size());
}

TEST_F(FileLayer, ResolveDiskPathMapsSeparatorsAndCase) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows finds separators and case itself";
#endif
    WriteFileText("Bkt/Graphic/Title.PNG", "x");
    char out[512];
    EXPECT_EQ(ResolveDiskPath("Bkt\\Graphic\\Title.PNG", out, sizeof(out)), 0);
    EXPECT_STREQ(out, "Bkt/Graphic/Title.PNG");
    EXPECT_EQ(ResolveDiskPath("BKT\\graphic\\title.png", out, sizeof(out)), 0);
    EXPECT_STREQ(out, "Bkt/Graphic/Title.PNG");
    std::string absolute = dir.path() + "/bkt/GRAPHIC/title.png";
    EXPECT_EQ(ResolveDiskPath(absolute.c_str(), out, sizeof(out)), 0);
    EXPECT_EQ(std::string(out), dir.path() + "/Bkt/Graphic/Title.PNG");
    // Missing: the folders found so far, the rest as written.
    EXPECT_EQ(ResolveDiskPath("bkt\\graphic\\New.dat", out, sizeof(out)), -1);
    EXPECT_STREQ(out, "Bkt/Graphic/New.dat");
    EXPECT_EQ(ResolveDiskPath("nothere\\x", out, sizeof(out)), -1);
    EXPECT_STREQ(out, "nothere/x");
    // Too small an output buffer fails without writing past it.
    char small[8];
    EXPECT_EQ(ResolveDiskPath("bkt\\graphic\\title.png", small, sizeof(small)), -1);
    EXPECT_EQ(ResolveDiskPath("", out, sizeof(out)), -1);
    FileHandle f = DiskOpen("bkt\\GRAPHIC\\TITLE.png", 0, 1);
    EXPECT_NE(f, 0);
    if (f) DiskClose(f);
}

TEST_F(FileLayer, ResolveDiskPathKeepsDoubleByteNames) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows finds separators and case itself";
#endif
    // 0x83 0x5C is one character whose second byte is a backslash.
    std::string name = "\x83\x5C\x82\x61.txt";
    WriteFileText("sj/" + name, "so");
    char out[256];
    std::string request = "SJ\\" + name;
    EXPECT_EQ(ResolveDiskPath(request.c_str(), out, sizeof(out)), 0);
    EXPECT_EQ(std::string(out), "sj/" + name);
    // The trail byte 0x61 is not a letter to fold.
    std::string other = "SJ\\\x83\x5C\x82\x41.txt";
    EXPECT_EQ(ResolveDiskPath(other.c_str(), out, sizeof(out)), -1);
}

} // namespace
