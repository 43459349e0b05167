// Rotated, stretched and mirrored drawing: exact pictures for the simple cases,
// and safety for hostile arguments (NaN, huge scales, far coordinates).
#include <gtest/gtest.h>
#include <math.h>

#include <random>

#include "gfx_fixture.h"
#include "runtime/graphics/transform.h"

namespace {

using gfxtest::RuntimeTest;

class TransformTest : public RuntimeTest {
protected:
    // A 16 x 16 graph whose pixels are all different and never 0.
    int Pattern16() {
        return MakeGraph(16, 16, [](int x, int y) { return (uint32_t)(1 + x + y * 16); });
    }
    void Snapshot(std::vector<uint32_t>& out) {
        out.resize(320 * 240);
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++) out[y * 320 + x] = Back(x, y);
    }
};

TEST_F(TransformTest, AngleZeroScaleOneIsAPlainDraw) {
    int g = Pattern16();
    std::vector<uint32_t> a, b;
    DrawGraphRotated(50 + 8, 60 + 8, 8, 8, 1.0, 0.0, g, 1, 0);
    Snapshot(a);
    ClearDrawTarget();
    DrawGraphAt(50, 60, g, 1);
    Snapshot(b);
    EXPECT_EQ(a, b);
    ClearDrawTarget();
    DrawGraphRotated(50 + 8, 60 + 8, 8, 8, 1.0, 0.0, g, 1, 1);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) ASSERT_EQ(Back(50 + x, 60 + y), (uint32_t)(1 + (15 - x) + y * 16));
}

TEST_F(TransformTest, HalfTurnReflectsEveryPixel) {
    int g = Pattern16();
    EXPECT_EQ(DrawGraphRotated(100, 100, 8, 8, 1.0, M_PI, g, 1, 0), 0);
    // Pixel (j, l) lands at its point-reflected place about the centre.
    int drawn = 0;
    for (int l = 0; l < 16; l++)
        for (int j = 0; j < 16; j++) {
            ASSERT_EQ(Back(100 + 8 - j, 100 + 8 - l), (uint32_t)(1 + j + l * 16)) << j << "," << l;
            drawn++;
        }
    EXPECT_EQ(drawn, 256);
    // Nothing else was touched.
    int others = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (Back(x, y) && !(x >= 93 && x <= 108 && y >= 93 && y <= 108)) others++;
    EXPECT_EQ(others, 0);
}

TEST_F(TransformTest, QuarterTurnAndMirroredRotation) {
    int g = Pattern16();
    DrawGraphRotated(100, 100, 8, 8, 1.0, M_PI / 2, g, 0, 0);
    int count = 0;
    for (int y = 80; y < 120; y++)
        for (int x = 80; x < 120; x++) count += Back(x, y) != 0;
    EXPECT_EQ(count, 256);
    ClearDrawTarget();
    // A mirrored rotation goes through the quadrilateral path: by pi it is the
    // picture flipped top to bottom, every source pixel exactly once.
    DrawGraphRotated(100, 100, 8, 8, 1.0, M_PI, g, 0, 1);
    for (int l = 0; l < 16; l++)
        for (int j = 0; j < 16; j++)
            ASSERT_EQ(Back(100 - 8 + j, 100 + 7 - l), (uint32_t)(1 + j + l * 16)) << j << "," << l;
    count = 0;
    for (int y = 80; y < 120; y++)
        for (int x = 80; x < 120; x++) count += Back(x, y) != 0;
    EXPECT_EQ(count, 256);
}

TEST_F(TransformTest, QuadrilateralMapsCornersWithoutLosingEdges) {
    int g = MakeGraph(4, 4, [](int x, int y) { return (uint32_t)(1 + x + y * 4); });
    // Mirrored both ways through the corners: each texel once.
    DrawGraphQuad(14, 14, 10, 14, 10, 10, 14, 10, g, 0);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++)
            ASSERT_EQ(Back(10 + x, 10 + y), (uint32_t)(1 + (3 - x) + (3 - y) * 4)) << x << "," << y;
    ClearDrawTarget();
    // Doubled: 2 x 2 blocks.
    DrawGraphQuad(20, 20, 28, 20, 28, 28, 20, 28, g, 0);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            ASSERT_EQ(Back(20 + x, 20 + y), (uint32_t)(1 + x / 2 + (y / 2) * 4)) << x << "," << y;
}

