// Damaged and hostile archives: each is refused as an archive (the disk is
// used) or fails the entry's open; none reads or writes out of bounds, and no
// lookup walks forever. Best run under the sanitizers (-DSANITIZE=ON).
#include <random>

#include "archive_writer.h"
#include "file_test_util.h"

namespace {

namespace fs = std::filesystem;

// The unscrambled image of a small archive: bkt/a.txt (compressed),
// bkt/wav/bgm.ogg (stored), bkt/wav/deep/z.bin.
struct Plain {
    std::vector<uint8_t> bytes;
    uint32_t U32(uint32_t at) const { return ReadLe32(&bytes[at]); }
    uint32_t table() const { return U32(ArchiveHeaderTableOffset); }
    uint32_t fileTable() const { return table() + U32(ArchiveHeaderFileTable); }
    uint32_t dirTable() const { return table() + U32(ArchiveHeaderDirTable); }
    // File-table entry i (breadth first: root, A.TXT, WAV, BGM.OGG, DEEP, Z.BIN).
    uint32_t entry(int i) const { return fileTable() + (uint32_t)i * ArchiveFileEntrySize; }
    void Set(uint32_t at, uint32_t v) { WriteLe32(&bytes[at], v); }
};

const std::string kText(400, 't');

class CorruptArchive : public ::testing::Test {
protected:
    void SetUp() override {
        ResetArchives("data");
        std::string a;
        for (int i = 0; i < 40; i++) a += "compressible line " + std::to_string(i % 5) + "\n";
        aText = a;
        WriteFileText("src/a.txt", aText);
        std::vector<uint8_t> noise(3000);
        std::mt19937 rng(3);
        for (auto& b : noise) b = (uint8_t)rng();
        noiseBytes = noise;
        WriteFileBytes("src/wav/bgm.ogg", noise);
        WriteFileText("src/wav/deep/z.bin", "zzzz");
        std::vector<uint8_t> image;
        std::string error;
        ASSERT_TRUE(BuildArchiveImage("src", image, error, nullptr)) << error;
        BuildArchiveKey(&key);
        UnscrambleArchiveBytes(image.data(), (uint32_t)image.size(), 0, &key);
        plain.bytes = image;
        // Disk copies with other content show when the archive was refused.
        WriteFileText("bkt/a.txt", "disk a");
        WriteFileText("bkt/wav/bgm.ogg", "disk bgm");
    }
    void TearDown() override { ResetArchives(nullptr); }

    void Install(const Plain& p, size_t keep = SIZE_MAX) {
        std::vector<uint8_t> b = p.bytes;
        if (keep < b.size()) b.resize(keep);
        UnscrambleArchiveBytes(b.data(), (uint32_t)b.size(), 0, &key);
        WriteFileBytes("bkt.data", b);
        ClearArchiveBookkeeping();
        SetArchiveExtensionInternal("data");
    }

    std::string Read(const char* path) {
        FileHandle f = g_archiveFileOps.open(path, 0, 1);
        if (!f) return "<fail>";
        std::vector<uint8_t> bytes = ReadAllThrough(&g_archiveFileOps, f, 100);
        g_archiveFileOps.close(f);
        return std::string(bytes.begin(), bytes.end());
    }

    ScratchDir dir;
    ArchiveKey key;
    Plain plain;
    std::string aText;
    std::vector<uint8_t> noiseBytes;
};

TEST_F(CorruptArchive, IntactArchiveReads) {
    Install(plain);
    EXPECT_EQ(Read("bkt\\a.txt"), aText);
    EXPECT_EQ(Read("bkt\\wav\\bgm.ogg"), std::string(noiseBytes.begin(), noiseBytes.end()));
    EXPECT_EQ(Read("bkt\\wav\\deep\\z.bin"), "zzzz");
    EXPECT_NE(plain.U32(plain.entry(1) + ArchiveEntryStored), ArchiveStoredPlain) << "a.txt is compressed";
    EXPECT_EQ(plain.U32(plain.entry(3) + ArchiveEntryStored), ArchiveStoredPlain) << "bgm.ogg is stored";
}

TEST_F(CorruptArchive, HeadersThatAreNotArchivesLeaveTheDisk) {
    Plain p = plain;
    p.bytes[0] = 'X';
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "wrong magic";
    p = plain;
    WriteLe16(&p.bytes[ArchiveHeaderVersion], 4);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "version 4";
    Install(plain, 10);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "truncated header";
    Install(plain, 0);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "empty file";
    Install(plain, plain.bytes.size() - 3);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "truncated table block";
    p = plain;
    p.Set(ArchiveHeaderTableSize, 0xFFFFFFF0u);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "table size past the file";
    p = plain;
    p.Set(ArchiveHeaderDirTable, p.U32(ArchiveHeaderTableSize) - 8);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "root directory past the block";
    p = plain;
    p.Set(ArchiveHeaderFileTable, 0xFFFFFF00u);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "file table past the block";
    p = plain;
    p.Set(ArchiveHeaderDataOffset, 0x7FFFFFFFu);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "disk a") << "data area past the file";
}

