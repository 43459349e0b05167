// The screen on the headless backend: modes, draw targets and areas, the clear,
// flips into the backend, and the draw state setters.
#include <gtest/gtest.h>

#include "gfx_fixture.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/screen.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"

namespace {

using gfxtest::RuntimeTest;

class ScreenTest : public RuntimeTest {};

TEST_F(ScreenTest, StartsInTheRequestedMode) {
    EXPECT_EQ(g_screen.backBuffer.Width, 320);
    EXPECT_EQ(g_screen.backBuffer.Height, 240);
    EXPECT_EQ(g_screen.backBuffer.PixelKind, Rgb565);
    EXPECT_EQ(g_screen.frontBuffer.PixelKind, Rgb565);
    EXPECT_EQ(g_screen.depthBuffer.PixelKind, Mono16);
    int w = 0, h = 0, d = 0;
    GetScreenSize(&w, &h, &d);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_EQ(d, 16);
}

TEST_F(ScreenTest, BadModesAreRefusedButEmptyTheGraphTable) {
    int g = CreateBlankGraph(8, 8, 0, 0);
    ASSERT_GE(g, 0);
    EXPECT_EQ(SetScreenMode(0, 240, 16, 60), -1);
    EXPECT_EQ(GraphCount(), 0);
    g = CreateBlankGraph(8, 8, 0, 0);
    EXPECT_EQ(SetScreenMode(320, 240, 24, 60), -1);
    EXPECT_EQ(GraphCount(), 0);
    EXPECT_EQ(g_screen.width, 320);
    EXPECT_EQ(g_screen.colorBitDepth, 16);
    EXPECT_TRUE(g_screen.surfacesReady);
}

TEST_F(ScreenTest, ModeChangeToThirtyTwoBitsAndBack) {
    EXPECT_EQ(SetScreenMode(160, 120, 32, 60), 0);
    EXPECT_EQ(g_screen.backBuffer.PixelKind, Xrgb8888);
    EXPECT_EQ(g_screen.backBuffer.Width, 160);
    EXPECT_EQ(MakeColor(1, 2, 3), 0xFF010203u);
    // An 8-bit screen is not drawn in software: the old mode stays.
    EXPECT_EQ(SetScreenMode(-1, -1, 8, -1), -1);
    EXPECT_EQ(g_screen.colorBitDepth, 32);
    EXPECT_EQ(SetScreenMode(320, 240, 16, 60), 0);
    EXPECT_EQ(g_screen.backBuffer.PixelKind, Rgb565);
    SetDrawTarget(DRAW_TARGET_BACK);
}

// The public reading: the mode in force after a change, null pointers allowed, and
// a stored 0 read as the 640 x 480 default.
TEST_F(ScreenTest, PublicScreenSizeReadsTheModeInForce) {
    int w = 0, h = 0;
    EXPECT_EQ(GetScreenSize(&w, &h), 0);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    ASSERT_EQ(SetScreenMode(160, 120, 16, 60), 0);
    EXPECT_EQ(GetScreenSize(&w, nullptr), 0);
    EXPECT_EQ(GetScreenSize(nullptr, &h), 0);
    EXPECT_EQ(GetScreenSize(nullptr, nullptr), 0);
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 120);
    int keptW = g_screen.width, keptH = g_screen.height;
    g_screen.width = g_screen.height = 0;
    EXPECT_EQ(GetScreenSize(&w, &h), 0);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    g_screen.width = keptW;
    g_screen.height = keptH;
    ASSERT_EQ(SetScreenMode(320, 240, 16, 60), 0);
    SetDrawTarget(-2);
}

TEST_F(ScreenTest, ClipAreaIsOrderedAndClamped) {
    SetClipArea(300, 200, 10, 10);
    EXPECT_EQ(g_draw.area[0], 10);
    EXPECT_EQ(g_draw.area[1], 10);
    EXPECT_EQ(g_draw.area[2], 300);
    EXPECT_EQ(g_draw.area[3], 200);
    EXPECT_FLOAT_EQ(g_draw.areaF[2], 300.0f);
    EXPECT_EQ(g_draw.areaEmpty, 0);
    SetClipArea(-5, 0, 400, 0);
    EXPECT_EQ(g_draw.area[0], 0);
    EXPECT_EQ(g_draw.area[2], 320);
    EXPECT_EQ(g_draw.areaEmpty, 1);
    int g = MakeGraph(4, 4, [](int, int) { return 0xFFFFu; });
    EXPECT_EQ(DrawGraphAt(0, 0, g, 0), 0);
    EXPECT_EQ(Back(0, 0), 0u);
}

