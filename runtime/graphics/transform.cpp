// Stretched, mirrored, rotated and quadrilateral drawing. Every coordinate that
// comes from floating point is clamped before it becomes an integer, so NaN
// angles or huge scales can only make a draw empty, never reach outside the target.
#include "runtime/graphics/transform.h"

#include <math.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/memory.h"
#include "runtime/core/window.h"
#include "runtime/graphics/blit.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/runtime.h"

// Rotated corners are fixed point with 18 fraction bits; "/ kFixedOne" truncates
// toward zero as the rotation rules ask, which a shift would not.
static const int kFixedShift = 18;
static const int64_t kFixedOne = (int64_t)1 << kFixedShift;
static const int64_t kCoordLimit = (int64_t)1 << 28; // far outside any target, small enough for products

static int64_t ClampI64(int64_t v, int64_t lo, int64_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Truncation toward zero of a finite value, clamped; NaN gives 0.
static int64_t TruncClamped(double v, int64_t limit) {
    if (!(v == v)) return 0;
    if (v > (double)limit) return limit;
    if (v < -(double)limit) return -limit;
    return (int64_t)v;
}

static int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) q--;
    return q;
}

// The draw area, limited to the target image.
static void TargetClip(const MEMIMG* dest, int* clip) {
    clip[0] = g_draw.area[0] > 0 ? g_draw.area[0] : 0;
    clip[1] = g_draw.area[1] > 0 ? g_draw.area[1] : 0;
    clip[2] = g_draw.area[2] < dest->Width ? g_draw.area[2] : dest->Width;
    clip[3] = g_draw.area[3] < dest->Height ? g_draw.area[3] : dest->Height;
}

static int PrepareCurrentBlend(BlendSetup* setup, const MEMIMG* dest, const MEMIMG* src, int transFlag) {
    return PrepareBlend(setup, dest, src, transFlag, g_draw.blendMode, g_draw.blendParam, g_draw.bright);
}

// ---- Stretch -----------------------------------------------------------------

// Source index of each destination offset: j = i * 65536 / step, from the far
// edge when mirrored.
static void FillSourceIndices(int* out, int count, int64_t firstOffset, uint64_t step, int size, int mirror) {
    for (int k = 0; k < count; k++) {
        uint64_t i = (uint64_t)(firstOffset + k);
        uint64_t j = step ? (i * 65536u) / step : (uint64_t)size;
        if (j > (uint64_t)(size - 1)) j = (uint64_t)(size - 1);
        out[k] = mirror ? size - 1 - (int)j : (int)j;
    }
}

void StretchBlitMemImg(MEMIMG* dest, const MEMIMG* src, const int* rect, int transFlag) {
    BlendSetup setup;
    if (PrepareCurrentBlend(&setup, dest, src, transFlag) != 0) return;
    int64_t x1 = rect[0], y1 = rect[1], x2 = rect[2], y2 = rect[3];
    int mirrorX = 0, mirrorY = 0;
    if (x2 < x1) {
        int64_t t = x1;
        x1 = x2;
        x2 = t;
        mirrorX = 1;
    }
    if (y2 < y1) {
        int64_t t = y1;
        y1 = y2;
        y2 = t;
        mirrorY = 1;
    }
    int64_t dw = x2 - x1, dh = y2 - y1;
    if (dw == 0 || dh == 0) return;
    if (dw == src->Width && dh == src->Height && !mirrorX && !mirrorY) {
        BlitMemImg(dest, src, (int)x1, (int)y1, transFlag);
        return;
    }
    uint64_t stepX = ((uint64_t)dw * 65536u) / (uint64_t)src->Width;
    uint64_t stepY = ((uint64_t)dh * 65536u) / (uint64_t)src->Height;
    int clip[4];
    TargetClip(dest, clip);
    int64_t cx0 = x1 > clip[0] ? x1 : clip[0], cx1 = x2 < clip[2] ? x2 : clip[2];
    int64_t cy0 = y1 > clip[1] ? y1 : clip[1], cy1 = y2 < clip[3] ? y2 : clip[3];
    if (cx0 >= cx1 || cy0 >= cy1) return;
    int nx = (int)(cx1 - cx0), ny = (int)(cy1 - cy0);

    int local[1024];
    int* cols = nx + ny <= 1024 ? local : (int*)RT_ALLOC((int64_t)(nx + ny) * (int)sizeof(int));
    if (!cols) return;
    int* rows = cols + nx;
    FillSourceIndices(cols, nx, cx0 - x1, stepX, src->Width, mirrorX);
    FillSourceIndices(rows, ny, cy0 - y1, stepY, src->Height, mirrorY);
    GetStretchRows (&setup)(dest, src, (int)cx0, (int)cx1, (int)cy0, (int)cy1, cols, rows, setup.ctx);
    if (cols != local) RT_FREE(cols);
}

