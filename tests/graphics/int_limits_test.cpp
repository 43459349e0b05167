// Coordinates near INT_MAX and INT_MIN through every drawing path: no sum may
// overflow (the sanitizer build aborts on one), and what lies off the target
// draws nothing while what reaches it still draws.
#include <gtest/gtest.h>
#include <limits.h>

#include "gfx_fixture.h"

namespace {

using gfxtest::RuntimeTest;

class IntLimitsTest : public RuntimeTest {
protected:
    bool BackTouched() {
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++)
                if (Back(x, y)) return true;
        return false;
    }
};

const int kEdges[] = {INT_MIN, INT_MIN + 1, INT_MIN + 16, -(1 << 30),  -8,     0,
                      300,     1 << 30,     INT_MAX - 16, INT_MAX - 1, INT_MAX};

// Does [a, a + n) meet [0, limit)? In 64 bits.
bool Meets(int a, int64_t n, int limit) {
    return (int64_t)a < limit && (int64_t)a + n > 0;
}

TEST_F(IntLimitsTest, GraphsAtTheLimitsDrawOnlyWhatReachesTheScreen) {
    int g = MakeGraph(16, 16, [](int, int) { return 0xFFFFu; });
    for (int target : {-2, -4}) {
        SetDrawTarget(target);
        for (int x : kEdges)
            for (int y : kEdges) {
                SCOPED_TRACE(testing::Message() << "target " << target << " at " << x << ", " << y);
                SetDrawTarget(-2);
                ClearDrawTarget();
                SetDrawTarget(target);
                ASSERT_EQ(DrawGraphAt(x, y, g, 0), 0);
                SetDrawTarget(-2);
                if (target == -2) EXPECT_EQ(BackTouched(), Meets(x, 16, 320) && Meets(y, 16, 240));
                SetDrawTarget(target);
                // Source rectangles and centres at the limits too.
                for (int s : {INT_MIN, -1, 0, INT_MAX}) {
                    EXPECT_EQ(DrawGraphRect(x, y, s, s, 16, 16, g, 0, 0), 0);
                    EXPECT_EQ(DrawGraphRect(x, y, s, 0, INT_MAX, 16, g, 0, 1), 0);
                    EXPECT_EQ(DrawGraphRotated(x, y, s, s, 1.0, 0.0, g, 0, 0), 0);
                    EXPECT_EQ(DrawGraphRotated(x, y, s, s, 1.0, 0.0, g, 0, 1), 0);
                    EXPECT_EQ(DrawGraphRotated(x, y, s, s, 2.0, 0.0, g, 0, 1), 0);
                    EXPECT_EQ(DrawGraphRotated(x, y, s, s, 1.0, 0.5, g, 0, 0), 0);
                }
            }
    }
}

TEST_F(IntLimitsTest, RectanglesAndAreasAtTheLimits) {
    for (int target : {-2, -4}) {
        for (int a : kEdges)
            for (int b : kEdges) {
                SCOPED_TRACE(testing::Message() << "target " << target << " corners " << a << ", " << b);
                SetDrawTarget(-2);
                ClearDrawTarget();
                SetDrawTarget(target);
                ASSERT_EQ(DrawRectangle(a, a, b, b, 0xFFFF, 1), 0);
                int lo = a < b ? a : b;
                int64_t n = (int64_t)(a < b ? b : a) - lo;
                SetDrawTarget(-2);
                if (target == -2) EXPECT_EQ(BackTouched(), Meets(lo, n, 240));
                SetDrawTarget(target);
                EXPECT_EQ(DrawRectangle(a, b, b, a, 0xFFFF, 0), 0);
                EXPECT_EQ(DrawRectangle(a, 0, b, 10, 0xFFFF, 0), 0);
                EXPECT_EQ(SetDrawArea(a, a, b, b), 0);
                unsigned int c;
                GetPixel(a, b, &c);
                EXPECT_EQ(DrawRectangle(0, 0, 320, 240, 0xFFFF, 1), 0);
                SetDrawArea(0, 0, 320, 240);
            }
    }
    SetDrawTarget(-2);
}

TEST_F(IntLimitsTest, DerivedGraphsAndStringsAtTheLimits) {
    int g = MakeGraph(16, 16, [](int, int) { return 0xFFFFu; });
    int font = CreateFontToHandle(nullptr, 12, 0, 0, -1, 1, 0, -1, -1);
    ASSERT_NE(font, -1);
    for (int a : kEdges)
        for (int b : kEdges) {
            SCOPED_TRACE(testing::Message() << a << ", " << b);
            int d = DeriveGraph(a, b, a, b, g);
            if (d != -1) ReleaseGraph(d, 0);
            EXPECT_EQ(DrawStringWithFont(a, b, "AB", 0xFFFF, font, 0, 0), 0);
            EXPECT_EQ(DrawStringWithFont(a, b, "AB", 0xFFFF, font, 0, 1), 0);
            SetBlendMode(1, 128);
            EXPECT_EQ(DrawStringWithFont(a, b, "AB", 0xFFFF, font, 0, 0), 0);
            SetBlendMode(0, 0);
        }
    DeleteFontHandle(font);
}

} // namespace
