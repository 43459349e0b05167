// The image blitter's per-pixel rules: the worked examples, clipping, and every
// specialised (and vector) loop compared with the plain reference loop on random
// pixels for every pixel kind, source kind, blend mode, parameter, bright and
// transparency.
#include <gtest/gtest.h>

#include <random>

#include "gfx_fixture.h"
#include "runtime/graphics/blit.h"
#include "runtime/graphics/blit_simd.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/transform.h"

using gfxtest::Image;

namespace {

const int kWhole[4] = {0, 0, 1 << 20, 1 << 20};

uint32_t BlitOne(int kind, uint32_t src, uint32_t dst, int mode, int param, uint32_t bright = 0xFFFFFF, int alpha = 0,
                 int trans = 0, uint32_t key = 0) {
    Image s(1, 1, kind, 0, alpha, key), d(1, 1, kind);
    s.Set(0, 0, src);
    d.Set(0, 0, dst);
    BlitMemImgWith(&d.m, &s.m, 0, 0, trans, kWhole, mode, param, bright);
    return d.Get(0, 0);
}

TEST(BlitRules, SaturatingHelpers) {
    EXPECT_EQ(Add565(0x8410, 0x8410), 0xFFFFu);
    EXPECT_EQ(Add565(0x0800, 0xF800), 0xF000u);
    EXPECT_EQ(Sub565(0, 0), 0x0800u);
    EXPECT_EQ(Sub565(0x0000, 0xFFFF), 0x0000u);
    EXPECT_EQ(Add888(0x808080, 0x808080) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(Add888(0x800000, 0x800000) >> 24, 1u); // red overflow leaves a 1 in the top byte
    EXPECT_EQ(Sub888(0x000000, 0x010101) >> 24, 0u);
}

TEST(BlitRules, SixteenBitWorkedExamples) {
    // Mode 1 at 128: halves.
    EXPECT_EQ(BlitOne(Rgb565, 0xFFFF, 0x0000, 1, 128), 0x7BEFu);
    // Mode 1 at 180: table level 45, red 31 over 0 gives 22.
    EXPECT_EQ(BlitOne(Rgb565, 0xF800, 0x0000, 1, 180) >> 11, 22u);
    // Mode 2 at 255.
    EXPECT_EQ(BlitOne(Rgb565, 0x8410, 0x8410, 2, 255), 0xFFFFu);
    EXPECT_EQ(BlitOne(Rgb565, 0x0800, 0xF800, 2, 255), 0xF000u);
    // Mode 3 at 255.
    EXPECT_EQ(BlitOne(Rgb565, 0xFFFF, 0x0000, 3, 255), 0x0000u);
    EXPECT_EQ(BlitOne(Rgb565, 0x0000, 0x0000, 3, 255), 0x0800u);
    // Mode 4 multiplies: white keeps, black clears.
    EXPECT_EQ(BlitOne(Rgb565, 0xFFFF, 0x1234, 4, 0),
              (uint32_t)((((0x1234 >> 11) * 31 >> 5) << 11) | ((((0x1234 >> 5) & 63) * 63 >> 6) << 5) |
                         ((0x1234 & 31) * 31 >> 5)));
    EXPECT_EQ(BlitOne(Rgb565, 0x0000, 0xFFFF, 4, 0), 0u);
}

TEST(BlitRules, ThirtyTwoBitWorkedExamples) {
    EXPECT_EQ(BlitOne(Xrgb8888, 0x00808080, 0x00808080, 2, 255), 0x00FFFFFFu);
    EXPECT_EQ(BlitOne(Xrgb8888, 0xFFFFFFFF, 0x00000000, 1, 128), 0x007F7F7Fu);
    // Mode 0 with the bright white copies all 32 bits.
    EXPECT_EQ(BlitOne(Xrgb8888, 0xAB123456, 0x11111111, 0, 0), 0xAB123456u);
    // With a bright the destination's top byte stays.
    EXPECT_EQ(BlitOne(Xrgb8888, 0xABFF8000, 0x11000000, 0, 0, 0x808080), 0x11804000u);
    // Mode 1 other parameters: d + ((s - d) * p >> 8), top byte kept.
    EXPECT_EQ(BlitOne(Xrgb8888, 0x00FF0000, 0x77000000, 1, 100), 0x77630000u);
}

TEST(BlitRules, ModeOneEndsAndParameterZero) {
    std::mt19937 rng(7);
    for (int i = 0; i < 200; i++) {
        uint32_t s = rng() & 0xFFFF, d = rng() & 0xFFFF;
        EXPECT_EQ(BlitOne(Rgb565, s, d, 1, 255), BlitOne(Rgb565, s, d, 0, 0));
        EXPECT_EQ(BlitOne(Rgb565, s, d, 1, 0), d);
        EXPECT_EQ(BlitOne(Rgb565, s, d, 2, 0), d);
        EXPECT_EQ(BlitOne(Rgb565, s, d, 3, 0), d);
        EXPECT_EQ(BlitOne(Rgb565, s, d, 7, 128), d);
        uint32_t s32 = rng(), d32 = rng();
        EXPECT_EQ(BlitOne(Xrgb8888, s32, d32, 1, 255), BlitOne(Xrgb8888, s32, d32, 0, 0));
        EXPECT_EQ(BlitOne(Xrgb8888, s32, d32, 2, 0), d32);
        EXPECT_EQ(BlitOne(Xrgb8888, s32, d32, -1, 0), d32);
    }
}

TEST(BlitRules, TransparentColour) {
    EXPECT_EQ(BlitOne(Rgb565, 0x07E0, 0x1234, 0, 0, 0xFFFFFF, 0, 1, 0x07E0), 0x1234u);
    EXPECT_EQ(BlitOne(Rgb565, 0x07E0, 0x1234, 0, 0, 0xFFFFFF, 0, 0, 0x07E0), 0x07E0u);
    EXPECT_EQ(BlitOne(Xrgb8888, 0xFF00FF00, 0x1234, 0, 0, 0xFFFFFF, 0, 1, 0xFF00FF00), 0x1234u);
    // 32-bit keys compare all 32 bits.
    EXPECT_EQ(BlitOne(Xrgb8888, 0x0000FF00, 0x1234, 0, 0, 0xFFFFFF, 0, 1, 0xFF00FF00), 0x0000FF00u);
}

TEST(BlitRules, AlphaChannelSources) {
    // 565 with alpha: alpha 0 skipped, 255 opaque (with the trans flag), others weighted.
    EXPECT_EQ(BlitOne(Rgb565, 0x0000FFFF, 0x0000, 0, 0, 0xFFFFFF, 1, 1), 0x0000u);
    EXPECT_EQ(BlitOne(Rgb565, 0x00FFFFFF, 0x0000, 0, 0, 0xFFFFFF, 1, 1), 0xFFFFu);
    uint32_t half = BlitOne(Rgb565, 0x0080F800, 0x0000, 0, 0, 0xFFFFFF, 1, 1);
    EXPECT_EQ(half >> 11, (31u * 128) >> 8);
    // Without the trans flag 255 takes the general rule: 31 * 255 >> 8 = 30.
    EXPECT_EQ(BlitOne(Rgb565, 0x00FFF800, 0x0000, 0, 0, 0xFFFFFF, 1, 0) >> 11, 30u);
    EXPECT_EQ(BlitOne(Xrgb8888, 0x80FF0000, 0x00000000, 0, 0, 0xFFFFFF, 1, 1), 0x007F0000u);
}

TEST(BlitRules, PaletteSources) {
    Image s(2, 1, Rgb565, 1, 0, 1), d(2, 1, Rgb565);
    s.m.OwnPalette[0] = 0xF800;
    s.m.OwnPalette[1] = 0x001F;
    s.Set(0, 0, 0);
    s.Set(1, 0, 1);
    d.Fill(0x1111);
    BlitMemImgWith(&d.m, &s.m, 0, 0, 1, kWhole, 0, 0, 0xFFFFFF);
    EXPECT_EQ(d.Get(0, 0), 0xF800u);
    EXPECT_EQ(d.Get(1, 0), 0x1111u); // index 1 is the transparent index
    BlitMemImgWith(&d.m, &s.m, 0, 0, 0, kWhole, 0, 0, 0xFFFFFF);
    EXPECT_EQ(d.Get(1, 0), 0x001Fu);
}

TEST(BlitRules, KindMismatchAndPaletteTargetsDrawNothing) {
    Image s(2, 2, Xrgb8888), d(2, 2, Rgb565);
    s.Fill(0xFFFFFFFF);
    d.Fill(0x1234);
    BlitMemImgWith(&d.m, &s.m, 0, 0, 0, kWhole, 0, 0, 0xFFFFFF);
    EXPECT_EQ(d.Get(1, 1), 0x1234u);
    Image s2(2, 2, Rgb565), d2(2, 2, Rgb565, 1);
    d2.Fill(5);
    BlitMemImgWith(&d2.m, &s2.m, 0, 0, 0, kWhole, 0, 0, 0xFFFFFF);
    EXPECT_EQ(d2.Get(1, 1), 5u);
}

TEST(BlitClip, ClipsToAreaAndTarget) {
    Image s(4, 4, Rgb565), d(6, 6, Rgb565);
    s.Fill(0xFFFF);
    d.Fill(0);
    const int area[4] = {1, 1, 5, 5};
    BlitMemImgWith(&d.m, &s.m, -2, 3, 0, area, 0, 0, 0xFFFFFF);
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 6; x++) EXPECT_EQ(d.Get(x, y), (x >= 1 && x < 2 && y >= 3 && y < 5) ? 0xFFFFu : 0u);
    // Far outside, and areas larger than the target: nothing outside is touched.
    BlitMemImgWith(&d.m, &s.m, 0x7FFFFFF0, -0x7FFFFFF0, 0, kWhole, 0, 0, 0xFFFFFF);
    BlitMemImgWith(&d.m, &s.m, 4, 4, 0, kWhole, 0, 0, 0xFFFFFF);
    EXPECT_EQ(d.Get(5, 5), 0xFFFFu);
}

// Every combination against the reference loop, with and without the vector loops.
struct Combination {
    int kind, source, mode, param, trans;
    uint32_t bright;
};

void CompareWithReference(const Combination& c, std::mt19937& rng, int width, int height) {
    const int palette = c.source == SrcPalette, alpha = c.source == SrcAlpha;
    uint32_t key = c.kind == Rgb565 ? (rng() & 0xFFFF) : rng();
    if (palette) key = rng() & 0xFF;
    Image src(width, height, c.kind, palette, alpha, key);
    src.Randomise(rng);
    for (int i = 0; i < 256; i++) src.m.OwnPalette[i] = c.kind == Rgb565 ? (rng() & 0xFFFF) : (rng() & 0xFFFFFF);
    // Plenty of transparent, opaque and clear pixels.
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint32_t r = rng() % 8;
            if (r == 0) src.Set(x, y, key);
            if (alpha && r == 1) src.Set(x, y, src.Get(x, y) | (c.kind == Rgb565 ? 0xFF0000u : 0xFF000000u));
            if (alpha && r == 2) src.Set(x, y, src.Get(x, y) & (c.kind == Rgb565 ? 0xFF00FFFFu : 0x00FFFFFFu));
        }
    Image fast(width + 5, height + 3, c.kind), ref(width + 5, height + 3, c.kind);
    fast.Randomise(rng);
    ref.CopyFrom(fast);
    int x = (int)(rng() % 9) - 4, y = (int)(rng() % 7) - 3;
    const int area[4] = {1, 0, width + 4, height + 3};
    BlitMemImgWith(&fast.m, &src.m, x, y, c.trans, area, c.mode, c.param, c.bright);
    BlitMemImgReference(&ref.m, &src.m, x, y, c.trans, area, c.mode, c.param, c.bright);
    ASSERT_TRUE(fast.SameAs(ref)) << "kind " << c.kind << " source " << c.source << " mode " << c.mode << " param "
                                  << c.param << " trans " << c.trans << " bright " << std::hex << c.bright;
}