static int StretchInternal(int x1, int y1, int x2, int y2, int graph, int transFlag) {
    if (g_draw.areaEmpty) return 0;
    MEMIMG view; // set up only when the graph is part of a surface
    const MEMIMG* image = GetGraphImageForDrawing(graph, &view);
    if (!image) return -1;
    MEMIMG* target = CurrentTargetImage();
    if (!target) return 0;
    const bool front = TargetIsFront();
    if (front) RefreshFrontBuffer();
    int rect[4] = {x1, y1, x2, y2};
    StretchBlitMemImg(target, image, rect, transFlag);
    if (front) {
        int r[4] = {x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1};
        PresentFrontRect(r);
    }
    return 0;
}

int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transFlag) {
    return StretchInternal(x1, y1, x2, y2, graph, transFlag);
}

int DrawGraphStretchedF(float x1, float y1, float x2, float y2, int graph, int transFlag) {
    if (!(x1 == x1) || !(y1 == y1) || !(x2 == x2) || !(y2 == y2)) return LookupGraph(graph) ? 0 : -1;
    return StretchInternal((int)TruncClamped(x1, kCoordLimit), (int)TruncClamped(y1, kCoordLimit),
                           (int)TruncClamped(x2, kCoordLimit), (int)TruncClamped(y2, kCoordLimit), graph, transFlag);
}

// ---- Triangles and quadrilaterals ------------------------------------------

