// String drawing on a 32-bit screen: plain and edged text with the top byte
// cleared, anti-aliased text mixed through the work image's alpha.
#include <gtest/gtest.h>
#include <string.h>

#include "runtime/core/sjis.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"
#include "runtime/text/font_state.h"
#include "runtime/text/text.h"
#include "tests/runtime_suite.h"

namespace {

class StringDraw32Test : public RuntimeSuite<32> {
protected:
    void SetUp() override {
        ASSERT_EQ(g_screen.backBuffer.PixelKind, Xrgb8888);
        PlainDrawing();
        SetClipArea(0, 0, 320, 240);
        ClearDrawTarget();
    }
    static uint32_t Pixel(int x, int y) {
        const MEMIMG* img = &g_screen.backBuffer;
        return *(const uint32_t*)(img->Pixels + (long)y * img->Pitch + x * 4);
    }
};

TEST_F(StringDraw32Test, PlainAndEdgedWriteColoursWithoutTheTopByte) {
    FontHandle h = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, 1, -1, 1, 0, -1, -1);
    ASSERT_NE(h, -1);
    EXPECT_EQ(MakeColor(255, 255, 255), 0xFFFFFFFFu);
    DrawStringWithFont(10, 10, "HELLO", MakeColor(255, 255, 255), h, MakeColor(255, 0, 0), 0);
    int text = 0, edge = 0, other = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            uint32_t p = Pixel(x, y);
            if (p == 0x00FFFFFFu) text++;
            else if (p == 0x00FF0000u) edge++;
            else if (p) other++;
        }
    EXPECT_GT(text, 0);
    EXPECT_GT(edge, 0);
    EXPECT_EQ(other, 0);
    DeleteFontHandle(h);
}

TEST_F(StringDraw32Test, BlackTextStillShowsThroughTheBlendedRoute) {
    // Black text over white: the work image's key must not swallow it.
    FontHandle h = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, 0, -1, -1, 0, -1, -1);
    DrawRectangle(0, 0, 320, 240, MakeColor(255, 255, 255), 1);
    SetBlendMode(BLEND_ALPHA, 128);
    DrawStringWithFont(10, 10, "HELLO", MakeColor(0, 0, 0), h, MakeColor(0, 0, 0), 0);
    SetBlendMode(BLEND_NONE, 0);
    int dimmed = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if ((Pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) dimmed++;
    EXPECT_GT(dimmed, 20);
    DeleteFontHandle(h);
}

TEST_F(StringDraw32Test, AntiAliasedTextIsMixed) {
    FontHandle h = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, 2, -1, -1, 0, -1, -1);
    DrawStringWithFont(10, 10, "HELLO", MakeColor(255, 255, 255), h, 0, 0);
    int partial = 0, full = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            uint32_t p = Pixel(x, y) & 0xFFFFFF;
            if (p == 0xFFFFFF) full++;
            else if (p) partial++;
        }
    EXPECT_EQ(full, 0);
    EXPECT_GT(partial, 20);
    DeleteFontHandle(h);
}

} // namespace
