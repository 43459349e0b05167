// The order of a save on the disk: the temporary file is flushed before it is renamed
// over the old one, and the folder is flushed after, so a power cut leaves the old or
// the new file. fsync and rename are taken over here to watch the game's own writers.
#include "game/game_state.h"
#include "game/save_folder.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

bool g_watching = false;
std::vector<std::string> g_events; // "fsync PATH" and "rename FROM TO", in order

std::string PathOfDescriptor(int fd) {
    char link[64], target[PATH_MAX];
    snprintf(link, sizeof(link), "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, target, sizeof(target) - 1);
    return n > 0 ? std::string(target, (size_t)n) : std::string("?");
}

} // namespace

extern "C" int fsync(int fd) {
    static auto real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    if (g_watching) g_events.push_back("fsync " + PathOfDescriptor(fd));
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
    static auto real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    if (g_watching) g_events.push_back(std::string("rename ") + from + " " + to);
    return real(from, to);
}

namespace {

TEST(SaveFlushOrder, FileBeforeRenameFolderAfter) {
    char pattern[] = "/tmp/bkt-flush-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string dir = pattern;
    char real[PATH_MAX];
    ASSERT_NE(realpath(dir.c_str(), real), nullptr);
    SetSaveFolder(dir.c_str());
    const struct {
        const char* name;
        void (*write)(void);
    } savers[] = {{"score.dat", WriteRanking}, {"config.ini", WriteSettings}};
    for (const auto& saver : savers) {
        g_events.clear();
        g_watching = true;
        saver.write();
        g_watching = false;
        std::string file = dir + "/" + saver.name;
        std::vector<std::string> expected = {"fsync " + std::string(real) + "/" + saver.name + ".tmp",
                                             "rename " + file + ".tmp " + file, "fsync " + std::string(real)};
        EXPECT_EQ(g_events, expected) << saver.name;
        remove(file.c_str());
    }
    SetSaveFolder(nullptr);
    rmdir(dir.c_str());
}

} // namespace
