// The real game on the SDL backend under Xvfb: "WINDOW 640x480" chosen on the options
// screen doubles the client size at once and writes the settings file.
// gtest first: Xlib defines macros (None, Bool) that clash with gtest's names.
#include <gtest/gtest.h>

#include "tests/x11_game.h"

namespace {

using namespace x11game;

struct Outcome {
    int clientW = 0, clientH = 0;
    int exitCode = -1;
    std::vector<unsigned char> settings;
};

// Runs the game, moves to "WINDOW 640x480" and chooses it; reports the client size
// seen afterwards, the exit code after Escape and the settings file left behind.
void ChooseWindow640(Outcome* out) {
    if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is not installed";
    if (!GameIsBuilt()) GTEST_SKIP() << "the game or its data is not built";
    XvfbServer xvfb;
    if (!xvfb.Start(200 + getpid() % 50)) GTEST_SKIP() << "Xvfb is not available";

    GameFolder folder;
    pid_t pid = StartGame(folder.dir, xvfb.display);
    XSetErrorHandler(IgnoreXError);
    Display* d = XOpenDisplay(xvfb.display.c_str());
    Window w = d ? WaitForWindow(d, kCaption, 20) : 0;
    if (!w) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (d) XCloseDisplay(d);
    }
    ASSERT_NE(d, nullptr);
    ASSERT_NE(w, 0u);
    int cw = 0, ch = 0;
    ClientSize(d, w, 320, 240, &cw, &ch);
    EXPECT_EQ(cw, 320);
    EXPECT_EQ(ch, 240);
    // The pictures, fonts and sounds load after the window appears; keys pressed
    // before the first frame would be lost.
    Pause(5000);
    // Title -> menu, OPTION, then the third item.
    for (const char* key : {"z", "Down", "z", "Down", "Down", "z"}) PressKey(xvfb.display, Current(d, w), key);
    ClientSize(d, Current(d, w), 640, 480, &out->clientW, &out->clientH);
    PressKey(xvfb.display, Current(d, w), "Escape");
    out->exitCode = WaitExit(pid, 20);
    out->settings = ReadAll(folder.dir + "/config.ini");
    XCloseDisplay(d);
}

TEST(SdlOptions, Window640WritesTheSettingsFile) {
    Outcome out;
    ChooseWindow640(&out);
    if (HasFatalFailure() || IsSkipped()) return;
    EXPECT_EQ(out.settings, (std::vector<unsigned char>{2, 0, 0, 0}));
    EXPECT_EQ(out.exitCode, 0);
}

// Choosing the 640x480 window doubles the client area at once.
TEST(SdlOptions, Window640DoublesTheClientAtOnce) {
    Outcome out;
    ChooseWindow640(&out);
    if (HasFatalFailure() || IsSkipped()) return;
    EXPECT_EQ(out.clientW, 640);
    EXPECT_EQ(out.clientH, 480);
}

} // namespace
