// Where the disk layer looks: exact names before case variants (the current
// directory included), only regular files, and paths up to the platform's limit.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "archive_writer.h"
#include "file_test_util.h"
#include "runtime/file/disk_file.h"

namespace {

namespace fs = std::filesystem;

void Pack(const std::string& folder, const std::string& out) {
    std::string error;
    PackStats stats;
    ASSERT_TRUE(PackFolder(folder, out, error, &stats)) << error;
}

std::string Read(const FileOpTable* ops, const std::string& path) {
    FileHandle f = ops->open(path.c_str(), 0, 1);
    if (!f) return "<fail>";
    std::vector<uint8_t> bytes = ReadAllThrough(ops, f, 64);
    ops->close(f);
    return std::string(bytes.begin(), bytes.end());
}

class PathRules : public ::testing::Test {
protected:
    void SetUp() override { ResetArchives("data"); }
    void TearDown() override { ResetArchives(nullptr); }
    ScratchDir dir;
};

TEST_F(PathRules, ExactNameWinsOverCaseVariantsAtEveryComponent) {
    for (const char* twin : {"DIR", "Dir", "dir"}) {
        WriteFileText(std::string(twin) + "/F.txt", std::string(twin) + " upper");
        WriteFileText(std::string(twin) + "/f.txt", std::string(twin) + " lower");
    }
    char out[256];
    struct Case {
        const char* request;
        const char* resolved;
    } cases[] = {
        {"dir\\f.txt", "dir/f.txt"},
        {"Dir\\F.txt", "Dir/F.txt"},
        {"DIR\\f.txt", "DIR/f.txt"},
        // No exact entry: the smallest in byte order, whatever the folder's order.
        {"dIr\\f.TXT", "DIR/F.txt"},
        {"dir\\f.TXT", "dir/F.txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveDiskPath(c.request, out, sizeof(out)), 0) << c.request;
        EXPECT_STREQ(out, c.resolved) << c.request;
    }
    EXPECT_EQ(Read(&g_diskFileOps, "Dir\\f.txt"), "Dir lower");
}

// The current directory has a case twin beside it ("play" and "Play"): the
// archive of the folder the program runs in is the one read, with or without
// the unpacked folder beside it.
TEST_F(PathRules, CurrentDirectoryWithACaseTwinKeepsItsArchive) {
    for (bool keepFolder : {false, true}) {
        SCOPED_TRACE(keepFolder ? "with bkt/" : "archive only");
        ResetArchives("data");
        std::string base = dir.path() + (keepFolder ? "/with" : "/without");
        WriteFileText(base + "/play/bkt/a.txt", "mine");
        Pack(base + "/play/bkt", base + "/play/bkt.data");
        if (!keepFolder) fs::remove_all(base + "/play/bkt");
        WriteFileText(base + "/Play/bkt/a.txt", "twin");
        Pack(base + "/Play/bkt", base + "/Play/bkt.data");
        fs::remove_all(base + "/Play/bkt");
        for (const char* here : {"play", "Play"}) {
            ASSERT_EQ(chdir((base + "/" + here).c_str()), 0);
            std::string expected = here[0] == 'p' ? "mine" : "twin";
            EXPECT_EQ(Read(&g_archiveFileOps, "bkt\\a.txt"), expected) << here;
            EXPECT_EQ(Read(&g_archiveFileOps, "BKT\\A.TXT"), expected) << here;
        }
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
    }
}

// Opens path on another thread while a watchdog makes sure it cannot hang the
// suite: after a second it opens the FIFO for writing, which releases a reader
// blocked in open. Returns the seconds the open took.
template <typename OpenFn>
double TimedOpen(const std::string& fifo, OpenFn open) {
    std::atomic<bool> done{false};
    auto start = std::chrono::steady_clock::now();
    std::thread watchdog([&] {
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        while (!done) {
            int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    open();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    watchdog.join();
    return seconds;
}

TEST_F(PathRules, OnlyRegularFilesOpenAndNothingBlocks) {
    ASSERT_EQ(mkfifo("pipe.png", 0600), 0);
    fs::create_directory("folder.png");
    fs::create_symlink("/dev/zero", "device.png");
    WriteFileText("plain.png", "file");
    for (const char* name : {"pipe.png", "PIPE.PNG", "folder.png", "device.png"}) {
        for (const FileOpTable* ops : {&g_diskFileOps, &g_archiveFileOps}) {
            FileHandle f = 1;
            double seconds = TimedOpen("pipe.png", [&] { f = ops->open(name, 0, 1); });
            EXPECT_EQ(f, 0) << name;
            EXPECT_LT(seconds, 0.5) << name << " blocked";
            if (f) ops->close(f);
        }
        FILE* stream = nullptr;
        EXPECT_LT(TimedOpen("pipe.png", [&] { stream = DiskOpenStream(name); }), 0.5) << name;
        EXPECT_EQ(stream, nullptr) << name;
        if (stream) fclose(stream);
    }
    EXPECT_EQ(g_files.fileCount, 0);
    // A regular file still opens, and reads blocking as before.
    EXPECT_EQ(Read(&g_archiveFileOps, "PLAIN.png"), "file");
    FILE* stream = DiskOpenStream("Plain.PNG");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(fcntl(fileno(stream), F_GETFL) & O_NONBLOCK, 0);
    fclose(stream);
}

// Makes and enters a folder whose absolute path is exactly length bytes long.
void EnterFolderOfLength(size_t length) {
    char cwd[DiskPathMax];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    size_t have = strlen(cwd);
    ASSERT_LT(have + 2, length);
    while (have < length) {
        size_t step = std::min<size_t>(200, length - have - 1);
        if (length - have - 1 - step == 1) step--; // never leave a 1-byte remainder for "/" alone
        std::string name(step, 'd');
        ASSERT_EQ(mkdir(name.c_str(), 0700), 0);
        ASSERT_EQ(chdir(name.c_str()), 0);
        have += 1 + step;
    }
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    ASSERT_EQ(strlen(cwd), length);
}

TEST_F(PathRules, LongWorkingFoldersKeepTheirArchives) {
    for (size_t length : {200u, 300u, 1000u, 3000u}) {
        SCOPED_TRACE(length);
        ResetArchives("data");
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        std::string sub = "len" + std::to_string(length);
        ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
        ASSERT_EQ(chdir(sub.c_str()), 0);
        EnterFolderOfLength(length);
        WriteFileText("bkt/wav/a.txt", "packed");
        Pack("bkt", "bkt.data");
        fs::remove_all("bkt");
        WriteFileText("Disk.txt", "disk");
        EXPECT_EQ(Read(&g_archiveFileOps, "bkt\\wav\\a.txt"), "packed");
        EXPECT_EQ(Read(&g_archiveFileOps, "disk.txt"), "disk");
        EXPECT_EQ(Read(&g_diskFileOps, "DISK.txt"), "disk");
        char here[DiskPathMax];
        ASSERT_NE(getcwd(here, sizeof(here)), nullptr);
        std::string absolute = std::string(here) + "/bkt/wav/a.txt";
        EXPECT_EQ(Read(&g_archiveFileOps, absolute), "packed");
    }
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    // Past the platform's limit the open fails cleanly, through archives and disk.
    std::string tooLong = "bkt";
    while (tooLong.size() < DiskPathMax + 10) tooLong += "\\" + std::string(200, 'x');
    char out[DiskPathMax * 2];
    EXPECT_EQ(ResolveDiskPath(tooLong.c_str(), out, sizeof(out)), -1);
    EXPECT_EQ(Read(&g_archiveFileOps, tooLong), "<fail>");
    EXPECT_EQ(Read(&g_diskFileOps, tooLong), "<fail>");
    EXPECT_EQ(g_diskFileOps.setCurrentDirectory(tooLong.c_str()), 0);
}

} // namespace
