// How the real game fails to start, as a person at the terminal sees it: without a
// display, as a second copy (which raises the first one's window), and without its
// data. Each case ends quickly with exit code 1 and one line on stderr saying why.
// gtest first: Xlib defines macros (None, Bool) that clash with gtest's names.
#include <gtest/gtest.h>

#include "tests/x11_game.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

using namespace x11game;

XvfbServer g_xvfb;

class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override { g_xvfb.Start(110 + getpid() % 40); }
    void TearDown() override { g_xvfb.Stop(); }
};

struct Environment {
    const char* name;
    const char* value; // null: unset
};

// Starts the built game in dir with the given environment changes; stderr goes
// to dir/stderr.txt.
pid_t StartWith(const std::string& dir, const std::vector<Environment>& env) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, 2);
        unsetenv("SDL_VIDEODRIVER");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        for (const Environment& e : env) {
            if (e.value) setenv(e.name, e.value, 1);
            else unsetenv(e.name);
        }
        std::string exe = std::string(BKT_DIST_DIR) + "/borrakezti";
        execl(exe.c_str(), "borrakezti", (char*)nullptr);
        _exit(127);
    }
    return pid;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int Lines(const std::string& text) {
    return (int)std::count(text.begin(), text.end(), '\n');
}

class StartFailure : public ::testing::Test {
protected:
    void SetUp() override {
        if (!GameIsBuilt()) GTEST_SKIP() << "the game is not built";
    }
};

// No display at all, or one that cannot be opened: SDL's invisible drivers are not
// taken in its place. The time limit is a safety net, the game needs a few ms.
TEST_F(StartFailure, NoDisplaySaysSoAndHowToPlayHeadless) {
    const struct {
        const char* display;
        const char* expect;
    } cases[] = {
        {nullptr, "borrakezti: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; "},
        {":987", "borrakezti: no display: cannot open the display \":987\""},
    };
    for (const auto& c : cases) {
        GameFolder folder;
        auto start = Clock::now();
        pid_t pid = StartWith(folder.dir, {{"DISPLAY", c.display}, {"WAYLAND_DISPLAY", nullptr}});
        EXPECT_EQ(WaitExit(pid, 5), 1) << (c.display ? c.display : "unset");
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_LT(seconds, 3.0);
        std::string err = ReadText(folder.dir + "/stderr.txt");
        EXPECT_EQ(err.rfind(c.expect, 0), 0u) << err;
        EXPECT_NE(err.find("borrakezti-replay --script demo.script"), std::string::npos) << err;
        EXPECT_EQ(Lines(err), 1) << err;
        EXPECT_FALSE(Exists(folder.dir + "/config.ini"));
    }
}

// Missing data, and an archive that is not one with no folder beside it.
TEST_F(StartFailure, MissingOrDamagedDataIsNamed) {
    for (bool damagedArchive : {false, true}) {
        GameFolder folder;
        for (const char* name : {"bkt", "bkt.data"}) unlink((folder.dir + "/" + name).c_str());
        if (damagedArchive) {
            std::ofstream junk(folder.dir + "/bkt.data");
            junk << std::string(4000, 'x');
        }
        pid_t pid = StartWith(folder.dir, {{"SDL_VIDEODRIVER", "dummy"}});
        EXPECT_EQ(WaitExit(pid, 20), 1);
        std::string err = ReadText(folder.dir + "/stderr.txt");
        EXPECT_EQ(err.rfind("borrakezti: the game data is missing or damaged: cannot load bkt\\graphic\\title.bmp, "
                            "bkt\\graphic\\block.bmp",
                            0),
                  0u)
            << err;
        EXPECT_NE(err.find("bkt\\wav\\bgm.ogg"), std::string::npos) << err;
        EXPECT_EQ(Lines(err), 1) << err;
    }
}

