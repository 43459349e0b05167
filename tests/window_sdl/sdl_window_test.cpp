// The real game on the SDL backend under Xvfb: caption and client size from the
// settings file, Escape and the window's close button end it with exit code 0.
// gtest first: Xlib defines macros (None, Bool) that clash with gtest's names.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
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

namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// One Xvfb server for the whole suite.
class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return;
        for (int n = 70 + getpid() % 40; n < 200; n++) {
            std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            if (Exists(lock)) continue;
            display_ = ":" + std::to_string(n);
            pid_ = fork();
            if (pid_ == 0) {
                int devnull = open("/dev/null", 1);
                dup2(devnull, 1);
                dup2(devnull, 2);
                execl("/usr/bin/Xvfb", "Xvfb", display_.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                      (char*)nullptr);
                _exit(127);
            }
            std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
            auto until = Clock::now() + std::chrono::seconds(10);
            while (Clock::now() < until && !Exists(sock)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (Exists(sock)) {
                ready_ = true;
                return;
            }
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    static bool ready_;
    static std::string display_;
    pid_t pid_ = -1;
};
bool XvfbEnvironment::ready_ = false;
std::string XvfbEnvironment::display_;

// A temporary game folder: the built data linked in, its own settings.
class GameFolder {
public:
    GameFolder() {
        char tmpl[] = "/tmp/bkt-window-XXXXXX";
        dir_ = mkdtemp(tmpl);
        for (const char* name : {"bkt", "sg", "bkt.data"}) {
            std::string src = std::string(BKT_DIST_DIR) + "/" + name;
            if (Exists(src)) symlink(src.c_str(), (dir_ + "/" + name).c_str());
        }
    }
    ~GameFolder() {
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (system(cmd.c_str()) != 0) {
        }
    }
    void WriteConfig(const void* bytes, size_t n) {
        FILE* f = fopen((dir_ + "/config.ini").c_str(), "wb");
        fwrite(bytes, 1, n, f);
        fclose(f);
    }
    std::string dir_;
};

pid_t StartGame(const std::string& dir) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("DISPLAY", XvfbEnvironment::display_.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // A lock folder of its own, so a game running elsewhere does not count as a double start.
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        std::string exe = std::string(BKT_DIST_DIR) + "/borrakezti";
        execl(exe.c_str(), "borrakezti", (char*)nullptr);
        _exit(127);
    }
    return pid;
}

// Waits for the process; returns its exit code, or -1000 on a timeout (then kills it).
// The exit code once the process has ended within the time, or -1000.
int PollExit(pid_t pid, int milliseconds) {
    auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < until) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -(WTERMSIG(status));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1000;
}

int WaitExit(pid_t pid, int seconds) {
    int code = PollExit(pid, seconds * 1000);
    if (code != -1000) return code;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1000;
}

std::string WindowName(Display* d, Window w) {
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(d, w, netName, 0, 256, False, utf8, &type, &format, &items, &after, &data) == Success &&
        data) {
        name.assign((char*)data, items);
        XFree(data);
        return name;
    }
    char* wmName = nullptr;
    if (XFetchName(d, w, &wmName) && wmName) {
        name = wmName;
        XFree(wmName);
    }
    return name;
}

Window FindNamed(Display* d, Window root, const std::string& want) {
    Window rootRet, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, root, &rootRet, &parent, &children, &n)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; i++) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable && WindowName(d, children[i]) == want)
            found = children[i];
        if (!found) found = FindNamed(d, children[i], want);
    }
    if (children) XFree(children);
    return found;
}

