// Shared set-up of the text tests: the runtime started on the scripted backend
// with a 320 x 240 16-bit screen and the back buffer as draw target.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runtime/core/runtime_state.h"

#include "runtime/core/sjis.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"
#include "runtime/text/font_state.h"
#include "runtime/text/text.h"
#include "tests/log_capture.h"
#include "tests/runtime_suite.h"

class TextTest : public RuntimeSuite<16> {
protected:
    void SetUp() override {
        ASSERT_TRUE(g_screen.graphicsReady);
        DeleteAllFonts();
        PlainDrawing();
        SetClipArea(0, 0, 320, 240);
        ClearDrawTarget();
    }
    void TearDown() override { DeleteAllFonts(); }

    // The back buffer's pixels, row by row.
    static std::vector<uint16_t> Snapshot() {
        const MEMIMG* img = &g_screen.backBuffer;
        std::vector<uint16_t> out((size_t)img->Width * img->Height);
        for (int y = 0; y < img->Height; y++)
            memcpy(&out[(size_t)y * img->Width], img->Pixels + (long)y * img->Pitch, (size_t)img->Width * 2);
        return out;
    }
    static uint16_t Pixel(int x, int y) {
        const MEMIMG* img = &g_screen.backBuffer;
        return *(const uint16_t*)(img->Pixels + (long)y * img->Pitch + x * 2);
    }
    static int CountNonZero(int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; y++)
            for (int x = left; x < right; x++) n += Pixel(x, y) != 0;
        return n;
    }
    // Runs body with the log written to a file of its own; returns what was written.
    template <typename Body>
    static std::string CaptureLog(Body body) {
        LogCapture capture("text_test_log");
        body();
        capture.Stop();
        return capture.Text();
    }
    static FontHandle Gothic(int size, int type = 0, int edge = -1) {
        return CreateFontToHandle(SJ("ＭＳゴシック"), size, 0, type, -1, edge, 0, -1, -1);
    }
};
