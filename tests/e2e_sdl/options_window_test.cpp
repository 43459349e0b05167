// The real game on the SDL backend under Xvfb: "WINDOW 640x480" chosen on the options
// screen doubles the client size at once and writes the settings file.
// gtest first: Xlib defines macros (None, Bool) that clash with gtest's names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void Pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// An Xvfb server of our own for this suite.
class Xvfb {
public:
    Xvfb()
    {
        if (access("/usr/bin/Xvfb", X_OK) != 0)
            return;
        for (int n = 200 + getpid() % 50; n < 300; n++) {
            if (Exists("/tmp/.X" + std::to_string(n) + "-lock"))
                continue;
            display = ":" + std::to_string(n);
            pid = fork();
            if (pid == 0) {
                freopen("/dev/null", "w", stdout);
                freopen("/dev/null", "w", stderr);
                execl("/usr/bin/Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                      (char*)nullptr);
                _exit(127);
            }
            std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            auto until = Clock::now() + std::chrono::seconds(10);
            while (Clock::now() < until && !Exists(socket))
                Pause(20);
            if (Exists(socket)) {
                ready = true;
                return;
            }
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    ~Xvfb()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    bool ready = false;
    std::string display;
    pid_t pid = -1;
};

// Windows come and go while the tree is walked (the toolkit makes helpers of its own):
// an error on one of them is not fatal.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

std::string WindowName(Display* d, Window w)
{
    char* name = nullptr;
    std::string result;
    if (XFetchName(d, w, &name) && name) {
        result = name;
        XFree(name);
    }
    return result;
}

Window FindNamed(Display* d, Window root, const std::string& want)
{
    Window rootRet, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, root, &rootRet, &parent, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; i++) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
            WindowName(d, children[i]) == want)
            found = children[i];
        if (!found)
            found = FindNamed(d, children[i], want);
    }
    if (children)
        XFree(children);
    return found;
}

void ClientSize(Display* d, Window w, int wantW, int wantH, int* width, int* height)
{
    auto until = Clock::now() + std::chrono::seconds(5);
    do {
        XWindowAttributes a;
        XGetWindowAttributes(d, w, &a);
        *width = a.width;
        *height = a.height;
        if (a.width == wantW && a.height == wantH)
            return;
        Pause(50);
    } while (Clock::now() < until);
}

void PressKey(const std::string& display, Window w, const char* key)
{
    std::string env = "DISPLAY=" + display + " ";
    std::string id = std::to_string((unsigned long)w);
    std::string cmd = env + "xdotool windowfocus --sync " + id + " >/dev/null 2>&1; " + env + "xdotool keydown " +
                      key + "; sleep 0.15; " + env + "xdotool keyup " + key + "; sleep 0.25";
    if (system(cmd.c_str()) != 0) {
    }
}

int WaitExit(pid_t pid, int seconds)
{
    auto until = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < until) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        Pause(20);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1000;
}

std::vector<unsigned char> ReadAll(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back((unsigned char)c);
    fclose(f);
    return bytes;
}

// Runs the game, moves to "WINDOW 640x480" and chooses it; reports the client size
// seen afterwards and leaves the settings file in dir.
static void ChooseWindow640(std::string& dir, int* clientW, int* clientH, int* exitCode)
{
    if (access("/usr/bin/xdotool", X_OK) != 0)
        GTEST_SKIP() << "xdotool is not installed";
    std::string dist = BKT_DIST_DIR;
    if (!Exists(dist + "/borrakezti") || !(Exists(dist + "/bkt") || Exists(dist + "/bkt.data")))
        GTEST_SKIP() << "the game or its data is not built";
    Xvfb xvfb;
    if (!xvfb.ready)
        GTEST_SKIP() << "Xvfb is not available";

    char pattern[] = "/tmp/bkt_options_XXXXXX";
    dir = mkdtemp(pattern);
    for (const char* name : {"bkt", "sg", "bkt.data"})
        if (Exists(dist + "/" + name))
            symlink((dist + "/" + name).c_str(), (dir + "/" + name).c_str());

    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        setenv("DISPLAY", xvfb.display.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1); // its own single-instance lock
        execl((dist + "/borrakezti").c_str(), "borrakezti", (char*)nullptr);
        _exit(127);
    }
    XSetErrorHandler(IgnoreXError);
    Display* d = XOpenDisplay(xvfb.display.c_str());
    if (!d) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_NE(d, nullptr);
    Window w = 0;
    auto until = Clock::now() + std::chrono::seconds(20);
    while (!w && Clock::now() < until) {
        w = FindNamed(d, DefaultRootWindow(d), "Borra Kez Ti");
        Pause(50);
    }
    if (!w) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_NE(w, 0u);
    int cw = 0, ch = 0;
    ClientSize(d, w, 320, 240, &cw, &ch);
    EXPECT_EQ(cw, 320);
    EXPECT_EQ(ch, 240);
    // The pictures, fonts and sounds load after the window appears; keys pressed
    // before the first frame would be lost.
    Pause(5000);
    // Title -> menu, OPTION, then the third item.
    for (const char* key : {"z", "Down", "z", "Down", "Down", "z"})
        PressKey(xvfb.display, w, key);
    // The renderer made at the first frame may have replaced the X window that
    // appeared first, so look it up again by its caption.
    Window now = FindNamed(d, DefaultRootWindow(d), "Borra Kez Ti");
    if (now)
        w = now;
    ClientSize(d, w, 640, 480, clientW, clientH);
    PressKey(xvfb.display, w, "Escape");
    *exitCode = WaitExit(pid, 20);
    XCloseDisplay(d);
}

static void RemoveFolder(const std::string& dir)
{
    std::string cmd = "rm -rf '" + dir + "'";
    if (!dir.empty() && system(cmd.c_str()) != 0) {
    }
}

TEST(SdlOptions, Window640WritesTheSettingsFile)
{
    std::string dir;
    int cw = 0, ch = 0, code = -1;
    ChooseWindow640(dir, &cw, &ch, &code);
    if (HasFatalFailure() || IsSkipped())
        return RemoveFolder(dir);
    EXPECT_EQ(ReadAll(dir + "/config.ini"), (std::vector<unsigned char>{2, 0, 0, 0}));
    EXPECT_EQ(code, 0);
    RemoveFolder(dir);
}

// Choosing the 640x480 window doubles the client area at once.
TEST(SdlOptions, Window640DoublesTheClientAtOnce)
{
    std::string dir;
    int cw = 0, ch = 0, code = -1;
    ChooseWindow640(dir, &cw, &ch, &code);
    if (HasFatalFailure() || IsSkipped())
        return RemoveFolder(dir);
    EXPECT_EQ(cw, 640);
    EXPECT_EQ(ch, 480);
    RemoveFolder(dir);
}

} // namespace
