// Helpers of the suites that run the real game on the desktop backend under Xvfb:
// the server, a temporary game folder, starting the game, finding its window through
// Xlib, keys through xdotool and waiting for the process to end.
// Include gtest before this header: Xlib defines macros (None, Bool) that clash with its names.
#pragma once

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
#include <vector>

namespace x11game {

using Clock = std::chrono::steady_clock;

inline const char* kCaption = "Borra Kez Ti";

inline bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

inline void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// An Xvfb server on the first free display from `first` on; stopped when destroyed.
class XvfbServer {
public:
    bool Start(int first) {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return false;
        for (int n = first; n < first + 100; n++) {
            if (Exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
            display = ":" + std::to_string(n);
            pid = fork();
            if (pid == 0) {
                int devnull = open("/dev/null", O_WRONLY);
                dup2(devnull, 1);
                dup2(devnull, 2);
                execl("/usr/bin/Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                      (char*)nullptr);
                _exit(127);
            }
            std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            auto until = Clock::now() + std::chrono::seconds(10);
            while (Clock::now() < until && !Exists(socket)) Pause(20);
            if (Exists(socket)) {
                ready = true;
                return true;
            }
            Stop();
        }
        return false;
    }
    void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
        ready = false;
    }
    ~XvfbServer() { Stop(); }

    bool ready = false;
    std::string display;
    pid_t pid = -1;
};

// A temporary game folder: the built data linked in, settings of its own; removed when destroyed.
class GameFolder {
public:
    GameFolder() {
        char pattern[] = "/tmp/bkt-x11-XXXXXX";
        if (mkdtemp(pattern)) dir = pattern;
        for (const char* name : {"bkt", "sg", "bkt.data"}) {
            std::string src = std::string(BKT_DIST_DIR) + "/" + name;
            if (!dir.empty() && Exists(src) && symlink(src.c_str(), (dir + "/" + name).c_str()) != 0)
                perror("game folder link");
        }
    }
    ~GameFolder() {
        std::string cmd = "rm -rf '" + dir + "'";
        if (!dir.empty() && system(cmd.c_str()) != 0) perror("game folder removal");
    }
    void WriteConfig(const void* bytes, size_t n) const {
        FILE* f = fopen((dir + "/config.ini").c_str(), "wb");
        if (f) {
            fwrite(bytes, 1, n, f);
            fclose(f);
        }
    }
    std::string dir;
};

inline bool GameIsBuilt() {
    std::string dist = BKT_DIST_DIR;
    return Exists(dist + "/borrakezti") && (Exists(dist + "/bkt") || Exists(dist + "/bkt.data"));
}

// Starts the built game in `dir` on the given display, with one option and its
// value if given; returns its process id.
inline pid_t StartGame(const std::string& dir, const std::string& display, const char* option = nullptr,
                       const char* value = nullptr) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // A lock folder of its own, so a game running elsewhere does not count as a double start.
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        std::string exe = std::string(BKT_DIST_DIR) + "/borrakezti";
        execl(exe.c_str(), "borrakezti", option, value, (char*)nullptr);
        _exit(127);
    }
    return pid;
}

// The exit code once the process has ended within the time, or -1000.
inline int PollExit(pid_t pid, int milliseconds) {
    auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < until) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -(WTERMSIG(status));
        Pause(20);
    }
    return -1000;
}

// As PollExit, but a process still running afterwards is killed.
inline int WaitExit(pid_t pid, int seconds) {
    int code = PollExit(pid, seconds * 1000);
    if (code != -1000) return code;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1000;
}

// Windows come and go while the tree is walked (the renderer may replace the game's
// window, the toolkit makes helpers of its own): an error on one of them is not fatal.
inline int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

inline std::string WindowName(Display* d, Window w) {
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

inline Window FindNamed(Display* d, Window root, const std::string& want) {
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

inline Window WaitForWindow(Display* d, const std::string& name, int seconds) {
    auto until = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < until) {
        Window w = FindNamed(d, DefaultRootWindow(d), name);
        if (w) return w;
        Pause(50);
    }
    return 0;
}

// The window that carries the game's caption now: the renderer made at the first
// frame may replace the X window that appeared first.
inline Window Current(Display* d, Window w) {
    Window now = FindNamed(d, DefaultRootWindow(d), kCaption);
    return now ? now : w;
}

// Client size of the window once it has settled at the expected size (or after 5 s).
inline void ClientSize(Display* d, Window w, int wantW, int wantH, int* width, int* height) {
    auto until = Clock::now() + std::chrono::seconds(5);
    do {
        XWindowAttributes a;
        memset(&a, 0, sizeof(a));
        if (!XGetWindowAttributes(d, w, &a)) w = Current(d, w);
        *width = a.width;
        *height = a.height;
        if (a.width == wantW && a.height == wantH) return;
        Pause(50);
    } while (Clock::now() < until);
}

inline void RunShell(const std::string& cmd) {
    if (system(cmd.c_str()) != 0) {
        // xdotool reports windows that went away meanwhile; the tests judge by what follows.
    }
}

// Focuses the window and presses the key down; `hold` seconds later it comes up again,
// unless hold is negative (then the key stays down until KeyUp).
inline void PressKey(const std::string& display, Window w, const char* key, double hold = 0.15) {
    std::string env = "DISPLAY=" + display + " ";
    std::string cmd = env + "xdotool windowfocus --sync " + std::to_string((unsigned long)w) + " >/dev/null 2>&1; " +
                      env + "xdotool keydown " + key;
    if (hold >= 0) cmd += "; sleep " + std::to_string(hold) + "; " + env + "xdotool keyup " + key + "; sleep 0.25";
    RunShell(cmd);
}

inline void KeyUp(const std::string& display, const char* key) {
    RunShell("DISPLAY=" + display + " xdotool keyup " + key);
}

inline void SendClose(Display* d, Window w) {
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

// Asks the window to close until the game has gone: a request sent while the game is
// still starting may reach a window that the renderer then replaces.
inline int CloseAndWait(Display* d, Window w, pid_t pid) {
    for (int attempt = 0; attempt < 20; attempt++) {
        SendClose(d, w);
        int code = PollExit(pid, 1000);
        if (code != -1000) return code;
    }
    return WaitExit(pid, 1);
}

inline std::vector<unsigned char> ReadAll(const std::string& path) {
    std::vector<unsigned char> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back((unsigned char)c);
    fclose(f);
    return bytes;
}

} // namespace x11game