// Without a sound device the game plays silent; with one, a damaged sound is named.
TEST_F(StartFailure, NoSoundDevicePlaysSilentButADamagedSoundIsNamed) {
    GameFolder silent;
    pid_t pid = StartWith(silent.dir, {{"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "none"}});
    EXPECT_EQ(PollExit(pid, 3000), -1000) << ReadText(silent.dir + "/stderr.txt");
    kill(pid, SIGTERM);
    WaitExit(pid, 5);

    GameFolder damaged;
    for (const char* name : {"bkt", "bkt.data"}) unlink((damaged.dir + "/" + name).c_str());
    std::string copy = "cp -r '" + std::string(BKT_DIST_DIR) + "/bkt' '" + damaged.dir + "/bkt'";
    ASSERT_EQ(system(copy.c_str()), 0);
    {
        std::ofstream broken(damaged.dir + "/bkt/wav/jump.wav", std::ios::trunc);
        broken << "RIFF, but nothing after it";
    }
    pid = StartWith(damaged.dir, {{"SDL_VIDEODRIVER", "dummy"}});
    EXPECT_EQ(WaitExit(pid, 20), 1);
    EXPECT_EQ(ReadText(damaged.dir + "/stderr.txt"),
              "borrakezti: the game data is missing or damaged: cannot load bkt\\wav\\jump.wav (the game reads "
              "the folder bkt or the archive bkt.data in the folder it runs in)\n");
}

// A second copy says so and exits; the first copy's window comes above a window
// that covered it.
TEST_F(StartFailure, SecondCopySaysSoAndRaisesTheFirst) {
    XSetErrorHandler(IgnoreXError);
    if (!g_xvfb.ready) GTEST_SKIP() << "Xvfb is not available";
    Display* d = XOpenDisplay(g_xvfb.display.c_str());
    ASSERT_NE(d, nullptr);
    GameFolder folder;
    pid_t first = StartWith(folder.dir, {{"DISPLAY", g_xvfb.display.c_str()}});
    Window game = WaitForWindow(d, kCaption, 20);
    ASSERT_NE(game, 0u);
    Pause(500);
    game = Current(d, game);

    Window cover = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1024, 768, 0, 0, 0);
    XMapRaised(d, cover);
    XSync(d, False);
    // Index of a window's top-level ancestor among the root's children, bottom first.
    auto stackIndex = [&](Window w) {
        Window rootRet, parent, *children = nullptr;
        unsigned int n = 0;
        for (Window up = w; XQueryTree(d, up, &rootRet, &parent, &children, &n); up = parent) {
            if (children) XFree(children);
            children = nullptr;
            if (parent == rootRet || !parent) {
                w = up;
                break;
            }
        }
        int index = -1;
        if (XQueryTree(d, DefaultRootWindow(d), &rootRet, &parent, &children, &n))
            for (unsigned i = 0; i < n; i++)
                if (children[i] == w) index = (int)i;
        if (children) XFree(children);
        return index;
    };
    ASSERT_GE(stackIndex(game), 0);
    ASSERT_GT(stackIndex(cover), stackIndex(game));

    GameFolder second;
    // The same lock folder as the first copy: the same user's session.
    pid_t pid = StartWith(second.dir, {{"DISPLAY", g_xvfb.display.c_str()}, {"XDG_RUNTIME_DIR", folder.dir.c_str()}});
    EXPECT_EQ(WaitExit(pid, 10), 1);
    std::string err = ReadText(second.dir + "/stderr.txt");
    EXPECT_EQ(err, "borrakezti: another copy is already running for this user; it was asked to come to the front\n");

    auto until = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < until && stackIndex(Current(d, game)) < stackIndex(cover)) Pause(50);
    EXPECT_GT(stackIndex(Current(d, game)), stackIndex(cover)) << "the first copy's window was not raised";
    EXPECT_EQ(PollExit(first, 0), -1000) << "the first copy must keep running";

    XDestroyWindow(d, cover);
    XSync(d, False);
    EXPECT_EQ(CloseAndWait(d, game, first), 0);
    XCloseDisplay(d);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
    return RUN_ALL_TESTS();
}
