// Rectangles and lines: the fill rules per blend mode (against a reference
// written here from the rules), clipping, outlines drawing each pixel once.
#include <gtest/gtest.h>

#include <random>

#include "gfx_fixture.h"
#include "runtime/graphics/blit_simd.h"
#include "runtime/graphics/shapes.h"

namespace {

using gfxtest::Image;
using gfxtest::RuntimeTest;

class ShapeTest : public RuntimeTest {};

TEST_F(ShapeTest, FilledBoxCoversExactlyItsPixels) {
    EXPECT_EQ(DrawRectangle(0, 0, 85, 240, 0xFFFF, 1), 0);
    for (int y = 0; y < 240; y++) {
        ASSERT_EQ(Back(84, y), 0xFFFFu);
        ASSERT_EQ(Back(85, y), 0u);
    }
    ClearDrawTarget();
    EXPECT_EQ(DrawRectangle(85, 240, 0, 0, 0xFFFF, 1), 0);
    EXPECT_EQ(Back(0, 0), 0xFFFFu);
    EXPECT_EQ(Back(84, 239), 0xFFFFu);
    EXPECT_EQ(Back(85, 0), 0u);
}

TEST_F(ShapeTest, TranslucentBlackOverWhite) {
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) SetBack(x, y, 0xFFFF);
    SetBlendMode(BLEND_ALPHA, 180);
    DrawRectangle(0, 0, 2, 2, 0x0000, 1);
    EXPECT_EQ(Back(0, 0), 0x526Au);
    EXPECT_EQ(Back(2, 2), 0xFFFFu);
    SetBlendMode(BLEND_ALPHA, 0);
    DrawRectangle(0, 0, 4, 4, 0x0000, 1);
    EXPECT_EQ(Back(3, 3), 0xFFFFu);
    SetBlendMode(BLEND_ALPHA, 255);
    DrawRectangle(0, 0, 4, 4, 0x1234, 1);
    EXPECT_EQ(Back(3, 3), 0x1234u);
}

TEST_F(ShapeTest, OutlineDrawsThirtySixPixelsOnce) {
    SetBlendMode(BLEND_ADD, 255);
    DrawRectangle(20, 30, 30, 40, 0x0001, 0); // adding one blue unit: twice would give 2
    SetBlendMode(BLEND_NONE, 0);
    int ones = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            uint32_t v = Back(x, y);
            ASSERT_LE(v, 1u) << x << "," << y;
            if (v) {
                ones++;
                EXPECT_TRUE(x == 20 || x == 29 || y == 30 || y == 39) << x << "," << y;
            }
        }
    EXPECT_EQ(ones, 36);
}

TEST_F(ShapeTest, ClippingAndOutsideBoxes) {
    SetClipArea(10, 10, 20, 20);
    EXPECT_EQ(DrawRectangle(0, 0, 15, 15, 0xFFFF, 1), 0);
    EXPECT_EQ(Back(9, 12), 0u);
    EXPECT_EQ(Back(10, 10), 0xFFFFu);
    EXPECT_EQ(Back(14, 14), 0xFFFFu);
    EXPECT_EQ(Back(15, 14), 0u);
    EXPECT_EQ(DrawRectangle(100, 100, 200, 200, 0xFFFF, 1), 0);
    EXPECT_EQ(DrawRectangle(-2147483647, -5, 2147483647, 300, 0x001F, 0), 0);
    EXPECT_EQ(DrawRectangle(5, 5, 25, 25, 0xF800, 0), 0);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (x < 10 || x >= 20 || y < 10 || y >= 20) ASSERT_EQ(Back(x, y), 0u) << x << "," << y;
}

TEST_F(ShapeTest, LinesSkipTheirEndPoint) {
    DrawLineSegment(0, 0, 10, 4, 0xFFFF);
    int count = 0;
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 20; x++) count += Back(x, y) != 0;
    EXPECT_EQ(count, 10);
    EXPECT_EQ(Back(0, 0), 0xFFFFu);
    EXPECT_EQ(Back(10, 4), 0u);
    // floor(k * 4 / 10) for k = 0..9.
    for (int k = 0; k < 10; k++) EXPECT_EQ(Back(k, k * 4 / 10), 0xFFFFu) << k;
    ClearDrawTarget();
    DrawLineSegment(5, 5, 5, 5, 0xFFFF);
    EXPECT_EQ(Back(5, 5), 0u);
    DrawLineSegment(-50, 120, 400, 120, 0xFFFF);
    EXPECT_EQ(Back(0, 120), 0xFFFFu);
    EXPECT_EQ(Back(319, 120), 0xFFFFu);
    DrawLineSegment(-1000, -1000, 5000, 3000, 0x001F); // clipped along its slope
}