void RunAllCombinations(int simd, int avx2) {
    SetSimdBlitEnabled(simd);
    SetAvx2BlitEnabled(avx2);
    std::mt19937 rng(12345 + simd + avx2 * 2);
    const int params[] = {0, 1, 3, 64, 127, 128, 129, 180, 200, 252, 254, 255, 300};
    const uint32_t brights[] = {0xFFFFFF, 0x808080, 0xFF7F00, 0x000000};
    for (int kind = 0; kind < 2; kind++)
        for (int source = 0; source < 3; source++)
            for (int mode = 0; mode <= 5; mode++)
                for (int param : params)
                    for (uint32_t bright : brights)
                        for (int trans = 0; trans < 2; trans++) {
                            Combination c{kind, source, mode, param > 255 ? 255 : param, trans, bright};
                            CompareWithReference(c, rng, 37, 5);
                            if (::testing::Test::HasFatalFailure()) return;
                        }
    SetSimdBlitEnabled(1);
    SetAvx2BlitEnabled(1);
}

TEST(BlitRandom, ScalarLoopsMatchTheReference) {
    RunAllCombinations(0, 0);
}

TEST(BlitRandom, Sse2LoopsMatchTheReference) {
    RunAllCombinations(1, 0);
}

TEST(BlitRandom, Avx2LoopsMatchTheReference) {
    RunAllCombinations(1, 1);
}

