// Colour values and pixel formats: MakeColor and GetColorRGB on 16- and 32-bit
// screens, descriptors from masks, conversions, MEMIMG set-up, views and raw fills.
#include <gtest/gtest.h>

#include "gfx_fixture.h"
#include "runtime/graphics/color_format.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"

using gfxtest::Image;

namespace {

// MakeColor follows the requested depth even before start-up.
struct DepthScope {
    int saved;
    explicit DepthScope(int depth) : saved(g_screen.colorBitDepth) { g_screen.colorBitDepth = depth; }
    ~DepthScope() { g_screen.colorBitDepth = saved; }
};

TEST(MakeColor, SixteenBitExamples) {
    DepthScope depth(16);
    EXPECT_EQ(MakeColor(255, 0, 0), 0xF800u);
    EXPECT_EQ(MakeColor(0, 255, 0), 0x07E0u);
    EXPECT_EQ(MakeColor(8, 4, 8), 0x0821u);
    EXPECT_EQ(MakeColor(7, 3, 7), 0u);
    EXPECT_EQ(MakeColor(256, 0, 0), MakeColor(0, 0, 0));
    EXPECT_EQ(MakeColor(-1, 0, 0), 0xF800u); // low 8 bits only
}

TEST(MakeColor, ThirtyTwoBitSetsTheSpareBits) {
    DepthScope depth(32);
    EXPECT_EQ(MakeColor(0, 0, 255), 0xFF0000FFu);
    EXPECT_EQ(MakeColor(0x12, 0x34, 0x56), 0xFF123456u);
}

TEST(MakeColor, EightBitScreenPicksTheNearestLowestIndex) {
    DepthScope depth(8);
    uint8_t saved[256][4];
    memcpy(saved, g_screen.palette, sizeof(saved));
    memset(g_screen.palette, 0, sizeof(g_screen.palette));
    g_screen.palette[3][0] = 200;
    g_screen.palette[7][0] = 200; // same colour later: the lower index wins
    g_screen.palette[9][2] = 255;
    EXPECT_EQ(MakeColor(190, 0, 0), 3u);
    EXPECT_EQ(MakeColor(0, 0, 250), 9u);
    int r = 0, g = 0, b = 0;
    EXPECT_EQ(GetColorRGB(3, &r, &g, &b), 0);
    EXPECT_EQ(r, 200);
    EXPECT_EQ(GetColorRGB(256, &r, &g, &b), -1);
    memcpy(g_screen.palette, saved, sizeof(saved));
}

TEST(GetColorRGB, RescalesWithTruncation) {
    DepthScope depth(16);
    int r = 0, g = 0, b = 0;
    EXPECT_EQ(GetColorRGB(MakeColor(200, 100, 50), &r, &g, &b), 0);
    EXPECT_EQ(r, 205);
    EXPECT_EQ(g, 101);
    EXPECT_EQ(b, 49);
    GetColorRGB(0xF800, &r, &g, &b);
    EXPECT_EQ(r, 255);
    GetColorRGB(0x0800, &r, &g, &b);
    EXPECT_EQ(r, 8);
    DepthScope depth32(32);
    GetColorRGB(MakeColor(1, 2, 3), &r, &g, &b);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(b, 3);
}

TEST(ColorFormat, FromMasks) {
    ColorFormat f;
    SetupColorFormat(&f, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_EQ(f.PixelByte, 4);
    EXPECT_EQ(f.RedShift, 16);
    EXPECT_EQ(f.RedBits, 8);
    EXPECT_EQ(f.AlphaBits, 0);
    EXPECT_EQ(f.AlphaShift, 0);
    EXPECT_EQ(f.SpareMask, 0xFF000000u);
    SetupColorFormat(&f, 16, 0x7C00, 0x03E0, 0x001F, 0);
    EXPECT_EQ(f.GreenShift, 5);
    EXPECT_EQ(f.GreenBits, 5);
    EXPECT_EQ(f.SpareMask, 0x8000u);
    SetupColorFormat(&f, 16, 0xF800, 0x07E0, 0x001F, 0);
    EXPECT_EQ(f.SpareMask, 0u);
    EXPECT_EQ(f.GreenBits, 6);
}

TEST(ColorFormat, SharedMemImgDescriptors) {
    const ColorFormat* a = GetMemImgColorFormat(Rgb565, 0, 0);
    EXPECT_EQ(a, GetMemImgColorFormat(Rgb565, 0, 0));
    EXPECT_EQ(a->ColorBitDepth, 16);
    const ColorFormat* alpha = GetMemImgColorFormat(Rgb565, 1, 0);
    EXPECT_EQ(alpha->ColorBitDepth, 32);
    EXPECT_EQ(alpha->AlphaMask, 0xFF0000u);
    EXPECT_EQ(alpha->AlphaShift, 16);
    EXPECT_EQ(GetMemImgColorFormat(Xrgb8888, 0, 0)->SpareMask, 0xFF000000u);
    EXPECT_EQ(GetMemImgColorFormat(Xrgb8888, 1, 0)->AlphaMask, 0xFF000000u);
    EXPECT_EQ(GetMemImgColorFormat(Xrgb8888, 0, 1)->ColorBitDepth, 8);
    EXPECT_EQ(GetMemImgColorFormat(Mono16, 0, 0)->RedMask, 0xFFFFu);
    EXPECT_EQ(GetMemImgColorFormat(Mono8, 1, 1), GetMemImgColorFormat(Mono8, 0, 0));
    EXPECT_EQ(GetMemImgColorFormat(4, 0, 0), nullptr);
    EXPECT_EQ(GetMemImgColorFormat(-1, 0, 0), nullptr);
}

TEST(ColorFormat, LoaderSpecs) {
    ColorSpec spec;
    MakeGrayPaletteColorSpec(&spec);
    EXPECT_EQ(spec.Format.SpareMask, 0xFF000000u);
    EXPECT_EQ(spec.Format.ColorBitDepth, 8);
    EXPECT_EQ(spec.Palette[77][0], 77);
    EXPECT_EQ(spec.Palette[77][2], 77);
    MakeBgr24ColorSpec(&spec);
    EXPECT_EQ(spec.Format.PixelByte, 3);
    EXPECT_EQ(spec.Format.SpareMask, 0u);
}

TEST(ColorFormat, MakeColorInFormatAndConvert) {
    const ColorFormat* f565a = GetMemImgColorFormat(Rgb565, 1, 0);
    EXPECT_EQ(MakeColorInFormat(f565a, 255, 0, 255, 128), 0xFF80F81Fu); // spare top byte set
    const ColorFormat* f888 = GetMemImgColorFormat(Xrgb8888, 0, 0);
    const ColorFormat* f565 = GetMemImgColorFormat(Rgb565, 0, 0);
    // Narrowing truncates, widening shifts without replicating bits.
    EXPECT_EQ(ConvertColorValue(f565, f888, 0xFF80FF40), 0x87E8u);
    EXPECT_EQ(ConvertColorValue(f888, f565, 0xFFFF), 0xFFF8FCF8u);
    // A source without alpha gives full alpha.
    const ColorFormat* f8888a = GetMemImgColorFormat(Xrgb8888, 1, 0);
    EXPECT_EQ(ConvertColorValue(f8888a, f565, 0) >> 24, 0xFFu);
}

TEST(MemImg, DefaultPitches) {
    Image a(3, 2, Rgb565);
    EXPECT_EQ(a.m.Pitch, 16);
    Image b(3, 2, Rgb565, 0, 1);
    EXPECT_EQ(b.m.Pitch, 16);
    Image c(5, 2, Xrgb8888);
    EXPECT_EQ(c.m.Pitch, 32);
    Image d(17, 1, Mono8);
    EXPECT_EQ(d.m.Pitch, 32);
    Image e(3, 1, Xrgb8888, 1, 1); // a palette forces the alpha flag off
    EXPECT_EQ(e.m.AlphaChannel, 0);
    EXPECT_EQ(e.m.Pitch, 16);
    Image f(3, 1, Mono16, 1, 1);
    EXPECT_EQ(f.m.UsePalette, 0);
    EXPECT_EQ(f.m.AlphaChannel, 0);
}

TEST(MemImg, SecondSetupFailsAndLeavesTheImage) {
    Image a(4, 4, Rgb565);
    uint8_t* pixels = a.m.Pixels;
    EXPECT_EQ(SetupMemImg(&a.m, 8, 8, -1, 0, Xrgb8888, 0, 0), -1);
    EXPECT_EQ(a.m.Pixels, pixels);
    EXPECT_EQ(a.m.Width, 4);
    EXPECT_EQ(a.m.PixelKind, Rgb565);
}

TEST(MemImg, RefusesBadSizesAndKeepsCallerBuffers) {
    MEMIMG m;
    memset(&m, 0, sizeof(m));
    EXPECT_EQ(SetupMemImg(&m, 0, 4, -1, 0, Rgb565, 0, 0), -1);
    EXPECT_EQ(SetupMemImg(&m, 4, -4, -1, 0, Rgb565, 0, 0), -1);
    EXPECT_EQ(SetupMemImg(&m, 100000, 100000, -1, 0, Xrgb8888, 0, 0), -1);
    EXPECT_EQ(SetupMemImg(&m, 4, 4, 2, 0, Rgb565, 0, 0), -1); // pitch shorter than a row
    uint16_t buffer[16];
    memset(&m, 0, sizeof(m));
    m.Pixels = (uint8_t*)buffer;
    ASSERT_EQ(SetupMemImg(&m, 4, 4, 8, 0, Rgb565, 0, 0), 0);
    EXPECT_EQ(m.UserBuffer, 1);
    EXPECT_EQ(MemImgHasPixels(&m), 1);
    ReleaseMemImg(&m);
    EXPECT_EQ(m.Pixels, nullptr);
    EXPECT_EQ(MemImgHasPixels(&m), 0);
    ReleaseMemImg(&m); // not initialised: nothing happens
}

TEST(MemImg, ViewOffsets) {
    Image strip(288, 32, Rgb565);
    MEMIMG* parent = &strip.m;
    // Force the pitch of the example.
    EXPECT_EQ(parent->Pitch, 576);
    MEMIMG view;
    memset(&view, 0, sizeof(view));
    SetupMemImgView(&view, parent, 16, 0, 16, 16);
    EXPECT_EQ(view.Pixels, parent->Pixels + 32);
    EXPECT_EQ(view.Pitch, 576);
    EXPECT_EQ(view.Width, 16);
    EXPECT_EQ(view.UserBuffer, 0);
    EXPECT_EQ(view.Palette, parent->Palette);
}

TEST(MemImg, RawFillClipsAndIgnoresDrawSettings) {
    Image a(8, 4, Rgb565);
    a.Fill(0x1234);
    int outside[4] = {8, 0, 12, 4};
    FillMemImgRaw(&a.m, outside, 0xFFFF);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 8; x++) EXPECT_EQ(a.Get(x, y), 0x1234u);
    int part[4] = {-3, 1, 2, 9};
    FillMemImgRaw(&a.m, part, 0xABCD);
    EXPECT_EQ(a.Get(0, 1), 0xABCDu);
    EXPECT_EQ(a.Get(1, 3), 0xABCDu);
    EXPECT_EQ(a.Get(2, 1), 0x1234u);
    EXPECT_EQ(a.Get(0, 0), 0x1234u);
    Image b(3, 3, Xrgb8888);
    FillMemImgRaw(&b.m, nullptr, 0x80FF00FF);
    EXPECT_EQ(b.Get(2, 2), 0x80FF00FFu);
    Image c(3, 3, Mono8);
    FillMemImgRaw(&c.m, nullptr, 0x1FF);
    EXPECT_EQ(c.Get(1, 1), 0xFFu);
}

} // namespace