TEST_F(TransformTest, SmallAngleLeavesOutsidePixelsAlone) {
    int g = Pattern16();
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) SetBack(x, y, 0xFFFF);
    DrawGraphRotated(100, 100, 8, 8, 1.0, 0.1, g, 0, 0);
    // The corners of the bounding box fall outside the source and stay.
    EXPECT_EQ(Back(91, 91), 0xFFFFu);
    EXPECT_EQ(Back(110, 110), 0xFFFFu);
    EXPECT_NE(Back(100, 100), 0xFFFFu);
}

TEST_F(TransformTest, StretchRepeatsColumnsByTheStep) {
    int g = MakeGraph(2, 2, [](int x, int y) { return (uint32_t)(1 + x + y * 2); });
    EXPECT_EQ(DrawGraphStretched(10, 10, 13, 13, g, 0), 0);
    // j = i * 65536 / 98304: columns 0, 0, 1.
    const uint32_t expect[3][3] = {{1, 1, 2}, {1, 1, 2}, {3, 3, 4}};
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 3; x++) EXPECT_EQ(Back(10 + x, 10 + y), expect[y][x]);
    EXPECT_EQ(Back(13, 10), 0u);
    ClearDrawTarget();
    int p = MakeGraph(3, 2, [](int x, int y) { return (uint32_t)(1 + x + y * 3); });
    DrawGraphStretched(0, 0, 6, 4, p, 0);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 6; x++) EXPECT_EQ(Back(x, y), (uint32_t)(1 + x / 2 + (y / 2) * 3));
}

TEST_F(TransformTest, ReversedRectanglesMirror) {
    int g = MakeGraph(4, 3, [](int x, int y) { return (uint32_t)(1 + x + y * 4); });
    DrawGraphStretched(14, 3, 10, 0, g, 0); // both axes reversed, same size
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++) EXPECT_EQ(Back(10 + x, y), (uint32_t)(1 + (3 - x) + (2 - y) * 4));
    ClearDrawTarget();
    DrawGraphMirrored(20, 20, g, 0);
    for (int x = 0; x < 4; x++) EXPECT_EQ(Back(20 + x, 20), (uint32_t)(1 + (3 - x)));
    EXPECT_EQ(DrawGraphStretched(0, 0, 0, 10, g, 0), 0);
}

TEST_F(TransformTest, ScaledWithoutRotationStretches) {
    int g = MakeGraph(2, 2, [](int x, int y) { return (uint32_t)(1 + x + y * 2); });
    DrawGraphRotated(100, 100, 1, 1, 2.0, 0.0, g, 0, 0);
    // (x - 2, y - 2) to (x + 2, y + 2), each source pixel a 2 x 2 block.
    EXPECT_EQ(Back(98, 98), 1u);
    EXPECT_EQ(Back(99, 99), 1u);
    EXPECT_EQ(Back(100, 98), 2u);
    EXPECT_EQ(Back(101, 101), 4u);
    EXPECT_EQ(Back(102, 102), 0u);
}

TEST_F(TransformTest, QuadrilateralCoversEachPixelOnce) {
    int g = MakeGraph(8, 8, [](int, int) { return 0x0001u; }); // one blue unit: twice would give 2
    SetBlendMode(BLEND_ADD, 255);
    DrawGraphQuad(10, 10, 18, 10, 18, 18, 10, 18, g, 0);
    SetBlendMode(BLEND_NONE, 0);
    for (int y = 8; y < 21; y++)
        for (int x = 8; x < 21; x++) {
            bool inside = x >= 10 && x < 18 && y >= 10 && y < 18;
            ASSERT_EQ(Back(x, y), inside ? 0x0001u : 0u) << x << "," << y;
        }
    ClearDrawTarget();
    // A skewed quadrilateral: no pixel twice along the shared diagonal.
    SetBlendMode(BLEND_ADD, 255);
    DrawGraphQuad(30, 10, 60, 20, 50, 50, 20, 40, g, 0);
    SetBlendMode(BLEND_NONE, 0);
    int covered = 0;
    for (int y = 0; y < 80; y++)
        for (int x = 0; x < 80; x++) {
            uint32_t v = Back(x, y);
            ASSERT_TRUE(v == 0 || v == 0x0001u) << x << "," << y;
            covered += v != 0;
        }
    EXPECT_GT(covered, 700);
}