TEST(BlitRandom, LongRowsMatchTheReference) {
    // Rows long enough for every vector width, with odd tails.
    std::mt19937 rng(99);
    const int modes[][2] = {{0, 0}, {1, 128}, {1, 200}, {1, 77}, {2, 255}, {2, 100}, {3, 255}, {3, 31}, {4, 0}};
    for (int level = 0; level < 3; level++) {
        SetSimdBlitEnabled(level > 0);
        SetAvx2BlitEnabled(level > 1);
        for (int kind = 0; kind < 2; kind++)
            for (int source = 0; source < 3; source++)
                for (auto& m : modes)
                    for (int trans = 0; trans < 2; trans++)
                        for (int width : {1, 7, 8, 15, 16, 17, 31, 33, 70}) {
                            Combination c{kind, source, m[0], m[1], trans, 0xFFFFFF};
                            CompareWithReference(c, rng, width, 3);
                            if (::testing::Test::HasFatalFailure()) return;
                        }
    }
    SetSimdBlitEnabled(1);
    SetAvx2BlitEnabled(1);
}

// Stretched, rotated and triangle draws gather source pixels into rows for the
// vector loops: each must equal the scalar loops (themselves equal to the
// reference above) for every kind, source, rule, bright and transparency.
TEST(BlitRandom, GatheredDrawsMatchTheScalarLoops) {
    std::mt19937 rng(7);
    const int modes[][2] = {{0, 0}, {1, 128}, {1, 77}, {2, 255}, {2, 100}, {3, 255}, {3, 31}, {4, 0}};
    const DrawState saved = g_draw;
    g_draw.area[0] = 1;
    g_draw.area[1] = 2;
    g_draw.area[2] = 60;
    g_draw.area[3] = 45;
    g_draw.areaEmpty = 0;
    for (int kind = 0; kind < 2; kind++)
        for (int alpha = 0; alpha < 2; alpha++)
            for (auto& m : modes)
                for (uint32_t bright : {0xFFFFFFu, 0xC0FF40u})
                    for (int trans = 0; trans < 2; trans++) {
                        uint32_t key = kind == Rgb565 ? (rng() & 0xFFFF) : rng();
                        Image src(13, 9, kind, 0, alpha, key);
                        src.Randomise(rng);
                        for (int y = 0; y < 9; y++)
                            for (int x = 0; x < 13; x++)
                                if (rng() % 5 == 0)
                                    src.Set(x, y,
                                            alpha ? src.Get(x, y) & (kind == Rgb565 ? 0xFF00FFFFu : 0x00FFFFFFu) : key);
                        Image start(64, 48, kind);
                        start.Randomise(rng);
                        g_draw.blendMode = m[0];
                        g_draw.blendParam = m[1];
                        g_draw.bright = bright;
                        const int stretch[4] = {50, 3, -4, 40}; // mirrored, wider and taller
                        const TriangleVertex tri[3] = {{2, 44, 0, 8}, {58, 30, 12, 0}, {20, 3, 6, 4}};
                        Image out[2][3] = {{{64, 48, kind}, {64, 48, kind}, {64, 48, kind}},
                                           {{64, 48, kind}, {64, 48, kind}, {64, 48, kind}}};
                        for (int simd = 0; simd < 2; simd++) {
                            SetSimdBlitEnabled(simd);
                            for (int k = 0; k < 3; k++) out[simd][k].CopyFrom(start);
                            StretchBlitMemImg(&out[simd][0].m, &src.m, stretch, trans);
                            RotateBlitMemImg(&out[simd][1].m, &src.m, 30, 22, 0.7, 3.1, trans, 0);
                            TriangleBlitMemImg(&out[simd][2].m, &src.m, tri, trans);
                        }
                        SetSimdBlitEnabled(1);
                        for (int k = 0; k < 3; k++)
                            ASSERT_TRUE(out[1][k].SameAs(out[0][k]))
                                << "draw " << k << " kind " << kind << " alpha " << alpha << " mode " << m[0]
                                << " param " << m[1] << " trans " << trans << " bright " << std::hex << bright;
                    }
    g_draw = saved;
}

} // namespace
