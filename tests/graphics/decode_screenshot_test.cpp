// GetPixel and SaveScreenToFile on the headless backend, and decoding files
// through the installed file operations after RuntimeInit.
#include <sys/stat.h>

#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"
#include "tests/graphics/decode_test_support.h"

using namespace dectest;

namespace {

class ScreenShot : public ToolFixture {
protected:
    void Start(int depth) {
        SetLogOutputEnabled(0);
        ChangeWindowMode(1);
        SetScreenMode(320, 240, depth, 60);
        ASSERT_EQ(RuntimeInit(), 0);
        started = true;
        ASSERT_EQ(SetDrawTarget(DRAW_TARGET_BACK), 0);
        MEMIMG* back = &g_screen.backBuffer;
        ASSERT_EQ(back->Width, 320);
        FillMemImgRaw(back, nullptr, MakeColor(0, 0, 255));
        const int rect[4] = {10, 20, 30, 40};
        FillMemImgRaw(back, rect, MakeColor(255, 0, 0));
        const int dot[4] = {5, 5, 6, 6};
        FillMemImgRaw(back, dot, MakeColor(200, 100, 50));
    }
    void TearDown() override {
        if (started) RuntimeEnd();
        ToolFixture::TearDown();
    }
    // Pixel of an 8-bit RGBA dump of a 320 x 240 picture.
    static const uint8_t* At(const std::vector<uint8_t>& rgba, int x, int y) { return &rgba[(y * 320 + x) * 4]; }
    // The raw value GetPixel stores for (x, y); the test fails when it refuses.
    static unsigned int PixelAt(int x, int y) {
        unsigned int color = 0;
        EXPECT_EQ(GetPixel(x, y, &color), 0) << x << "," << y;
        return color;
    }
    bool started = false;
};

TEST_F(ScreenShot, GetPixelGivesMakeColorValues) {
    Start(16);
    EXPECT_EQ(PixelAt(15, 25), MakeColor(255, 0, 0));
    EXPECT_EQ(PixelAt(15, 25), 0xF800u);
    EXPECT_EQ(PixelAt(0, 0), MakeColor(0, 0, 255));
    EXPECT_EQ(PixelAt(319, 239), 0x001Fu);
    unsigned int color = 7;
    EXPECT_EQ(GetPixel(-1, 0, &color), -1);
    EXPECT_EQ(GetPixel(320, 0, &color), -1);
    EXPECT_EQ(GetPixel(0, 240, &color), -1);
    EXPECT_EQ(color, 7u);
}

TEST_F(ScreenShot, ThirtyTwoBitValuesCarryTheSpareBits) {
    Start(32);
    EXPECT_EQ(PixelAt(12, 22), MakeColor(255, 0, 0));
    EXPECT_EQ(PixelAt(12, 22), 0xFFFF0000u);
}

TEST_F(ScreenShot, PngAndBmpHoldTheBackBuffer) {
    Start(16);
    ASSERT_EQ(SaveScreenToFile(Path("shot.png").c_str()), 0);
    ASSERT_EQ(SaveScreenToFile(Path("shot.BMP").c_str()), 0);
    std::vector<uint8_t> png = ToolRgba("shot.png");
    std::vector<uint8_t> bmp = ToolRgba("shot.BMP");
    ASSERT_EQ(png.size(), 320u * 240 * 4);
    EXPECT_EQ(png, bmp);
    const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
    EXPECT_EQ(memcmp(At(png, 10, 20), red, 4), 0);
    EXPECT_EQ(memcmp(At(png, 29, 39), red, 4), 0);
    EXPECT_EQ(memcmp(At(png, 30, 40), blue, 4), 0);
    EXPECT_EQ(memcmp(At(png, 0, 0), blue, 4), 0);
    // Channels come back as GetColorRGB gives them: 200, 100, 50 -> 205, 101, 49.
    int r = 0, g = 0, b = 0;
    ASSERT_EQ(GetColorRGB(MakeColor(200, 100, 50), &r, &g, &b), 0);
    EXPECT_EQ(At(png, 5, 5)[0], r);
    EXPECT_EQ(At(png, 5, 5)[1], g);
    EXPECT_EQ(At(png, 5, 5)[2], b);
    EXPECT_EQ(r, 205);
    // Our own decoders read both back the same.
    GraphImage a, c;
    ASSERT_EQ(Decode("shot.png", &a), 0);
    ASSERT_EQ(Decode("shot.BMP", &c), 0);
    EXPECT_TRUE(SameAsRgba(a, png, 320, 240, 0, false));
    EXPECT_TRUE(SameAsRgba(c, png, 320, 240, 0, false));
    ReleaseGraphImage(&a);
    ReleaseGraphImage(&c);
}

TEST_F(ScreenShot, UnknownExtensionsAndBadPathsFail) {
    Start(16);
    EXPECT_EQ(SaveScreenToFile(Path("shot.jpg").c_str()), -1);
    EXPECT_EQ(SaveScreenToFile(Path("shot").c_str()), -1);
    EXPECT_EQ(SaveScreenToFile(Path("no/such/dir/shot.png").c_str()), -1);
    EXPECT_EQ(SaveScreenToFile(nullptr), -1);
    EXPECT_EQ(access(Path("shot.jpg").c_str(), F_OK), -1);
}

TEST_F(ScreenShot, LongPathsSaveUpToThePlatformLimit) {
#ifdef _WIN32
    GTEST_SKIP() << "the folders nest past Windows' 260-byte paths";
#endif
    Start(16);
    // Folders of 200 bytes nest until the whole path is about 3000 bytes.
    std::string folder = Path("");
    while (folder.size() < 2800) {
        folder += std::string(200, 'd') + "/";
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    }
    std::string shot = folder + "shot.png";
    EXPECT_EQ(SaveScreenToFile(shot.c_str()), 0);
    EXPECT_EQ(access(shot.c_str(), F_OK), 0);
    std::string tooLong = folder + std::string(4096, 'x') + ".png";
    EXPECT_EQ(SaveScreenToFile(tooLong.c_str()), -1);
}

TEST_F(ScreenShot, FilesDecodeThroughTheFileLayer) {
    Start(16);
    WritePattern("src.ppm", 17, 9);
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -type TrueColor BMP3:pic.bmp"));
    GraphImage image;
    ASSERT_EQ(LoadGraphImageFile(Path("pic.bmp").c_str(), &image), 0);
    EXPECT_TRUE(SameAsRgba(image, PatternRgba(17, 9), 17, 9, 0, false));
    ReleaseGraphImage(&image);
    // Written with the runtime's separator and another case.
    std::string windows = dir + "\\PIC.BMP";
    ASSERT_EQ(LoadGraphImageFile(windows.c_str(), &image), 0);
    EXPECT_EQ(image.Width, 17);
    ReleaseGraphImage(&image);
    EXPECT_EQ(LoadGraphImageFile(Path("missing.bmp").c_str(), &image), -1);
    EXPECT_EQ(LoadGraphImageFile(Path("src.ppm").c_str(), &image), -1); // not one of the six formats
}

} // namespace
