// The real game on the SDL backend under Xvfb: caption and client size from the
// settings file, Escape and the window's close button end it with exit code 0;
// the picture at the largest whole scale in a resized window and in full screen
// (this server runs no window manager), F11 and Alt+Enter, and a recorded game
// that the replay tool plays to the same end.
// gtest first: Xlib defines macros (None, Bool) that clash with gtest's names.
#include <gtest/gtest.h>

#include "tests/x11_game.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

using namespace x11game;

// The window's pixels as 0xRRGGBB, row by row.
struct WindowImage {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

// Read from the root window, which every part of a window on the screen shows in.
WindowImage Capture(Display* d, Window w) {
    WindowImage image;
    XWindowAttributes a, root;
    Window child;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(d, w, &a) || !XGetWindowAttributes(d, DefaultRootWindow(d), &root) ||
        !XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child))
        return image;
    if (x < 0 || y < 0 || x + a.width > root.width || y + a.height > root.height) return image;
    XImage* shot = XGetImage(d, DefaultRootWindow(d), x, y, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap);
    if (!shot) return image;
    image.width = a.width;
    image.height = a.height;
    image.pixels.resize((size_t)a.width * a.height);
    for (int row = 0; row < a.height; row++)
        for (int i = 0; i < a.width; i++)
            image.pixels[(size_t)row * a.width + i] = (uint32_t)XGetPixel(shot, i, row) & 0xFFFFFF;
    XDestroyImage(shot);
    return image;
}

// Waits up to `seconds` for the window's client size; false when it never came.
bool WaitForSize(Display* d, Window w, int width, int height, int seconds) {
    auto until = Clock::now() + std::chrono::seconds(seconds);
    do {
        XWindowAttributes a;
        memset(&a, 0, sizeof(a));
        if (XGetWindowAttributes(d, Current(d, w), &a) && a.width == width && a.height == height) return true;
        Pause(100);
    } while (Clock::now() < until);
    return false;
}

// Writes the image as PNG into $BKT_SHOT_DIR, when that is set.
void SaveShot(const WindowImage& image, const std::string& name) {
    const char* dir = getenv("BKT_SHOT_DIR");
    if (!dir || !dir[0] || image.width == 0) return;
    std::string ppm = std::string(dir) + "/" + name + ".ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << image.width << " " << image.height << "\n255\n";
        for (uint32_t p : image.pixels) {
            char rgb[3] = {(char)(p >> 16), (char)(p >> 8), (char)p};
            out.write(rgb, 3);
        }
    }
    RunShell("/usr/bin/convert '" + ppm + "' '" + std::string(dir) + "/" + name + ".png' && rm -f '" + ppm + "'");
}

struct Placement {
    int scale = 0, left = 0, top = 0; // the picture's scale and its top-left corner
    std::string fault;                // why the image is not such a picture, empty when it is
};

// Checks that the window shows a 320 x 240 picture at `scale`, centred: black
// outside it, every scale x scale block one colour, content reaching beyond the
// part a smaller scale would cover.
Placement CheckPicture(const WindowImage& image, int scale) {
    Placement p;
    p.scale = scale;
    p.left = (image.width - 320 * scale) / 2;
    p.top = (image.height - 240 * scale) / 2;
    int right = p.left + 320 * scale, bottom = p.top + 240 * scale;
    int maxX = -1, maxY = -1;
    for (int y = 0; y < image.height && p.fault.empty(); y++) {
        for (int x = 0; x < image.width; x++) {
            bool inside = x >= p.left && x < right && y >= p.top && y < bottom;
            uint32_t c = image.At(x, y);
            if (!inside && c != 0) {
                p.fault = "colour outside the picture at " + std::to_string(x) + "," + std::to_string(y);
                break;
            }
            if (!inside) continue;
            int bx = p.left + (x - p.left) / scale * scale, by = p.top + (y - p.top) / scale * scale;
            if (c != image.At(bx, by)) {
                p.fault = "block not uniform at " + std::to_string(x) + "," + std::to_string(y);
                break;
            }
            if (c != 0) {
                maxX = std::max(maxX, x - p.left);
                maxY = std::max(maxY, y - p.top);
            }
        }
    }
    if (p.fault.empty() && (maxX < 320 * (scale - 1) || maxY < 240 * (scale - 1) / 2))
        p.fault = "the picture does not fill its place";
    return p;
}

