// "score.dat" and "config.ini" survive a writer killed at any moment: a child process
// rewrites the file with the game's own write functions in a tight loop, alternating
// two contents, and is killed after a random delay; each time the file must hold one of
// the two complete versions and read back through the game's reader.
#include "game/game_state.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

namespace {

const int kKills = 150;

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    unsigned char buffer[256];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    fclose(f);
    return bytes;
}

// A scratch folder made current for the test's life.
class ScratchFolder {
public:
    ScratchFolder() {
        char path[] = "/tmp/bkt-durable-XXXXXX";
        if (mkdtemp(path)) m_path = path;
        char previous[1024];
        if (getcwd(previous, sizeof(previous))) m_previous = previous;
        m_ok = !m_path.empty() && chdir(m_path.c_str()) == 0;
    }
    ~ScratchFolder() {
        if (!m_previous.empty() && chdir(m_previous.c_str()) != 0) perror("chdir");
        if (!m_path.empty()) system(("rm -rf '" + m_path + "'").c_str());
    }
    bool ok() const { return m_ok; }

private:
    std::string m_path, m_previous;
    bool m_ok = false;
};

void SetRankingVersion(int version) {
    ResetGameState();
    for (int i = 0; i < 5; i++) {
        g_game.rankScore[i] = version == 0 ? 900 - i * 100 : 0x01020304 * (i + 1);
        memcpy(g_game.rankName[i], version == 0 ? "AAA" : "ZYX", 3);
    }
}

void SetSettingsVersion(int version) {
    ResetGameState();
    g_game.windowMode = version == 0 ? 2 : 0x7F00FF01;
}

// Writes version 0 once, then in a child alternates versions 1 and 0 with write()
// until killed. Returns the two complete files.
struct Versions {
    std::vector<unsigned char> v0, v1;
};

Versions MakeVersions(void (*set)(int), void (*write)(void), const char* name) {
    Versions v;
    set(1);
    write();
    v.v1 = ReadBytes(name);
    set(0);
    write();
    v.v0 = ReadBytes(name);
    return v;
}

// Runs the kill loop; returns how many kills found the child mid-loop after at least
// one write of its own, and fails the test on any damaged file.
int KillWritersRepeatedly(void (*set)(int), void (*write)(void), const char* name, const Versions& v) {
    std::mt19937 dice(20261209);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    int seenChange = 0;
    for (int k = 0; k < kKills; k++) {
        pid_t child = fork();
        if (child == 0) {
            for (unsigned n = 0;; n++) {
                set((int)((n + 1) & 1));
                write();
            }
        }
        if (child < 0) {
            ADD_FAILURE() << "fork failed";
            return seenChange;
        }
        struct timespec pause = {0, (long)delayUs(dice) * 1000};
        nanosleep(&pause, nullptr);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));

        std::vector<unsigned char> now = ReadBytes(name);
        if (now != v.v0 && now != v.v1) {
            ADD_FAILURE() << name << " is damaged after kill " << k << " (" << now.size() << " bytes)";
            return seenChange;
        }
        if (now == v.v1) seenChange++;
    }
    return seenChange;
}

TEST(KillWriterTest, RankingFileIsAlwaysOneWholeVersion) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    Versions v = MakeVersions(SetRankingVersion, WriteRanking, "score.dat");
    ASSERT_EQ(v.v0.size(), 35u);
    ASSERT_EQ(v.v1.size(), 35u);
    ASSERT_NE(v.v0, v.v1);
    int changed = KillWritersRepeatedly(SetRankingVersion, WriteRanking, "score.dat", v);
    // The writer did get through whole writes between the kills, so the kills did land
    // at many different points of the loop.
    EXPECT_GT(changed, 0);

    // What is left reads back as the version it is.
    std::vector<unsigned char> now = ReadBytes("score.dat");
    SetRankingVersion(now == v.v0 ? 1 : 0);
    ReadRanking();
    int scores[5];
    char names[5][3];
    memcpy(scores, g_game.rankScore, sizeof(scores));
    memcpy(names, g_game.rankName, sizeof(names));
    SetRankingVersion(now == v.v0 ? 0 : 1);
    EXPECT_EQ(memcmp(scores, g_game.rankScore, sizeof(scores)), 0);
    EXPECT_EQ(memcmp(names, g_game.rankName, sizeof(names)), 0);
}

TEST(KillWriterTest, SettingsFileIsAlwaysOneWholeVersion) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    Versions v = MakeVersions(SetSettingsVersion, WriteSettings, "config.ini");
    ASSERT_EQ(v.v0.size(), 4u);
    ASSERT_EQ(v.v1.size(), 4u);
    int changed = KillWritersRepeatedly(SetSettingsVersion, WriteSettings, "config.ini", v);
    EXPECT_GT(changed, 0);

    std::vector<unsigned char> now = ReadBytes("config.ini");
    ResetGameState();
    ReadSettings();
    EXPECT_EQ(g_game.windowMode, now == v.v0 ? 2 : 0x7F00FF01);
}

} // namespace