void TriangleBlitMemImg(MEMIMG* dest, const MEMIMG* src, const TriangleVertex* vertices, int transFlag) {
    BlendSetup setup;
    if (PrepareCurrentBlend(&setup, dest, src, transFlag) != 0) return;
    TriangleVertex v[3] = {vertices[0], vertices[1], vertices[2]};
    for (int i = 0; i < 3; i++) {
        v[i].x = (int)ClampI64(v[i].x, -kCoordLimit, kCoordLimit);
        v[i].y = (int)ClampI64(v[i].y, -kCoordLimit, kCoordLimit);
    }
    // Vertices sit on pixel corners and pixels are sampled at their centres; in
    // doubled coordinates both are whole numbers, so every test is exact.
    int64_t area = (int64_t)(v[1].x - v[0].x) * (v[2].y - v[0].y) - (int64_t)(v[2].x - v[0].x) * (v[1].y - v[0].y);
    if (area == 0) return;
    if (area < 0) {
        TriangleVertex t = v[1];
        v[1] = v[2];
        v[2] = t;
        area = -area;
    }
    // Texture plane, 18-bit fixed point per destination pixel.
    int64_t u0 = (int64_t)v[0].u << kFixedShift, u1 = (int64_t)v[1].u << kFixedShift,
            u2 = (int64_t)v[2].u << kFixedShift;
    int64_t w0 = (int64_t)v[0].v << kFixedShift, w1 = (int64_t)v[1].v << kFixedShift,
            w2 = (int64_t)v[2].v << kFixedShift;
    int64_t dx1 = v[1].x - v[0].x, dy1 = v[1].y - v[0].y, dx2 = v[2].x - v[0].x, dy2 = v[2].y - v[0].y;
    __int128 dudx = ((__int128)(u1 - u0) * dy2 - (__int128)(u2 - u0) * dy1) / area;
    __int128 dudy = ((__int128)(u2 - u0) * dx1 - (__int128)(u1 - u0) * dx2) / area;
    __int128 dvdx = ((__int128)(w1 - w0) * dy2 - (__int128)(w2 - w0) * dy1) / area;
    __int128 dvdy = ((__int128)(w2 - w0) * dx1 - (__int128)(w1 - w0) * dx2) / area;

    int clip[4];
    TargetClip(dest, clip);
    int64_t ymin = v[0].y, ymax = v[0].y;
    for (int i = 1; i < 3; i++) {
        if (v[i].y < ymin) ymin = v[i].y;
        if (v[i].y > ymax) ymax = v[i].y;
    }
    ymax -= 1; // the last row whose centre can lie inside
    if (ymin < clip[1]) ymin = clip[1];
    if (ymax > clip[3] - 1) ymax = clip[3] - 1;
    SampleSpanFn span = GetTriangleSpan(&setup);
    const int64_t uLimit = (int64_t)1 << 50, stepLimit = uLimit >> 14;
    for (int64_t py = ymin; py <= ymax; py++) {
        int64_t xs = clip[0], xe = (int64_t)clip[2] - 1; // inclusive
        const int64_t cy2 = 2 * py + 1;                  // the row's centre, doubled
        for (int e = 0; e < 3 && xs <= xe; e++) {
            const TriangleVertex& a = v[e];
            const TriangleVertex& b = v[(e + 1) % 3];
            // E(px) = A * px + K over doubled coordinates; inside when E > 0, or
            // E >= 0 on a top or left edge.
            int64_t ex = (int64_t)b.x - a.x, ey = (int64_t)b.y - a.y;
            int64_t A = -2 * ey;
            int64_t K = ex * (cy2 - 2 * (int64_t)a.y) - ey * (1 - 2 * (int64_t)a.x);
            int bias = ((ey == 0 && ex > 0) || ey < 0) ? 1 : 0;
            int64_t M = -(K + bias);
            if (A > 0) {
                int64_t lo = FloorDiv(M, A) + 1;
                if (lo > xs) xs = lo;
            } else if (A < 0) {
                int64_t hi = -FloorDiv(M, -A) - 1; // A * px > M  <=>  px < M / A
                if (hi < xe) xe = hi;
            } else if (K + bias <= 0) {
                xs = xe + 1;
            }
        }
        if (xs > xe) continue;
        // The texture position at the first pixel's centre.
        __int128 u = (__int128)u0 * 2 + dudx * (2 * (xs - v[0].x) + 1) + dudy * (cy2 - 2 * (int64_t)v[0].y);
        __int128 w = (__int128)w0 * 2 + dvdx * (2 * (xs - v[0].x) + 1) + dvdy * (cy2 - 2 * (int64_t)v[0].y);
        u >>= 1;
        w >>= 1;
        int64_t us = (int64_t)(u > uLimit ? uLimit : (u < -uLimit ? -uLimit : u));
        int64_t ws = (int64_t)(w > uLimit ? uLimit : (w < -uLimit ? -uLimit : w));
        int64_t du = (int64_t)(dudx > stepLimit ? stepLimit : (dudx < -stepLimit ? -stepLimit : dudx));
        int64_t dv = (int64_t)(dvdx > stepLimit ? stepLimit : (dvdx < -stepLimit ? -stepLimit : dvdx));
        span(dest, src, (int)py, (int)xs, (int)xe + 1, us, ws, du, dv, setup.ctx);
    }
}

void QuadBlitMemImg(MEMIMG* dest, const MEMIMG* src, const int* xs, const int* ys, int transFlag) {
    int clip[4];
    TargetClip(dest, clip);
    int64_t l = xs[0], r = xs[0], t = ys[0], b = ys[0];
    for (int i = 1; i < 4; i++) {
        if (xs[i] < l) l = xs[i];
        if (xs[i] > r) r = xs[i];
        if (ys[i] < t) t = ys[i];
        if (ys[i] > b) b = ys[i];
    }
    l -= 2;
    t -= 2;
    r += 4;
    b += 4;
    if (l < clip[0]) l = clip[0];
    if (t < clip[1]) t = clip[1];
    if (r > clip[2]) r = clip[2];
    if (b > clip[3]) b = clip[3];
    if (l >= r || t >= b) return;
    const int W = src->Width, H = src->Height;
    TriangleVertex first[3] = {{xs[0], ys[0], 0, 0}, {xs[1], ys[1], W, 0}, {xs[3], ys[3], 0, H}};
    TriangleVertex second[3] = {{xs[1], ys[1], W, 0}, {xs[3], ys[3], 0, H}, {xs[2], ys[2], W, H}};
    TriangleBlitMemImg(dest, src, first, transFlag);
    TriangleBlitMemImg(dest, src, second, transFlag);
}