// The picture once the window has shown it at `scale` (or the last try after 5 s).
Placement WaitForPicture(Display* d, Window w, int scale, WindowImage* image) {
    Placement p;
    auto until = Clock::now() + std::chrono::seconds(5);
    do {
        *image = Capture(d, Current(d, w));
        p = CheckPicture(*image, scale);
        if (p.fault.empty()) return p;
        Pause(100);
    } while (Clock::now() < until);
    return p;
}

int ConfigValue(const GameFolder& folder) {
    std::vector<unsigned char> bytes = ReadAll(folder.dir + "/config.ini");
    if (bytes.size() != 4) return -1;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24;
}

// One Xvfb server for the whole suite.
XvfbServer g_xvfb;

class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override { g_xvfb.Start(70 + getpid() % 40); }
    void TearDown() override { g_xvfb.Stop(); }
};

class SdlWindow : public ::testing::Test {
protected:
    void SetUp() override {
        XSetErrorHandler(IgnoreXError);
        if (!g_xvfb.ready) GTEST_SKIP() << "Xvfb is not available";
        if (!Exists(std::string(BKT_DIST_DIR) + "/borrakezti")) GTEST_SKIP() << "the game is not built";
        display_ = XOpenDisplay(g_xvfb.display.c_str());
        ASSERT_NE(display_, nullptr);
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }
    Display* display_ = nullptr;
};

