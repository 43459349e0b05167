// Shared helpers of the drawing tests: small MEMIMGs filled with random or given
// pixels, pixel access, and a fixture that starts the runtime headless with a
// 320 x 240 16-bit screen.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <vector>

#include "runtime/graphics/blit.h"
#include "runtime/graphics/color_format.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"

namespace gfxtest {

// An image that frees itself.
struct Image {
    MEMIMG m;
    Image(int w, int h, int kind, int palette = 0, int alpha = 0, uint32_t trans = 0) {
        memset(&m, 0, sizeof(m));
        EXPECT_EQ(SetupMemImg(&m, w, h, -1, trans, kind, palette, alpha), 0);
    }
    ~Image() { ReleaseMemImg(&m); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    uint32_t Get(int x, int y) const {
        const uint8_t* p = m.Pixels + (intptr_t)y * m.Pitch + (intptr_t)x * m.Format->PixelByte;
        switch (m.Format->PixelByte) {
            case 1:
                return p[0];
            case 2:
                return *(const uint16_t*)p;
            default:
                return *(const uint32_t*)p;
        }
    }
    void Set(int x, int y, uint32_t v) {
        uint8_t* p = m.Pixels + (intptr_t)y * m.Pitch + (intptr_t)x * m.Format->PixelByte;
        switch (m.Format->PixelByte) {
            case 1:
                p[0] = (uint8_t)v;
                break;
            case 2:
                *(uint16_t*)p = (uint16_t)v;
                break;
            default:
                *(uint32_t*)p = v;
                break;
        }
    }
    void Fill(uint32_t v) {
        for (int y = 0; y < m.Height; y++)
            for (int x = 0; x < m.Width; x++) Set(x, y, v);
    }
    // Random pixels; every byte of the pitch (padding included) is set.
    void Randomise(std::mt19937& rng) {
        for (int i = 0; i < m.Pitch * m.Height; i++) m.Pixels[i] = (uint8_t)rng();
    }
    bool SameAs(const Image& o) const {
        for (int y = 0; y < m.Height; y++)
            if (memcmp(m.Pixels + (intptr_t)y * m.Pitch, o.m.Pixels + (intptr_t)y * o.m.Pitch,
                       (size_t)m.Width * m.Format->PixelByte) != 0)
                return false;
        return true;
    }
    void CopyFrom(const Image& o) { memcpy(m.Pixels, o.m.Pixels, (size_t)m.Pitch * m.Height); }
};

// The runtime on the headless backend, back buffer selected, plain draw state.
class RuntimeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetLogOutputEnabled(0);
        ChangeWindowMode(1);
        SetWindowScaleRate(1.0);
        SetScreenMode(320, 240, 16, 60);
        ASSERT_EQ(RuntimeInit(), 0);
    }
    static void TearDownTestSuite() { RuntimeEnd(); }
    void SetUp() override {
        ASSERT_TRUE(g_screen.graphicsReady);
        ReleaseAllGraphs(0);
        SetDrawTarget(DRAW_TARGET_BACK);
        SetBlendMode(BLEND_NONE, 0);
        SetBrightRGB(255, 255, 255);
        SetTransparentColor(0, 0, 0);
        SetClipArea(0, 0, 320, 240);
        ClearDrawTarget();
    }
    void TearDown() override { ReleaseAllGraphs(0); }

    static uint32_t Back(int x, int y) {
        const MEMIMG* b = &g_screen.backBuffer;
        if (b->PixelKind == Rgb565) return *(const uint16_t*)(b->Pixels + (intptr_t)y * b->Pitch + x * 2);
        return *(const uint32_t*)(b->Pixels + (intptr_t)y * b->Pitch + x * 4);
    }
    static void SetBack(int x, int y, uint32_t v) {
        MEMIMG* b = &g_screen.backBuffer;
        if (b->PixelKind == Rgb565) *(uint16_t*)(b->Pixels + (intptr_t)y * b->Pitch + x * 2) = (uint16_t)v;
        else *(uint32_t*)(b->Pixels + (intptr_t)y * b->Pitch + x * 4) = v;
    }
    // A blank graph whose pixels come from fn(x, y).
    template <typename Fn>
    static int MakeGraph(int w, int h, Fn fn, int alpha = 0) {
        int g = CreateBlankGraph(w, h, alpha, 0);
        EXPECT_GE(g, 0);
        MEMIMG* img = GetGraphSurfaceImage(g);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                uint8_t* p = img->Pixels + (intptr_t)y * img->Pitch + (intptr_t)x * img->Format->PixelByte;
                if (img->Format->PixelByte == 2) *(uint16_t*)p = (uint16_t)fn(x, y);
                else *(uint32_t*)p = fn(x, y);
            }
        return g;
    }
};

} // namespace gfxtest