int DrawGraphQuad(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, int graph, int transFlag) {
    if (g_draw.areaEmpty) return 0;
    MEMIMG view; // set up only when the graph is part of a surface
    const MEMIMG* image = GetGraphImageForDrawing(graph, &view);
    if (!image) return -1;
    MEMIMG* target = CurrentTargetImage();
    if (!target) return 0;
    const bool front = TargetIsFront();
    if (front) RefreshFrontBuffer();
    int xs[4] = {x1, x2, x3, x4}, ys[4] = {y1, y2, y3, y4};
    QuadBlitMemImg(target, image, xs, ys, transFlag);
    if (front) {
        int r[4] = {xs[0], ys[0], xs[0], ys[0]};
        for (int i = 1; i < 4; i++) {
            if (xs[i] < r[0]) r[0] = xs[i];
            if (xs[i] > r[2]) r[2] = xs[i];
            if (ys[i] < r[1]) r[1] = ys[i];
            if (ys[i] > r[3]) r[3] = ys[i];
        }
        PresentFrontRect(r);
    }
    return 0;
}

// ---- Rotation ----------------------------------------------------------------

// Corner i (top-left, top-right, bottom-right, bottom-left) in 18-bit fixed point.
static void RotatedCorners(int cx, int cy, int64_t C, int64_t S, float hw, float hh, int64_t* x, int64_t* y) {
    const float sx[4] = {-hw, hw, hw, -hw}, sy[4] = {-hh, -hh, hh, hh};
    const int64_t limit = kCoordLimit << kFixedShift;
    for (int i = 0; i < 4; i++) {
        x[i] = TruncClamped((double)(sx[i] * (float)C - sy[i] * (float)S), limit) + ((int64_t)cx << kFixedShift);
        y[i] = TruncClamped((double)(sx[i] * (float)S + sy[i] * (float)C), limit) + ((int64_t)cy << kFixedShift);
    }
}

void RotateBlitMemImg(MEMIMG* dest, const MEMIMG* src, int cx, int cy, double angle, double scale, int transFlag,
                      int turnFlag) {
    BlendSetup setup;
    if (PrepareCurrentBlend(&setup, dest, src, transFlag) != 0) return;
    if (!isfinite(angle) || !isfinite(scale) || scale == 0.0) return;
    const float a = (float)angle;
    const int64_t C = (int64_t)(cosf(a) * (float)kFixedOne), S = (int64_t)(sinf(a) * (float)kFixedOne);
    const int W = src->Width, H = src->Height;
    const float hw = (float)W * (float)scale * 0.5f, hh = (float)H * (float)scale * 0.5f;
    if (!isfinite(hw) || !isfinite(hh)) return;
    int64_t x[4], y[4];
    RotatedCorners(cx, cy, C, S, hw, hh, x, y);

    if (turnFlag) {
        // Mirrored: the picture's left edge goes where its right edge would be.
        int xs[4], ys[4];
        const int order[4] = {1, 0, 3, 2};
        for (int i = 0; i < 4; i++) {
            xs[i] = (int)(x[order[i]] / kFixedOne);
            ys[i] = (int)(y[order[i]] / kFixedOne);
        }
        QuadBlitMemImg(dest, src, xs, ys, transFlag);
        return;
    }

    int64_t l = x[0] / kFixedOne, r = l, t = y[0] / kFixedOne, b = t;
    for (int i = 1; i < 4; i++) {
        int64_t px = x[i] / kFixedOne, py = y[i] / kFixedOne;
        if (px < l) l = px;
        if (px > r) r = px;
        if (py < t) t = py;
        if (py > b) b = py;
    }
    l -= 2;
    t -= 2;
    r += 4;
    b += 4;
    int clip[4];
    TargetClip(dest, clip);
    if (l < clip[0]) l = clip[0];
    if (t < clip[1]) t = clip[1];
    if (r > clip[2]) r = clip[2];
    if (b > clip[3]) b = clip[3];
    if (l >= r || t >= b) return;

    const int64_t stepLimit = (int64_t)1 << 40, posLimit = (int64_t)1 << 58;
    const int64_t du = TruncClamped((double)C / scale, stepLimit);
    const int64_t dv = -TruncClamped((double)S / scale, stepLimit);
    const int64_t halfW = (int64_t)(W >> 1) << kFixedShift, halfH = (int64_t)(H >> 1) << kFixedShift;
    auto uAt = [&](int64_t px, int64_t py) {
        return TruncClamped((double)(C * (px - cx) + S * (py - cy)) / scale, posLimit) + halfW;
    };
    auto vAt = [&](int64_t px, int64_t py) {
        return TruncClamped((double)(C * (py - cy) - S * (px - cx)) / scale, posLimit) + halfH;
    };
    const int64_t uTop = uAt(l, t), vTop = vAt(l, t);
    const int64_t rowU = (uAt(l, b) - uTop) / (b - t), rowV = (vAt(l, b) - vTop) / (b - t);
    SampleSpanFn span = GetRotateSpan(&setup);
    for (int64_t py = t; py < b; py++) {
        int64_t k = py - t;
        span(dest, src, (int)py, (int)l, (int)r, uTop + rowU * k, vTop + rowV * k, du, dv, setup.ctx);
    }
}