TEST_F(TransformTest, OutsideBoxesDrawNothing) {
    int g = Pattern16();
    EXPECT_EQ(DrawGraphRotated(-100, -100, 8, 8, 1.0, 0.5, g, 0, 0), 0);
    EXPECT_EQ(DrawGraphRotated(5000, 100, 8, 8, 1.0, 0.5, g, 0, 1), 0);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) ASSERT_EQ(Back(x, y), 0u);
}

TEST_F(TransformTest, HostileArgumentsStayInsideTheArea) {
    int g = Pattern16();
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) SetBack(x, y, 0xAAAA);
    SetClipArea(100, 100, 140, 140);
    const double angles[] = {NAN, INFINITY, -INFINITY, 1e30, -7.5, 0.3, M_PI};
    const double scales[] = {NAN, INFINITY, 0.0, -1.0, 1e-30, 1e30, 1e6, 3.0, 1.0};
    const int positions[] = {-2147483647, -100000, 0, 120, 100000, 2147483647};
    for (double a : angles)
        for (double s : scales)
            for (int p : positions) {
                DrawGraphRotated(p, 120, 8, 8, s, a, g, 1, 0);
                DrawGraphRotated(120, p, -3, 1000000, s, a, g, 0, 1);
                DrawGraphRotatedAtF((float)p, 120.0f, s, a, g, 0, 0);
            }
    DrawGraphStretchedF(NAN, 0, 100, 100, g, 0);
    DrawGraphStretchedF(-1e30f, -1e30f, 1e30f, 1e30f, g, 0);
    DrawGraphStretched(-2147483647, -2147483647, 2147483647, 2147483647, g, 0);
    DrawGraphQuad(-2147483647, 0, 2147483647, 0, 2147483647, 2147483647, 0, 2147483647, g, 0);
    int changedInside = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            bool inside = x >= 100 && x < 140 && y >= 100 && y < 140;
            if (!inside) ASSERT_EQ(Back(x, y), 0xAAAAu) << x << "," << y;
            else changedInside += Back(x, y) != 0xAAAAu;
        }
    EXPECT_GT(changedInside, 0);
}

TEST_F(TransformTest, StretchMatchesTheStraightBlitterPerPixel) {
    // The same blend rules through the stretch path: a 1:1 mirrored stretch of a
    // mirrored image equals a straight draw, in every mode.
    std::mt19937 rng(3);
    int g = MakeGraph(16, 4, [&](int, int) { return rng() & 0xFFFF; });
    int m = CreateBlankGraph(16, 4, 0, 0);
    MEMIMG* src = GetGraphSurfaceImage(g);
    MEMIMG* mir = GetGraphSurfaceImage(m);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 16; x++)
            ((uint16_t*)(mir->Pixels + y * mir->Pitch))[x] = ((uint16_t*)(src->Pixels + y * src->Pitch))[15 - x];
    const int modes[][2] = {{0, 0}, {1, 128}, {1, 90}, {2, 255}, {2, 60}, {3, 255}, {3, 9}, {4, 0}};
    for (auto& md : modes) {
        std::vector<uint32_t> a, b;
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 40; x++) SetBack(x, y, (uint32_t)(x * 977 + y * 131) & 0xFFFF);
        SetBlendMode(md[0], md[1]);
        SetDrawBright(200, 255, 100);
        DrawGraphAt(3, 2, g, 1);
        Snapshot(a);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 40; x++) SetBack(x, y, (uint32_t)(x * 977 + y * 131) & 0xFFFF);
        DrawGraphMirrored(3, 2, m, 1);
        Snapshot(b);
        SetDrawBright(255, 255, 255);
        SetBlendMode(BLEND_NONE, 0);
        EXPECT_EQ(a, b) << "mode " << md[0] << " param " << md[1];
    }
}

} // namespace
