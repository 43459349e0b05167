// The SDL backend's present under SDL's dummy video driver: frames reach the
// window scaled nearest-neighbour with the aspect kept, the read-back returns
// what was shown, and the start-up measures the blank timer's period.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/screen.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_internal.h"
#include "runtime/runtime.h"

namespace {

class PresentSdlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        SetLogOutputEnabled(0);
        ChangeWindowMode(1);
        SetWindowScaleRate(2.0);
        SetScreenMode(320, 240, 16, 60);
        started_ = RuntimeInit() == 0;
    }
    static void TearDownTestSuite() {
        if (started_) RuntimeEnd();
    }
    void SetUp() override {
        if (!started_ || !SdlMainWindow()) GTEST_SKIP() << "no SDL video available";
        SetDrawTarget(DRAW_TARGET_BACK);
        ClearDrawTarget();
    }
    static bool started_;
};
bool PresentSdlTest::started_ = false;

TEST_F(PresentSdlTest, FlipShowsTheBackBufferScaled) {
    SetDrawArea(0, 0, 320, 240);
    DrawRectangle(10, 20, 11, 21, MakeColor(255, 0, 0), 1);
    DrawRectangle(319, 239, 320, 240, MakeColor(0, 0, 255), 1);
    ASSERT_EQ(FlipScreen(), 0);
    // The read-back is the presented picture at screen size.
    std::vector<uint32_t> shown(320 * 240);
    ASSERT_EQ(PlatformReadWindowImage(shown.data(), 320, 240), 0);
    EXPECT_EQ(shown[20 * 320 + 10], 0xFF0000u);
    EXPECT_EQ(shown[239 * 320 + 319], 0x0000FFu);
    EXPECT_EQ(shown[0], 0u);
    // The window itself holds the picture doubled: in its renderer where there is
    // one (a GPU), in its surface where frames are scaled without one.
    SDL_Renderer* renderer = SDL_GetRenderer(SdlMainWindow());
    int w = 0, h = 0;
    std::vector<uint32_t> window;
    if (renderer) {
        SDL_GetRendererOutputSize(renderer, &w, &h);
        ASSERT_EQ(w, 640);
        ASSERT_EQ(h, 480);
        window.resize((size_t)w * h);
        if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB888, window.data(), w * 4) != 0)
            GTEST_SKIP() << "this renderer cannot be read back";
    } else {
        SDL_Surface* surface = SDL_GetWindowSurface(SdlMainWindow());
        ASSERT_NE(surface, nullptr);
        w = surface->w;
        h = surface->h;
        ASSERT_EQ(w, 640);
        ASSERT_EQ(h, 480);
        window.resize((size_t)w * h);
        ASSERT_EQ(SDL_ConvertPixels(w, h, surface->format->format, surface->pixels, surface->pitch,
                                    SDL_PIXELFORMAT_RGB888, window.data(), w * 4),
                  0);
    }
    for (int dy = 0; dy < 2; dy++)
        for (int dx = 0; dx < 2; dx++) EXPECT_EQ(window[(40 + dy) * w + 20 + dx] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(window[42 * w + 22] & 0xFFFFFF, 0u);
    EXPECT_EQ(window[479 * w + 639] & 0xFFFFFF, 0x0000FFu);
}

TEST_F(PresentSdlTest, ThirtyTwoBitFramesToo) {
    ASSERT_EQ(SetScreenMode(320, 240, 32, 60), 0);
    SetDrawTarget(DRAW_TARGET_BACK);
    DrawRectangle(5, 5, 6, 6, MakeColor(0, 255, 0), 1);
    ASSERT_EQ(FlipScreen(), 0);
    std::vector<uint32_t> shown(320 * 240);
    ASSERT_EQ(PlatformReadWindowImage(shown.data(), 320, 240), 0);
    EXPECT_EQ(shown[5 * 320 + 5], 0x00FF00u);
    ASSERT_EQ(SetScreenMode(320, 240, 16, 60), 0);
}

TEST_F(PresentSdlTest, MeasuredFrameTimeAgreesWithTheDisplay) {
    // The start-up measurement times whole refresh periods of the blank timer.
    int hz = PlatformRefreshRate();
    int period = 1000 / (hz > 0 ? hz : 60);
    EXPECT_GE(g_screen.frameTime, period - 1);
    EXPECT_LE(g_screen.frameTime, period + 1);
    EXPECT_EQ(g_screen.waitThreshold, (2 * g_screen.frameTime - 4) / 3);
}

} // namespace
