// Where the desktop backend puts the picture in its window: the largest whole
// scale that fits, centred; only a window smaller than the picture shrinks it.
#include <gtest/gtest.h>

#include "runtime/platform/sdl/sdl_internal.h"

namespace {

TEST(FitPicture, LargestWholeScaleCentred) {
    struct Case {
        int outW, outH; // window
        int x, y, w, h; // expected place
    } cases[] = {
        {320, 240, 0, 0, 320, 240},       // x1
        {640, 480, 0, 0, 640, 480},       // x2 exactly
        {1000, 700, 180, 110, 640, 480},  // x2: x3 needs 960 x 720
        {1024, 768, 32, 24, 960, 720},    // x3 on a 1024 x 768 desktop
        {1920, 1080, 320, 60, 1280, 960}, // x4, the height decides
        {639, 479, 159, 119, 320, 240},   // just short of x2
        {2000, 240, 840, 0, 320, 240},    // the height decides
        {200, 150, 0, 0, 200, 150},       // smaller than the picture: fit, aspect kept
        {100, 300, 0, 112, 100, 75},
    };
    for (const Case& c : cases) {
        int x = -1, y = -1, w = -1, h = -1;
        SdlFitPicture(320, 240, c.outW, c.outH, &x, &y, &w, &h);
        EXPECT_EQ(x, c.x) << c.outW << "x" << c.outH;
        EXPECT_EQ(y, c.y) << c.outW << "x" << c.outH;
        EXPECT_EQ(w, c.w) << c.outW << "x" << c.outH;
        EXPECT_EQ(h, c.h) << c.outW << "x" << c.outH;
    }
}

} // namespace