Window WaitForWindow(Display* d, const std::string& name, int seconds) {
    auto until = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < until) {
        Window w = FindNamed(d, DefaultRootWindow(d), name);
        if (w) return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

// The window that carries the caption now: the renderer made at the first frame
// may replace the X window that appeared first.
Window Current(Display* d, Window w) {
    Window now = FindNamed(d, DefaultRootWindow(d), "Borra Kez Ti");
    return now ? now : w;
}

// Client size of the window once it has settled at the expected size.
void ClientSize(Display* d, Window w, int wantW, int wantH, int* width, int* height) {
    auto until = Clock::now() + std::chrono::seconds(5);
    do {
        XWindowAttributes a;
        memset(&a, 0, sizeof(a));
        if (!XGetWindowAttributes(d, w, &a)) w = Current(d, w);
        *width = a.width;
        *height = a.height;
        if (a.width == wantW && a.height == wantH) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (Clock::now() < until);
}

// Escape goes down (and stays down until ReleaseEscape), as a player holds it
// until the game has gone: the game may still be starting when the key arrives.
void PressEscape(Window w) {
    std::string env = "DISPLAY=" + XvfbEnvironment::display_ + " ";
    std::string id = std::to_string((unsigned long)w);
    std::string cmd = env + "xdotool windowfocus --sync " + id + " >/dev/null 2>&1; " + env + "xdotool keydown Escape";
    if (system(cmd.c_str()) != 0) {
    }
}

void ReleaseEscape() {
    std::string cmd = "DISPLAY=" + XvfbEnvironment::display_ + " xdotool keyup Escape";
    if (system(cmd.c_str()) != 0) {
    }
}

void SendClose(Display* d, Window w) {
    w = Current(d, w);
    XEvent e;
    memset(&e, 0, sizeof(e));
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
}

// The game's window may be replaced while the test walks the window tree.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// Asks the window to close until the game has gone: a request sent while the
// game is still starting may reach a window that the renderer then replaces.
int CloseAndWait(Display* d, Window w, pid_t pid) {
    for (int attempt = 0; attempt < 20; attempt++) {
        SendClose(d, w);
        int code = PollExit(pid, 1000);
        if (code != -1000) return code;
    }
    return WaitExit(pid, 1);
}

class SdlWindow : public ::testing::Test {
protected:
    void SetUp() override {
        XSetErrorHandler(IgnoreXError);
        if (!XvfbEnvironment::ready_) GTEST_SKIP() << "Xvfb is not available";
        if (!Exists(std::string(BKT_DIST_DIR) + "/borrakezti")) GTEST_SKIP() << "the game is not built";
        display_ = XOpenDisplay(XvfbEnvironment::display_.c_str());
        ASSERT_NE(display_, nullptr);
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }
    Display* display_ = nullptr;
};

TEST_F(SdlWindow, DefaultWindowIs320x240AndEscapeEndsWithoutWritingSettings) {
    GameFolder folder;
    pid_t pid = StartGame(folder.dir_);
    Window w = WaitForWindow(display_, "Borra Kez Ti", 20);
    ASSERT_NE(w, 0u) << "no window captioned Borra Kez Ti";
    int cw = 0, ch = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ClientSize(display_, Current(display_, w), 320, 240, &cw, &ch);
    EXPECT_EQ(cw, 320);
    EXPECT_EQ(ch, 240);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    PressEscape(Current(display_, w));
    EXPECT_EQ(WaitExit(pid, 20), 0);
    ReleaseEscape();
    EXPECT_FALSE(Exists(folder.dir_ + "/config.ini"));
}

TEST_F(SdlWindow, SettingsFileHoldingTwoDoublesTheWindow) {
    GameFolder folder;
    const unsigned char two[4] = {2, 0, 0, 0};
    folder.WriteConfig(two, 4);
    pid_t pid = StartGame(folder.dir_);
    Window w = WaitForWindow(display_, "Borra Kez Ti", 20);
    ASSERT_NE(w, 0u);
    int cw = 0, ch = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ClientSize(display_, Current(display_, w), 640, 480, &cw, &ch);
    EXPECT_EQ(cw, 640);
    EXPECT_EQ(ch, 480);
    EXPECT_EQ(CloseAndWait(display_, w, pid), 0);
}

TEST_F(SdlWindow, ClosingTheWindowEndsTheGame) {
    GameFolder folder;
    pid_t pid = StartGame(folder.dir_);
    Window w = WaitForWindow(display_, "Borra Kez Ti", 20);
    ASSERT_NE(w, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(CloseAndWait(display_, w, pid), 0);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
    return RUN_ALL_TESTS();
}