TEST_F(ScreenTest, ClearIgnoresBlendAndArea) {
    for (int y = 0; y < 240; y += 7) SetBack(5, y, 0xFFFF);
    SetBlendMode(BLEND_ALPHA, 128);
    SetClipArea(10, 10, 20, 20);
    EXPECT_EQ(ClearDrawTarget(), 0);
    for (int y = 0; y < 240; y += 7) EXPECT_EQ(Back(5, y), 0u);
    const MEMIMG* depth = &g_screen.depthBuffer;
    EXPECT_EQ(*(const uint16_t*)(depth->Pixels + 100 * depth->Pitch + 50), 0xFFFF);
}

TEST_F(ScreenTest, DrawTargetsAndTheirAreas) {
    EXPECT_EQ(SetDrawTarget(12345), -1);
    EXPECT_EQ(g_draw.target, -2);
    SetClipArea(5, 5, 100, 100);
    int same = CreateBlankGraph(320, 240, 0, 0);
    ASSERT_EQ(SetDrawTarget(same), 0);
    EXPECT_EQ(g_draw.area[0], 5); // same size: the area stays
    EXPECT_EQ(CurrentTargetImage(), GetGraphSurfaceImage(same));
    int small = CreateBlankGraph(16, 16, 0, 0);
    ASSERT_EQ(SetDrawTarget(small), 0);
    EXPECT_EQ(g_draw.area[0], 0);
    EXPECT_EQ(g_draw.area[2], 16);
    EXPECT_EQ(g_draw.area[3], 16);
    // A deleted graph target resolves to nothing; drawing there is harmless.
    ReleaseGraph(small, 0);
    EXPECT_EQ(CurrentTargetImage(), nullptr);
    EXPECT_EQ(DrawRectangle(0, 0, 4, 4, 0xFFFF, 1), 0);
    EXPECT_EQ(ClearDrawTarget(), 0);
    EXPECT_EQ(SetDrawTarget(DRAW_TARGET_BACK), 0);
    EXPECT_EQ(g_draw.area[2], 320);
}

TEST_F(ScreenTest, DrawingIntoAGraphTarget) {
    int canvas = CreateBlankGraph(8, 8, 0, 0);
    ASSERT_EQ(SetDrawTarget(canvas), 0);
    ClearDrawTarget();
    DrawRectangle(2, 2, 4, 4, 0xF800, 1);
    SetDrawTarget(DRAW_TARGET_BACK);
    DrawGraphAt(10, 10, canvas, 0);
    EXPECT_EQ(Back(12, 12), 0xF800u);
    EXPECT_EQ(Back(11, 12), 0u);
}

TEST_F(ScreenTest, FlipPresentsTheBackBuffer) {
    SetBack(3, 4, 0xF800);
    int before = ScriptedPresentCount();
    uint64_t frames = g_screen.frameCount;
    EXPECT_EQ(FlipScreen(), 0);
    EXPECT_EQ(ScriptedPresentCount(), before + 1);
    EXPECT_EQ(g_screen.frameCount, frames + 1);
    int w = 0, h = 0;
    const uint32_t* frame = ScriptedLastFrame(&w, &h);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_EQ(frame[4 * 320 + 3], 0xFF0000u);
    EXPECT_EQ(frame[0], 0u);
    EXPECT_EQ(g_screen.frontStale, 1);
}

TEST_F(ScreenTest, FrontBufferMirrorsTheWindow) {
    SetBack(7, 7, 0x001F);
    FlipScreen();
    ASSERT_EQ(SetDrawTarget(DRAW_TARGET_FRONT), 0);
    // Drawing on the front buffer first reloads it from the window, then shows it.
    int before = ScriptedPresentCount();
    DrawRectangle(0, 0, 2, 2, 0xF800, 1);
    EXPECT_EQ(ScriptedPresentCount(), before + 1);
    const uint32_t* frame = ScriptedLastFrame(nullptr, nullptr);
    EXPECT_EQ(frame[7 * 320 + 7], 0x0000FFu);
    EXPECT_EQ(frame[0], 0xFF0000u);
    // Flipping with the front buffer selected presents nothing new.
    before = ScriptedPresentCount();
    EXPECT_EQ(FlipScreen(), 0);
    EXPECT_EQ(ScriptedPresentCount(), before);
    SetDrawTarget(DRAW_TARGET_BACK);
}

