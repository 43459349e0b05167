// The real game on the SDL backend under Xvfb: caption and client size from the
// settings file, Escape and the window's close button end it with exit code 0.
// gtest first: Xlib defines macros (None, Bool) that clash with gtest's names.
#include <gtest/gtest.h>

#include "tests/x11_game.h"

namespace {

using namespace x11game;

// One Xvfb server for the whole suite.
XvfbServer g_xvfb;

class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override { g_xvfb.Start(70 + getpid() % 40); }
    void TearDown() override { g_xvfb.Stop(); }
};

class SdlWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        XSetErrorHandler(IgnoreXError);
        if (!g_xvfb.ready)
            GTEST_SKIP() << "Xvfb is not available";
        if (!Exists(std::string(BKT_DIST_DIR) + "/borrakezti"))
            GTEST_SKIP() << "the game is not built";
        display_ = XOpenDisplay(g_xvfb.display.c_str());
        ASSERT_NE(display_, nullptr);
    }
    void TearDown() override
    {
        if (display_)
            XCloseDisplay(display_);
    }
    Display* display_ = nullptr;
};

TEST_F(SdlWindow, DefaultWindowIs320x240AndEscapeEndsWithoutWritingSettings)
{
    GameFolder folder;
    pid_t pid = StartGame(folder.dir, g_xvfb.display);
    Window w = WaitForWindow(display_, kCaption, 20);
    ASSERT_NE(w, 0u) << "no window captioned Borra Kez Ti";
    int cw = 0, ch = 0;
    Pause(500);
    ClientSize(display_, Current(display_, w), 320, 240, &cw, &ch);
    EXPECT_EQ(cw, 320);
    EXPECT_EQ(ch, 240);
    Pause(500);
    // Escape stays down, as a player holds it until the game has gone: the game may
    // still be starting when the key arrives.
    PressKey(g_xvfb.display, Current(display_, w), "Escape", -1);
    EXPECT_EQ(WaitExit(pid, 20), 0);
    KeyUp(g_xvfb.display, "Escape");
    EXPECT_FALSE(Exists(folder.dir + "/config.ini"));
}

TEST_F(SdlWindow, SettingsFileHoldingTwoDoublesTheWindow)
{
    GameFolder folder;
    const unsigned char two[4] = {2, 0, 0, 0};
    folder.WriteConfig(two, 4);
    pid_t pid = StartGame(folder.dir, g_xvfb.display);
    Window w = WaitForWindow(display_, kCaption, 20);
    ASSERT_NE(w, 0u);
    int cw = 0, ch = 0;
    Pause(500);
    ClientSize(display_, Current(display_, w), 640, 480, &cw, &ch);
    EXPECT_EQ(cw, 640);
    EXPECT_EQ(ch, 480);
    EXPECT_EQ(CloseAndWait(display_, w, pid), 0);
}

TEST_F(SdlWindow, ClosingTheWindowEndsTheGame)
{
    GameFolder folder;
    pid_t pid = StartGame(folder.dir, g_xvfb.display);
    Window w = WaitForWindow(display_, kCaption, 20);
    ASSERT_NE(w, 0u);
    Pause(300);
    EXPECT_EQ(CloseAndWait(display_, w, pid), 0);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
    return RUN_ALL_TESTS();
}
