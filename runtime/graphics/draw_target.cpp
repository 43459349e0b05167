// The draw target and draw area: selecting a target, the clip rectangle every
// drawing obeys, the clear, and the bright setters.
#include "runtime/core/api_lock.h"
#include "runtime/core/window.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"

DrawState g_draw = {DRAW_TARGET_FRONT, {0, 0, 0, 0}, {0, 0, 0, 0}, 1, 0, 0, 0, 0xFFFFFF, 0};

MEMIMG* CurrentTargetImage(void) {
    if (!g_screen.surfacesReady) return nullptr;
    if (g_draw.target == DRAW_TARGET_BACK) return &g_screen.backBuffer;
    if (g_draw.target == DRAW_TARGET_FRONT) return &g_screen.frontBuffer;
    return GetGraphSurfaceImage(g_draw.target);
}

int TargetIsFront(void) {
    return g_draw.target == DRAW_TARGET_FRONT;
}

int GetDrawTargetSize(int target, int* width, int* height) {
    if (target == DRAW_TARGET_BACK || target == DRAW_TARGET_FRONT) {
        *width = ScreenWidth();
        *height = ScreenHeight();
        return 0;
    }
    return QueryGraphSize(target, width, height);
}

static int ClampInt(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

int SetClipArea(int x1, int y1, int x2, int y2) {
    int w = 0, h = 0;
    if (GetDrawTargetSize(g_draw.target, &w, &h) != 0) return 0;
    if (x1 > x2) {
        int t = x1;
        x1 = x2;
        x2 = t;
    }
    if (y1 > y2) {
        int t = y1;
        y1 = y2;
        y2 = t;
    }
    x1 = ClampInt(x1, 0, w);
    x2 = ClampInt(x2, 0, w);
    y1 = ClampInt(y1, 0, h);
    y2 = ClampInt(y2, 0, h);
    g_draw.area[0] = x1;
    g_draw.area[1] = y1;
    g_draw.area[2] = x2;
    g_draw.area[3] = y2;
    for (int i = 0; i < 4; i++) g_draw.areaF[i] = (float)g_draw.area[i];
    g_draw.areaEmpty = (x1 == x2 || y1 == y2) ? 1 : 0;
    return 0;
}

void ClipRect(int* rect, const int* clip) {
    if (rect[2] < rect[0]) rect[2] = rect[0];
    if (rect[3] < rect[1]) rect[3] = rect[1];
    rect[1] = ClampInt(rect[1], clip[1], clip[3]);
    rect[3] = ClampInt(rect[3], clip[1], clip[3]);
    rect[0] = ClampInt(rect[0], clip[0], clip[2]);
    rect[2] = ClampInt(rect[2], clip[0], clip[2]);
}

void ReapplyDrawArea(void) {
    SetClipArea(g_draw.area[0], g_draw.area[1], g_draw.area[2], g_draw.area[3]);
}

int SelectDrawTarget(int target) {
    if (!g_screen.graphicsReady) return -1;
    int oldW = 0, oldH = 0;
    int haveOld = GetDrawTargetSize(g_draw.target, &oldW, &oldH) == 0;
    if (target != DRAW_TARGET_BACK && target != DRAW_TARGET_FRONT && !LookupGraph(target)) {
        // Refused: the previous target stays selected.
        return -1;
    }
    g_draw.target = target;
    if (target == DRAW_TARGET_FRONT) RefreshFrontBuffer();
    int w = 0, h = 0;
    GetDrawTargetSize(target, &w, &h);
    if (haveOld && oldW == w && oldH == h) ReapplyDrawArea();
    else SetClipArea(0, 0, w, h);
    return 0;
}

int SetDrawTarget(int target) {
    API_LOCK();
    WaitWhileInactive();
    return SelectDrawTarget(target);
}

int GraphicsReady(void) {
    return g_screen.graphicsReady && g_screen.surfacesReady;
}

bool ReadyToDraw(void) {
    if (!GraphicsReady()) return false;
    WaitWhileInactive();
    return true;
}

int ClearDrawTarget(void) {
    API_LOCK();
    if (!ReadyToDraw()) return -1;
    MEMIMG* target = CurrentTargetImage();
    if (!target) return 0;
    FillMemImgRaw(target, nullptr, 0);
    if (g_draw.target == DRAW_TARGET_BACK) FillMemImgRaw(&g_screen.depthBuffer, nullptr, 0xFFFF);
    if (g_draw.target == DRAW_TARGET_FRONT) {
        int rect[4] = {0, 0, ScreenWidth(), ScreenHeight()};
        g_screen.frontStale = 0;
        PresentFrontRect(rect);
    }
    return 0;
}

static int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

void SetBrightRGB(int red, int green, int blue) {
    g_draw.bright = ((uint32_t)Clamp255(red) << 16) | ((uint32_t)Clamp255(green) << 8) | (uint32_t)Clamp255(blue);
}

void SetBrightValue(uint32_t rgb) {
    g_draw.bright = rgb & 0xFFFFFF;
}

int SetDrawBright(int red, int green, int blue) {
    API_LOCK();
    SetBrightRGB(red, green, blue);
    return 0;
}

int SetDrawArea(int left, int top, int right, int bottom) {
    API_LOCK();
    if (!ReadyToDraw()) return -1;
    return SetClipArea(left, top, right, bottom);
}

void ResetDrawState(void) {
    g_draw.blendMode = 0;
    g_draw.blendParam = 0;
    g_draw.blendParamRaw = 0;
    SetBrightValue(0xFFFFFF);
}

int SetBlendMode(int mode, int param) {
    API_LOCK();
    WaitWhileInactive();
    if (mode == g_draw.blendMode && param == g_draw.blendParam) return 0;
    g_draw.blendMode = mode;
    g_draw.blendParamRaw = param;
    g_draw.blendParam = Clamp255(param);
    return 0;
}

int SetTransparentColor(int r, int g, int b) {
    API_LOCK();
    int depth = g_screen.colorBitDepth ? g_screen.colorBitDepth : 16;
    if (depth == 8) return 0;
    g_draw.transColor = ((uint32_t)(r & 0xFF) << 16) | ((uint32_t)(g & 0xFF) << 8) | (uint32_t)(b & 0xFF);
    return 0;
}
