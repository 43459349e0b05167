// Showing the screen: FlipScreen with its vertical-blank wait, the refresh
// measurement, and the front buffer's reload and partial presents.
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/core/window.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/screen.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

// Times one refresh period: from the end of one blank to the end of the next.
static int TimeOneRefresh(uint32_t* last) {
    PlatformWaitVBlank();
    uint32_t now = PlatformMilliseconds();
    int t = (int)(now - *last);
    *last = now;
    return t;
}

void MeasureRefresh(void) {
    LogPrintf(SJ("スキャンラインの数:%d\n"), ScreenHeight());
    int timings[4] = {0, 0, 0, 0};
    int frameTime = -1;
    PlatformWaitVBlank();
    uint32_t last = PlatformMilliseconds();
    for (int series = 0; series < 5 && frameTime < 0; series++) {
        for (int i = 0; i < 4; i++) timings[i] = TimeOneRefresh(&last);
        if (series == 4) break; // the fifth series is only timed
        for (int i = 0; i < 4 && frameTime < 0; i++)
            for (int j = i + 1; j < 4; j++)
                if (timings[i] == timings[j]) {
                    frameTime = timings[i];
                    break;
                }
    }
    if (frameTime >= 0) LogPrintf(SJ("１フレーム当たりの時間は %d msecです"), frameTime);
    else LogWrite(SJ("１フレームの時間を正常に取得できませんでした\n"));
    for (int i = 0; i < 4; i++) LogPrintf("\tTri%02d:%d msec", i, timings[i]);
    g_screen.frameTime = frameTime;
    g_screen.waitThreshold = frameTime >= 0 ? (2 * frameTime - 4) / 3 : -1;
}

static void PresentImage(const MEMIMG* image) {
    if (!image->Pixels) return;
    PlatformPresent(image->Pixels, image->Pitch, image->Width, image->Height, image->Format->ColorBitDepth);
}

int PresentBackBuffer(void) {
    if (!g_screen.surfacesReady) return -1;
    PresentImage(&g_screen.backBuffer);
    g_screen.frontStale = 1;
    return 0;
}

static void WaitForVBlank(void) {
    uint32_t now = PlatformMilliseconds();
    int threshold = g_screen.waitThreshold >= 0 ? g_screen.waitThreshold : 5;
    if ((int)(now - g_screen.lastBlankTime) < threshold) {
        // Too soon after the last blank: this refresh is not over yet.
        for (int guard = 0; guard < 1000 && (int)(PlatformMilliseconds() - g_screen.lastBlankTime) < threshold; guard++)
            PlatformSleep(1);
        PlatformWaitVBlank();
    } else {
        PlatformSleep(0);
        if (!PlatformInVBlank()) PlatformWaitVBlank();
    }
    g_screen.lastBlankTime = PlatformMilliseconds();
}

int FlipScreen(void) {
    API_LOCK();
    if (!g_screen.graphicsReady || !g_screen.surfacesReady) return -1;
    WaitWhileInactive();
    if (g_draw.target == DRAW_TARGET_FRONT) {
        g_screen.frameCount++;
        // One whole blank: out of the current one (bounded), then to the next start.
        for (int guard = 0; guard < 16 && PlatformInVBlank(); guard++)
            if (ProcessMessage() != 0) return 0;
        PlatformWaitVBlank();
        return 0;
    }
    uint32_t start = PlatformMilliseconds();
    if (g_screen.vblankWait) WaitForVBlank();
    PresentImage(&g_screen.backBuffer);
    g_screen.presentDuration = (int)(PlatformMilliseconds() - start);
    g_screen.frontStale = 1;
    g_screen.frameCount++;
    return 0;
}

void RefreshFrontBuffer(void) {
    if (!g_screen.frontStale || !g_screen.surfacesReady) return;
    g_screen.frontStale = 0;
    MEMIMG* front = &g_screen.frontBuffer;
    int w = front->Width, h = front->Height;
    uint32_t* pixels = (uint32_t*)RT_ALLOC((int64_t)w * h * 4);
    if (!pixels) return;
    if (PlatformReadWindowImage(pixels, w, h) == 0) {
        for (int y = 0; y < h; y++) {
            const uint32_t* s = pixels + (intptr_t)y * w;
            uint8_t* row = front->Pixels + (intptr_t)y * front->Pitch;
            if (front->PixelKind == Xrgb8888) {
                memcpy(row, s, (size_t)w * 4);
            } else {
                uint16_t* d = (uint16_t*)row;
                for (int x = 0; x < w; x++) {
                    uint32_t c = s[x];
                    d[x] = (uint16_t)(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F));
                }
            }
        }
    }
    RT_FREE(pixels);
}

void PresentFrontRect(const int* rect) {
    if (!g_screen.surfacesReady) return;
    int clipped[4] = {rect[0], rect[1], rect[2], rect[3]};
    if (clipped[0] > clipped[2]) {
        int t = clipped[0];
        clipped[0] = clipped[2];
        clipped[2] = t;
    }
    if (clipped[1] > clipped[3]) {
        int t = clipped[1];
        clipped[1] = clipped[3];
        clipped[3] = t;
    }
    int screen[4] = {0, 0, ScreenWidth(), ScreenHeight()};
    ClipRect(clipped, screen);
    if (clipped[0] >= clipped[2] || clipped[1] >= clipped[3]) return;
    // The platform shows whole pictures; the untouched part is unchanged anyway.
    PresentImage(&g_screen.frontBuffer);
}
