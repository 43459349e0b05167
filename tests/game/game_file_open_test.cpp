// The game's own files open only as regular files: a FIFO, a device or a folder
// named like one is treated as missing at once instead of hanging the start-up.
#include "game/game_files.h"
#include "game/game_state.h"
#include "tests/game/game_test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

// Seconds run() took; a watchdog opens the FIFO for writing after a second, which
// releases a reader blocked in open, so a regression fails instead of hanging.
template <typename Run>
double TimedWithWatchdog(const std::string& fifo, Run run) {
    std::atomic<bool> done{false};
    auto start = std::chrono::steady_clock::now();
    std::thread watchdog([&] {
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        while (!done) {
            int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    run();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    watchdog.join();
    return seconds;
}

// Makes path a FIFO, a folder or a link to a device.
void MakeOddFile(int kind, const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path().empty()
                                            ? std::filesystem::path(".")
                                            : std::filesystem::path(path).parent_path());
    if (kind == 0) ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    else if (kind == 1) std::filesystem::create_directory(path);
    else std::filesystem::create_symlink("/dev/zero", path);
}

TEST(GameFileOpen, OddFilesReadAsMissingWithoutBlocking) {
    for (int kind = 0; kind < 3; kind++) {
        SCOPED_TRACE(kind == 0 ? "FIFO" : kind == 1 ? "folder" : "device");
        ScratchDir dir;
        ResetGameState();
        MakeOddFile(kind, "score.dat");
        MakeOddFile(kind, "config.ini");
        MakeOddFile(kind, "sg/00.dat");
        g_game.windowMode = 2;
        g_game.rankScore[0] = 7;
        double seconds = TimedWithWatchdog("score.dat", [] { ReadRanking(); });
        seconds += TimedWithWatchdog("config.ini", [] { ReadSettings(); });
        seconds += TimedWithWatchdog("sg/00.dat", [] { LoadStage(); });
        EXPECT_LT(seconds, 0.5) << "a game file open blocked";
        EXPECT_EQ(g_game.rankScore[0], 500) << "the default ranking";
        EXPECT_EQ(g_game.windowMode, 1) << "the default window";
        FILE* file = OpenGameFileForReading("SCORE.DAT");
        EXPECT_EQ(file, nullptr);
        if (file) fclose(file);
    }
}

} // namespace