TEST_F(CorruptArchive, BadTablesFailTheOpen) {
    Plain p = plain;
    p.Set(p.entry(1) + ArchiveEntryName, 0xFFFFFFF0u);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "name offset past the block";
    p = plain;
    // Name record claiming more words than the block holds.
    uint32_t nameAt = p.table() + p.U32(p.entry(1) + ArchiveEntryName);
    WriteLe16(&p.bytes[nameAt], 0xFFFF);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "name longer than the block";
    p = plain;
    p.Set(p.dirTable() + ArchiveDirFirst, 0xFFFFFF00u);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "entries past the block";
    p = plain;
    p.Set(p.dirTable() + ArchiveDirCount, 0xFFFFFFFFu);
    Install(p);
    EXPECT_EQ(Read("bkt\\nothing.txt"), "<fail>") << "huge count ends at the block";
    EXPECT_EQ(Read("bkt\\a.txt"), aText);
    p = plain;
    p.Set(p.entry(2) + ArchiveEntryData, 0x7FFFFFF0u);
    Install(p);
    EXPECT_EQ(Read("bkt\\wav\\bgm.ogg"), "<fail>") << "directory record past the block";
}

TEST_F(CorruptArchive, DirectoryLoopsEnd) {
    Plain p = plain;
    // WAV's directory entry points back at the root: WAV\WAV\WAV... resolves
    // one component at a time and ends with the path.
    p.Set(p.entry(2) + ArchiveEntryData, 0);
    Install(p);
    EXPECT_EQ(Read("bkt\\wav\\wav\\wav\\wav\\a.txt"), aText);
    EXPECT_EQ(Read("bkt\\wav\\bgm.ogg"), "<fail>");
    std::string longPath = "bkt";
    for (int i = 0; i < 100; i++) longPath += "\\wav";
    EXPECT_EQ(Read((longPath + "\\a.txt").c_str()), aText);
    for (int i = 100; i < 1100; i++) longPath += "\\wav";
    EXPECT_EQ(Read((longPath + "\\a.txt").c_str()), "<fail>") << "too long for a full path";
}

TEST_F(CorruptArchive, DataPastTheFileFailsTheOpen) {
    Plain p = plain;
    p.Set(p.entry(3) + ArchiveEntryData, 0x7FFFFFF0u);
    Install(p);
    EXPECT_EQ(Read("bkt\\wav\\bgm.ogg"), "<fail>") << "stored data offset";
    p = plain;
    p.Set(p.entry(3) + ArchiveEntrySize, 0x00FFFFFFu);
    Install(p);
    EXPECT_EQ(Read("bkt\\wav\\bgm.ogg"), "<fail>") << "stored size";
    p = plain;
    p.Set(p.entry(3) + ArchiveEntrySize, 0xFFFFFFF0u);
    Install(p);
    EXPECT_EQ(Read("bkt\\wav\\bgm.ogg"), "<fail>") << "size beyond int";
    p = plain;
    p.Set(p.entry(1) + ArchiveEntryStored, 0x00FFFFFFu);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "compressed size past the file";
}

