// A suite that runs the whole runtime on the scripted backend: started once before its
// tests with a 320 x 240 screen of the given depth and the log off, ended after them.
#pragma once

#include <gtest/gtest.h>

#include "runtime/graphics/draw_state.h"
#include "runtime/runtime.h"

template <int Depth = 16>
class RuntimeSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetLogOutputEnabled(0);
        SetScreenMode(320, 240, Depth, 60);
        ASSERT_EQ(RuntimeInit(), 0);
    }
    static void TearDownTestSuite() {
        RuntimeEnd();
        SetScreenMode(320, 240, 16, 60); // the default again for the next suite
    }
    // The back buffer as the target, no blending, full brightness.
    static void PlainDrawing() {
        SetDrawTarget(DRAW_TARGET_BACK);
        SetBlendMode(BLEND_NONE, 0);
        SetBrightRGB(255, 255, 255);
    }
};
