// Graph and image sizes around the powers of two where int arithmetic breaks:
// every size is either refused (-1, nothing large allocated) or gets a block
// that really holds its pitch times its height.
#include "tests/hardening/alloc_watch.h"

#include "runtime/graphics/color_format.h"
#include "runtime/graphics/graph.h"
#include "runtime/runtime.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <vector>

namespace {

// Above this a legal size is only checked by its layout, not allocated.
const int64_t kLargestAllocated = 64 << 20;
// A refused size may still allocate records, never pixels.
const size_t kRefusedMost = 1 << 20;

struct Kind {
    const char* name;
    int kind, palette, alpha;
    int bytes;       // bytes per pixel the image must get
    int screenDepth; // screen depth under which a blank graph has this kind (0: no graph)
    int graphAlpha, graphPalette;
};

const Kind kKinds[] = {
    {"Rgb565", Rgb565, 0, 0, 2, 16, 0, 0},     {"Rgb565+alpha", Rgb565, 0, 1, 4, 16, 1, 0},
    {"Xrgb8888", Xrgb8888, 0, 0, 4, 32, 0, 0}, {"Xrgb8888+alpha", Xrgb8888, 0, 1, 4, 32, 1, 0},
    {"palette", Rgb565, 1, 0, 1, 16, 0, 1},    {"Mono8", Mono8, 0, 0, 1, 0, 0, 0},
    {"Mono16", Mono16, 0, 0, 2, 0, 0, 0},
};

// Widths and heights around 2^15, 2^16, 2^29, 2^30 and 2^31, each paired with
// 1 and 2 on the other side, both ways round.
std::vector<std::pair<int, int>> Sizes() {
    const int64_t bases[] = {1 << 15, 1 << 16, 1 << 29, 1 << 30, (int64_t)1 << 31};
    std::vector<std::pair<int, int>> sizes;
    for (int64_t base : bases)
        for (int64_t d = -1; d <= 1; d++) {
            int64_t n = base + d;
            if (n > INT32_MAX) continue;
            for (int other : {1, 2}) {
                sizes.push_back({(int)n, other});
                sizes.push_back({other, (int)n});
            }
        }
    sizes.push_back({1 << 15, 1 << 15});
    sizes.push_back({1 << 16, 1 << 16});
    sizes.push_back({1 << 15, 1 << 14});
    return sizes;
}

// What the image must be: 16-byte padded rows, the whole block (plus the 64-byte
// allocation header) addressable by an int. Wide arithmetic so nothing wraps here.
bool Expected(const Kind& k, int w, int h, int64_t* pitch, int64_t* bytes) {
    __int128 row = (__int128)k.bytes * w;
    __int128 padded = (row + 15) / 16 * 16;
    __int128 total = padded * h;
    if (total > (__int128)INT32_MAX - 64) return false;
    *pitch = (int64_t)padded;
    *bytes = (int64_t)total;
    return true;
}

TEST(GraphSizes, LayoutRefusesWhatAnIntCannotAddress) {
    for (const Kind& k : kKinds)
        for (auto [w, h] : Sizes()) {
            SCOPED_TRACE(testing::Message() << k.name << " " << w << " x " << h);
            int64_t pitch = 0, bytes = 0, wantPitch = 0, wantBytes = 0;
            bool legal = Expected(k, w, h, &wantPitch, &wantBytes);
            int r = MemImgLayout(w, h, -1, k.kind, k.palette, k.alpha, &pitch, &bytes);
            ASSERT_EQ(r, legal ? 0 : -1);
            if (!legal) continue;
            EXPECT_EQ(pitch, wantPitch);
            EXPECT_EQ(bytes, wantBytes);
        }
}

// SetupMemImg of every kind: refused sizes allocate nothing large, the others get
// their whole block (the last byte is written, so a short block shows under ASan).
TEST(GraphSizes, MemImgOfEveryKindGetsItsWholeBlockOrNone) {
    for (const Kind& k : kKinds)
        for (auto [w, h] : Sizes()) {
            SCOPED_TRACE(testing::Message() << k.name << " " << w << " x " << h);
            int64_t wantPitch = 0, wantBytes = 0;
            bool legal = Expected(k, w, h, &wantPitch, &wantBytes);
            if (legal && wantBytes > kLargestAllocated) continue;
            MEMIMG m;
            memset(&m, 0, sizeof(m));
            StartAllocWatch();
            int r = SetupMemImg(&m, w, h, -1, 0, k.kind, k.palette, k.alpha);
            size_t largest = EndAllocWatch();
            if (!legal) {
                EXPECT_EQ(r, -1);
                EXPECT_LT(largest, kRefusedMost);
                continue;
            }
            ASSERT_EQ(r, 0);
            EXPECT_EQ(m.Pitch, wantPitch);
            EXPECT_GE(largest, (size_t)wantBytes);
            m.Pixels[wantBytes - 1] = 1;
            ReleaseMemImg(&m);
        }
    // A given pitch shorter than a row, or one that does not fit, is refused too.
    MEMIMG m;
    memset(&m, 0, sizeof(m));
    EXPECT_EQ(SetupMemImg(&m, 100, 1, 199, 0, Rgb565, 0, 0), -1);
    EXPECT_EQ(SetupMemImg(&m, 1, 2, INT32_MAX, 0, Mono8, 0, 0), -1);
}

class GraphSizesRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        SetLogOutputEnabled(0);
        ChangeWindowMode(1);
        SetWindowScaleRate(1.0);
        SetScreenMode(320, 240, 16, 60);
        ASSERT_EQ(RuntimeInit(), 0);
    }
    void TearDown() override { RuntimeEnd(); }
};

// The graphs themselves, under both screen depths: 2147483647 x 1 and the like
// return -1, never a handle backed by a tiny block.
TEST_F(GraphSizesRuntime, BlankGraphsAreRefusedOrWhole) {
    for (int depth : {16, 32}) {
        ASSERT_EQ(SetScreenMode(320, 240, depth, 60), 0);
        for (const Kind& k : kKinds) {
            if (k.screenDepth != depth) continue;
            for (auto [w, h] : Sizes()) {
                SCOPED_TRACE(testing::Message() << k.name << " " << w << " x " << h);
                int64_t wantPitch = 0, wantBytes = 0;
                bool legal = Expected(k, w, h, &wantPitch, &wantBytes);
                if (legal && wantBytes > kLargestAllocated) continue;
                StartAllocWatch();
                int g = CreateBlankGraph(w, h, k.graphAlpha, k.graphPalette);
                size_t largest = EndAllocWatch();
                if (!legal) {
                    EXPECT_EQ(g, -1);
                    EXPECT_LT(largest, kRefusedMost);
                    continue;
                }
                ASSERT_NE(g, -1);
                MEMIMG* image = GetGraphSurfaceImage(g);
                ASSERT_NE(image, nullptr);
                EXPECT_EQ(image->Pitch, wantPitch);
                EXPECT_EQ(image->Format->PixelByte, k.bytes);
                EXPECT_GE(largest, (size_t)wantBytes);
                image->Pixels[wantBytes - 1] = 1;
                // Drawing it clips to the screen and stays inside both blocks.
                EXPECT_EQ(DrawGraphAt(-w + 1, -h + 1, g, 0), 0);
                EXPECT_EQ(ReleaseGraph(g, 0), 0);
            }
        }
    }
    EXPECT_EQ(CreateBlankGraph(2147483647, 1, 0, 0), -1);
    EXPECT_EQ(CreateBlankGraph(1073741824, 2, 0, 0), -1);
}

} // namespace