TEST_F(CorruptArchive, CompressedSizesThatLieFailTheOpen) {
    uint32_t e = plain.entry(1);
    uint32_t start = ArchiveHeaderSize + plain.U32(e + ArchiveEntryData);
    uint32_t stored = plain.U32(e + ArchiveEntryStored);
    Plain p = plain;
    p.Set(e + ArchiveEntrySize, plain.U32(e + ArchiveEntrySize) + 1);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "entry size differs from the block head";
    p = plain;
    p.Set(e + ArchiveEntrySize, 0x40000000u);
    p.Set(start, 0x40000000u);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "a gigabyte from a few bytes is not allocated";
    p = plain;
    p.Set(start + 4, stored + 100);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "block size above the stored size";
    p = plain;
    p.Set(e + ArchiveEntryStored, 5);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "stored size below the head";
    p = plain;
    p.Set(e + ArchiveEntryStored, stored - 1);
    p.Set(start + 4, stored - 1);
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "payload cut short";
}

TEST_F(CorruptArchive, BadTokensFailTheOpen) {
    uint32_t e = plain.entry(1);
    uint32_t start = ArchiveHeaderSize + plain.U32(e + ArchiveEntryData);
    uint32_t stored = plain.U32(e + ArchiveEntryStored);
    uint8_t escape = plain.bytes[start + 8];
    // The first match token in the payload.
    uint32_t token = 0;
    for (uint32_t i = start + 9; i + 1 < start + stored; i++) {
        if (plain.bytes[i] != escape) continue;
        if (plain.bytes[i + 1] == escape) {
            i++;
            continue;
        }
        token = i;
        break;
    }
    ASSERT_NE(token, 0u);
    auto code = [&](uint8_t c) { return (uint8_t)(c >= escape ? c + 1 : c); };
    Plain p = plain;
    p.bytes[token + 1] =
        code((uint8_t)(((p.bytes[token + 1] > escape ? p.bytes[token + 1] - 1 : p.bytes[token + 1]) & ~3) | 3));
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "distance code 3";
    p = plain;
    // A match at the very start reaches before the output.
    p.bytes[start + 9] = escape;
    p.bytes[start + 10] = code(0x00);
    p.bytes[start + 11] = 0x00;
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "distance before the start";
    p = plain;
    p.bytes[token + 1] = code((31 << 3) | 4 | 1);
    p.bytes[token + 2] = 0xFF;
    Install(p);
    EXPECT_EQ(Read("bkt\\a.txt"), "<fail>") << "length past the output";
}

TEST_F(CorruptArchive, RandomDamageNeverBreaksBounds) {
    std::mt19937 rng(2024);
    const char* paths[] = {"bkt\\a.txt", "bkt\\wav\\bgm.ogg", "bkt\\wav\\deep\\z.bin", "bkt\\wav", "bkt\\nothing"};
    uint32_t table = plain.table();
    for (int round = 0; round < 400; round++) {
        Plain p = plain;
        int flips = 1 + (int)(rng() % 4);
        for (int k = 0; k < flips; k++) {
            // Mostly the header and the table block, sometimes the data.
            uint32_t at;
            int where = (int)(rng() % 4);
            if (where == 0) at = (uint32_t)(rng() % ArchiveHeaderSize);
            else if (where == 3) at = (uint32_t)(rng() % p.bytes.size());
            else at = table + (uint32_t)(rng() % (p.bytes.size() - table));
            p.bytes[at] = rng() % 2 ? (uint8_t)rng() : (uint8_t)(p.bytes[at] ^ (1u << (rng() % 8)));
        }
        Install(p, rng() % 8 == 0 ? rng() % p.bytes.size() : SIZE_MAX);
        for (const char* path : paths) {
            FileHandle f = g_archiveFileOps.open(path, 0, 1);
            if (!f) continue;
            char buf[512];
            int guard = 0;
            while (g_archiveFileOps.read(buf, 1, (int)(1 + rng() % sizeof(buf)), f) > 0 && guard++ < 100000) {
            }
            g_archiveFileOps.seek(f, (int)(rng() % 5000) - 100, (int)(rng() % 3));
            g_archiveFileOps.read(buf, 4, 10, f);
            g_archiveFileOps.close(f);
        }
    }
    EXPECT_EQ(g_files.fileCount, 0);
}

} // namespace