// The fill rules as the table gives them, one pixel at a time.
uint32_t ReferenceFill(int kind, uint32_t d, uint32_t c, int mode, int p, uint32_t bright) {
    auto prod = [](int i, int j) { return i * j / 255; };
    if (mode < 0 || mode > 4) return d;
    if ((mode >= 1 && mode <= 3) && p == 0) return d;
    bright &= 0xFFFFFF;
    int br = (int)(bright >> 16) & 255, bg = (int)(bright >> 8) & 255, bb = (int)bright & 255;
    if (kind == Rgb565) {
        c &= 0xFFFF;
        int cr = (int)(c >> 11), cg = (int)(c >> 5) & 63, cb = (int)c & 31;
        if (bright != 0xFFFFFF) {
            cr = cr * br >> 8;
            cg = cg * bg >> 8;
            cb = cb * bb >> 8;
        }
        uint32_t cv = (uint32_t)(cr << 11 | cg << 5 | cb);
        int dr = (int)(d >> 11), dg = (int)(d >> 5) & 63, db = (int)d & 31;
        if (mode == 0 || (mode == 1 && p == 255)) return cv;
        if (mode == 1)
            return (uint32_t)((dr + (p * (cr - dr)) / 255) << 11 | (dg + (p * (cg - dg)) / 255) << 5 |
                              (db + (p * (cb - db)) / 255));
        uint32_t c2 = (uint32_t)(prod(p, cr) << 11 | prod(p, cg) << 5 | prod(p, cb));
        if (mode == 2) return Add565(c2, d) | ((d | c2) & 0x0820);
        if (mode == 3) return Sub565(d, c2);
        return (uint32_t)((cr * dr >> 5) << 11 | (cg * dg >> 6) << 5 | (cb * db >> 5));
    }
    int cr = (int)(c >> 16) & 255, cg = (int)(c >> 8) & 255, cb = (int)c & 255;
    if (bright != 0xFFFFFF) {
        cr = cr * br >> 8;
        cg = cg * bg >> 8;
        cb = cb * bb >> 8;
    }
    uint32_t cv = (c & 0xFF000000u) | (uint32_t)(cr << 16 | cg << 8 | cb);
    int dr = (int)(d >> 16) & 255, dg = (int)(d >> 8) & 255, db = (int)d & 255;
    uint32_t top = d & 0xFF000000u;
    if (mode == 0 || (mode == 1 && p == 255)) return cv;
    if (mode == 1)
        return top | (uint32_t)((dr + ((cr - dr) * p >> 8)) << 16 | (dg + ((cg - dg) * p >> 8)) << 8 |
                                (db + ((cb - db) * p >> 8)));
    uint32_t c2 = (uint32_t)(prod(p, cr) << 16 | prod(p, cg) << 8 | prod(p, cb));
    if (mode == 2) return Add888(c2, d);
    if (mode == 3) return Sub888(d, c2);
    return top | (uint32_t)((cr * dr >> 8) << 16 | (cg * dg >> 8) << 8 | (cb * db >> 8));
}

TEST(FillRules, EveryModeMatchesTheTable) {
    for (int simd = 0; simd < 2; simd++) {
        SetSimdBlitEnabled(simd);
        std::mt19937 rng(5 + simd);
        const int params[] = {0, 1, 100, 128, 180, 254, 255};
        const uint32_t brights[] = {0xFFFFFF, 0x80FF20, 0};
        const int whole[4] = {0, 0, 1 << 20, 1 << 20};
        for (int kind = 0; kind < 2; kind++)
            for (int mode = -1; mode <= 5; mode++)
                for (int p : params)
                    for (uint32_t bright : brights) {
                        Image img(19, 3, kind);
                        img.Randomise(rng);
                        Image before(19, 3, kind);
                        before.CopyFrom(img);
                        uint32_t c = kind == Rgb565 ? (rng() & 0xFFFF) : rng();
                        int rect[4] = {1, 0, 18, 3};
                        FillRectMemImgWith(&img.m, rect, c, whole, mode, p, bright);
                        for (int y = 0; y < 3; y++)
                            for (int x = 0; x < 19; x++) {
                                uint32_t want = (x >= 1 && x < 18)
                                                    ? ReferenceFill(kind, before.Get(x, y), c, mode, p, bright)
                                                    : before.Get(x, y);
                                ASSERT_EQ(img.Get(x, y), want) << "kind " << kind << " mode " << mode << " p " << p
                                                               << " bright " << std::hex << bright << " simd " << simd;
                            }
                    }
    }
    SetSimdBlitEnabled(1);
}

TEST(FillRules, PaletteAndAlphaImagesAreNotFilled) {
    const int whole[4] = {0, 0, 100, 100};
    Image pal(4, 4, Rgb565, 1), alpha(4, 4, Xrgb8888, 0, 1);
    pal.Fill(3);
    alpha.Fill(0x12345678);
    FillRectMemImgWith(&pal.m, nullptr, 0xFF, whole, 0, 0, 0xFFFFFF);
    FillRectMemImgWith(&alpha.m, nullptr, 0xFF, whole, 0, 0, 0xFFFFFF);
    EXPECT_EQ(pal.Get(1, 1), 3u);
    EXPECT_EQ(alpha.Get(1, 1), 0x12345678u);
}

} // namespace