TEST_F(SdlWindow, DefaultWindowIs320x240AndEscapeEndsWithoutWritingSettings) {
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

TEST_F(SdlWindow, SettingsFileHoldingTwoDoublesTheWindow) {
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

TEST_F(SdlWindow, ClosingTheWindowEndsTheGame) {
    GameFolder folder;
    pid_t pid = StartGame(folder.dir, g_xvfb.display);
    Window w = WaitForWindow(display_, kCaption, 20);
    ASSERT_NE(w, 0u);
    Pause(300);
    EXPECT_EQ(CloseAndWait(display_, w, pid), 0);
}

TEST_F(SdlWindow, ResizedWindowShowsThePictureAtTheLargestWholeScaleCentred) {
    GameFolder folder;
    const unsigned char one[4] = {1, 0, 0, 0};
    folder.WriteConfig(one, 4);
    pid_t pid = StartGame(folder.dir, g_xvfb.display);
    Window w = WaitForWindow(display_, kCaption, 20);
    ASSERT_NE(w, 0u);
    int cw = 0, ch = 0;
    ClientSize(display_, Current(display_, w), 320, 240, &cw, &ch);
    ASSERT_EQ(cw, 320);
    Pause(1500);
    WindowImage image;
    Placement p = WaitForPicture(display_, w, 1, &image);
    EXPECT_EQ(p.fault, "");
    SaveShot(image, "scale-x1");

    // 1000 x 700 holds twice 320 x 240 (three times would need 960 x 720).
    // At the top-left corner, so that the whole window is on the screen to be read.
    std::string id = std::to_string(Current(display_, w));
    RunShell("DISPLAY=" + g_xvfb.display + " xdotool windowsize " + id + " 1000 700 windowmove " + id + " 0 0");
    ClientSize(display_, Current(display_, w), 1000, 700, &cw, &ch);
    EXPECT_EQ(cw, 1000);
    EXPECT_EQ(ch, 700);
    p = WaitForPicture(display_, w, 2, &image);
    EXPECT_EQ(p.fault, "");
    EXPECT_EQ(p.left, 180);
    EXPECT_EQ(p.top, 110);
    SaveShot(image, "scale-x2");
    // The window keeps the player's size.
    Pause(500);
    ClientSize(display_, Current(display_, w), 1000, 700, &cw, &ch);
    EXPECT_EQ(cw, 1000);
    EXPECT_EQ(ch, 700);
    EXPECT_EQ(CloseAndWait(display_, w, pid), 0);
}

// Full screen covers the 1024 x 768 screen of this server, which has no window
// manager: three times 320 x 240, centred.
TEST_F(SdlWindow, FullScreenCoversTheDesktopAtTheLargestWholeScale) {
    GameFolder folder;
    const unsigned char zero[4] = {0, 0, 0, 0};
    folder.WriteConfig(zero, 4);
    pid_t pid = StartGame(folder.dir, g_xvfb.display);
    Window w = WaitForWindow(display_, kCaption, 20);
    ASSERT_NE(w, 0u);
    int cw = 0, ch = 0;
    ClientSize(display_, Current(display_, w), 1024, 768, &cw, &ch);
    EXPECT_EQ(cw, 1024);
    EXPECT_EQ(ch, 768);
    Pause(1500);
    WindowImage image;
    Placement p = WaitForPicture(display_, w, 3, &image);
    EXPECT_EQ(p.fault, "");
    EXPECT_EQ(p.left, 32);
    EXPECT_EQ(p.top, 24);
    SaveShot(image, "scale-x3");
    EXPECT_EQ(CloseAndWait(display_, w, pid), 0);
}

TEST_F(SdlWindow, F11AndAltEnterToggleFullScreenAndSaveTheChoice) {
    GameFolder folder;
    const unsigned char two[4] = {2, 0, 0, 0};
    folder.WriteConfig(two, 4);
    pid_t pid = StartGame(folder.dir, g_xvfb.display);
    Window w = WaitForWindow(display_, kCaption, 20);
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(WaitForSize(display_, w, 640, 480, 10));
    Pause(1000);
    struct Step {
        const char* keys;
        int width, height, config;
    } steps[] = {
        {"F11", 1024, 768, 0},
        {"F11", 640, 480, 2}, // back to the window it came from
        {"alt+Return", 1024, 768, 0},
        {"alt+Return", 640, 480, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.keys);
        // Held until the change is done and saved: a busy game may take a while.
        PressKey(g_xvfb.display, Current(display_, w), step.keys, -1);
        EXPECT_TRUE(WaitForSize(display_, w, step.width, step.height, 30));
        auto until = Clock::now() + std::chrono::seconds(30);
        while (ConfigValue(folder) != step.config && Clock::now() < until) Pause(100);
        EXPECT_EQ(ConfigValue(folder), step.config);
        KeyUp(g_xvfb.display, step.keys);
        // The game sees the keys up before the next press.
        Pause(1000);
    }
    EXPECT_EQ(CloseAndWait(display_, w, pid), 0);
}

// A whole game played with xdotool and recorded; the replay tool plays the
// recording to the very state the game ended in.
TEST_F(SdlWindow, RecordedGameReplaysToTheSameEnd) {
    GameFolder folder;
    std::string recording = folder.dir + "/play.rec";
    pid_t pid = StartGame(folder.dir, g_xvfb.display, "--record", recording.c_str());
    Window w = WaitForWindow(display_, kCaption, 20);
    ASSERT_NE(w, 0u);
    Pause(1500);
    // Title, menu (START), then a climb of jumps to both sides until the lives are gone.
    PressKey(g_xvfb.display, Current(display_, w), "z");
    Pause(500);
    PressKey(g_xvfb.display, Current(display_, w), "z");
    Pause(4000);
    const char* moves[] = {"Right", "Left", "z"};
    for (int i = 0; i < 40 && PollExit(pid, 0) == -1000; i++) {
        const char* move = moves[i % 3];
        PressKey(g_xvfb.display, Current(display_, w), (std::string(move) + " z").c_str(), 0.3 + 0.1 * (i % 4));
    }
    // Standing still, the shaft carries the player out at the bottom: the
    // remaining lives go and the game ends (about 40 s of frames when idle).
    Pause(45000);
    PressKey(g_xvfb.display, Current(display_, w), "Escape", -1);
    EXPECT_EQ(WaitExit(pid, 20), 0);
    KeyUp(g_xvfb.display, "Escape");

    std::vector<unsigned char> bytes = ReadAll(recording);
    std::string text(bytes.begin(), bytes.end());
    ASSERT_EQ(text.rfind("# borrakezti-recording version=", 0), 0u) << text.substr(0, 200);
    size_t end = text.find("# end ");
    ASSERT_NE(end, std::string::npos) << "no end line";
    std::string ended = text.substr(end + 6, text.find('\n', end) - end - 6);
    EXPECT_NE(ended.find(" scene="), std::string::npos);

    std::string replay = std::string(BKT_DIST_DIR) + "/borrakezti-replay";
    std::string command = "cd '" + folder.dir + "' && '" + replay + "' --script play.rec 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0) << output;
    std::string last = output.substr(output.rfind("frame="));
    while (!last.empty() && last.back() == '\n') last.pop_back();
    EXPECT_EQ(last, ended);
    EXPECT_EQ(ended.find(" lives=5 "), std::string::npos) << "no life was lost: " << ended;
    printf("recorded end: %s\nreplayed end: %s\n", ended.c_str(), last.c_str());
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
    return RUN_ALL_TESTS();
}