int DrawGraphRotatedAtF(float x, float y, double scale, double angle, int graph, int transFlag, int turnFlag) {
    if (g_draw.areaEmpty) return 0;
    MEMIMG view; // set up only when the graph is part of a surface
    const MEMIMG* image = GetGraphImageForDrawing(graph, &view);
    if (!image) return -1;
    MEMIMG* target = CurrentTargetImage();
    if (!target) return 0;
    if (!(x == x) || !(y == y)) return 0;
    int cx = (int)TruncClamped(x, kCoordLimit), cy = (int)TruncClamped(y, kCoordLimit);
    const bool front = TargetIsFront();
    if (front) RefreshFrontBuffer();
    RotateBlitMemImg(target, image, cx, cy, angle, scale, transFlag, turnFlag);
    if (front && isfinite(angle) && isfinite(scale)) {
        // Bounding box of the corners, five pixels wider on each side.
        float a = (float)angle;
        int64_t C = (int64_t)(cosf(a) * (float)kFixedOne), S = (int64_t)(sinf(a) * (float)kFixedOne);
        int64_t xs[4], ys[4];
        RotatedCorners(cx, cy, C, S, (float)(image->Width * scale * 0.5), (float)(image->Height * scale * 0.5), xs, ys);
        int64_t r[4] = {xs[0] / kFixedOne, ys[0] / kFixedOne, xs[0] / kFixedOne, ys[0] / kFixedOne};
        for (int i = 1; i < 4; i++) {
            if (xs[i] / kFixedOne < r[0]) r[0] = xs[i] / kFixedOne;
            if (xs[i] / kFixedOne > r[2]) r[2] = xs[i] / kFixedOne;
            if (ys[i] / kFixedOne < r[1]) r[1] = ys[i] / kFixedOne;
            if (ys[i] / kFixedOne > r[3]) r[3] = ys[i] / kFixedOne;
        }
        int rect[4] = {
            (int)ClampI64(r[0] - 5, -kCoordLimit, kCoordLimit), (int)ClampI64(r[1] - 5, -kCoordLimit, kCoordLimit),
            (int)ClampI64(r[2] + 5, -kCoordLimit, kCoordLimit), (int)ClampI64(r[3] + 5, -kCoordLimit, kCoordLimit)};
        PresentFrontRect(rect);
    }
    return 0;
}

int DrawGraphRotated(int x, int y, int cx, int cy, double scale, double angle, GraphHandle graph, int transFlag,
                     int turnFlag) {
    API_LOCK();
    if (!GraphicsReady()) return -1;
    WaitWhileInactive();
    int w = 0, h = 0;
    if (QueryGraphSize(graph, &w, &h) != 0) return g_draw.areaEmpty ? 0 : -1;
    if (angle != 0.0) {
        // NaN angles land here too and draw nothing.
        float o = (float)(scale * (w * 0.5 - cx)), r = (float)(scale * (h * 0.5 - cy));
        float c = cosf((float)angle), s = sinf((float)angle);
        float A = o * c - r * s, B = o * s + r * c;
        return DrawGraphRotatedAtF((float)x + A, (float)y + B, scale, angle, graph, transFlag, turnFlag);
    }
    if (scale == 1.0) {
        int left = SaturatedSum(x, -(int64_t)cx), top = SaturatedSum(y, -(int64_t)cy);
        if (turnFlag) return DrawGraphMirrored(left, top, graph, transFlag);
        return DrawGraphAt(left, top, graph, transFlag);
    }
    float x1 = (float)(x - scale * cx), y1 = (float)(y - scale * cy);
    float x2 = (float)(x1 + scale * w), y2 = (float)(y1 + scale * h);
    if (turnFlag) {
        float t = x1;
        x1 = x2;
        x2 = t;
    }
    return DrawGraphStretchedF(x1, y1, x2, y2, graph, transFlag);
}