TEST_F(ScreenTest, BlendModeSetter) {
    SetBlendMode(BLEND_ALPHA, 300);
    EXPECT_EQ(g_draw.blendParam, 255);
    SetBlendMode(BLEND_ALPHA, -4);
    EXPECT_EQ(g_draw.blendParam, 0);
    SetBlendMode(7, 0);
    int g = MakeGraph(2, 2, [](int, int) { return 0xFFFFu; });
    DrawGraphAt(0, 0, g, 0);
    EXPECT_EQ(Back(0, 0), 0u);
    SetBlendMode(BLEND_NONE, 0);
    DrawGraphAt(0, 0, g, 0);
    EXPECT_EQ(Back(0, 0), 0xFFFFu);
}

TEST_F(ScreenTest, TransparentColourAppliesToLaterGraphs) {
    SetTransparentColor(0, 255, 0);
    int before = MakeGraph(2, 1, [](int x, int) { return x == 0 ? 0x07E0u : 0xFFFFu; });
    SetTransparentColor(255, 0, 255);
    int after = MakeGraph(2, 1, [](int x, int) { return x == 0 ? 0x07E0u : 0xF81Fu; });
    SetBack(0, 0, 0x1111);
    SetBack(0, 1, 0x1111);
    SetBack(1, 1, 0x1111);
    DrawGraphAt(0, 0, before, 1);
    DrawGraphAt(0, 1, after, 1);
    EXPECT_EQ(Back(0, 0), 0x1111u); // green stays transparent for the first graph
    EXPECT_EQ(Back(0, 1), 0x07E0u);
    EXPECT_EQ(Back(1, 1), 0x1111u); // magenta for the second
    SetTransparentColor(0, 0, 0);
}

TEST_F(ScreenTest, DrawGraphRectShowsTheSourceRectangle) {
    int g = MakeGraph(320, 240, [](int, int y) { return (uint32_t)(y + 1); });
    for (int y = 0; y < 240; y++) SetBack(0, y, 0xABCD);
    EXPECT_EQ(DrawGraphRect(0, 0, 0, 85, 320, 240, g, 0, 0), 0);
    for (int y = 0; y < 155; y++) ASSERT_EQ(Back(0, y), (uint32_t)(y + 86));
    for (int y = 155; y < 240; y++) ASSERT_EQ(Back(0, y), 0xABCDu);
    // The draw area comes back afterwards.
    EXPECT_EQ(g_draw.area[3], 240);
}

TEST_F(ScreenTest, DrawGraphRectTurned) {
    int g = MakeGraph(8, 1, [](int x, int) { return (uint32_t)(x + 1); });
    EXPECT_EQ(DrawGraphRect(10, 0, 2, 0, 4, 1, g, 0, 1), 0);
    // Source columns 2..5 mirrored onto 10..13.
    EXPECT_EQ(Back(9, 0), 0u);
    EXPECT_EQ(Back(10, 0), 6u);
    EXPECT_EQ(Back(13, 0), 3u);
    EXPECT_EQ(Back(14, 0), 0u);
    EXPECT_EQ(DrawGraphRect(0, 0, 0, 0, 0, 5, g, 0, 0), 0);
    EXPECT_EQ(DrawGraphRect(0, 0, 0, 0, 4, 4, 0x7FFFFFFF, 0, 0), -1);
}

TEST_F(ScreenTest, KindMismatchDrawsNothing) {
    int g = MakeGraph(2, 2, [](int, int) { return 0xFFFFu; });
    MEMIMG* img = GetGraphSurfaceImage(g);
    img->PixelKind = Xrgb8888; // as if made for another screen depth
    EXPECT_EQ(DrawGraphAt(0, 0, g, 0), 0);
    EXPECT_EQ(Back(0, 0), 0u);
    img->PixelKind = Rgb565;
}

TEST_F(ScreenTest, InvalidHandlesAreRefused) {
    EXPECT_EQ(DrawGraphAt(0, 0, -1, 0), -1);
    EXPECT_EQ(DrawGraphAt(0, 0, 0x10000000, 0), -1);
    EXPECT_EQ(DrawGraphRotated(0, 0, 0, 0, 1.0, 0.5, 0x08008000, 0, 0), -1);
}

} // namespace
