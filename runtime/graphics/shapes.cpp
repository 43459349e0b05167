// Filled and outlined rectangles and lines: the fill rules per blend mode, one
// loop per pixel kind and rule, and the clipped line walker.
#include "runtime/graphics/shapes.h"

#include <math.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/window.h"
#include "runtime/graphics/blit_pixel.h"
#include "runtime/graphics/blit_simd.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/runtime.h"

enum FillOp { FillNone, FillRaw, FillMix, FillAdd, FillSub, FillMul };

static int ChooseFillOp(int mode, int param) {
    switch (mode) {
        case 0:
            return FillRaw;
        case 1:
            return param >= 255 ? FillRaw : (param <= 0 ? FillNone : FillMix);
        case 2:
            return param <= 0 ? FillNone : FillAdd;
        case 3:
            return param <= 0 ? FillNone : FillSub;
        case 4:
            return FillMul;
        default:
            return FillNone;
    }
}

// The colour after the draw bright (a division by 256 here, not 255).
static uint32_t BrightenFillColor(int kind, uint32_t c, uint32_t bright) {
    bright &= 0xFFFFFF;
    if (bright == 0xFFFFFF) return c;
    uint32_t br = (bright >> 16) & 0xFF, bg = (bright >> 8) & 0xFF, bb = bright & 0xFF;
    if (kind == Rgb565) {
        uint32_t r = (((c >> 11) & 31) * br) >> 8, g = (((c >> 5) & 63) * bg) >> 8, b = ((c & 31) * bb) >> 8;
        return (r << 11) | (g << 5) | b;
    }
    uint32_t r = (((c >> 16) & 255) * br) >> 8, g = (((c >> 8) & 255) * bg) >> 8, b = ((c & 255) * bb) >> 8;
    return (c & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

struct FillContext {
    uint32_t color;           // colour after the bright adjustment
    uint32_t scaled;          // colour channels through ProductTable[param] (add, subtract)
    const int16_t* signedRow; // SignedProductTable[param]
    int param;
};

static void MakeFillContext(FillContext* f, int kind, uint32_t color, int param, uint32_t bright) {
    if (!g_blendTables.built) BuildBlendTables();
    param = param < 0 ? 0 : (param > 255 ? 255 : param);
    f->color = BrightenFillColor(kind, kind == Rgb565 ? (color & 0xFFFF) : color, bright);
    f->param = param;
    f->signedRow = SignedProductRow(param);
    const uint8_t* row = g_blendTables.product[param];
    uint32_t c = f->color;
    if (kind == Rgb565)
        f->scaled = ((uint32_t)row[(c >> 11) & 31] << 11) | ((uint32_t)row[(c >> 5) & 63] << 5) | row[c & 31];
    else f->scaled = ((uint32_t)row[(c >> 16) & 255] << 16) | ((uint32_t)row[(c >> 8) & 255] << 8) | row[c & 255];
}

template <int Kind, int Op>
static inline void FillPixel(uint8_t* p, const FillContext& f) {
    if constexpr (Kind == Rgb565) {
        uint16_t* dp = (uint16_t*)p;
        uint32_t d = *dp, c = f.color;
        int dr = (int)(d >> 11), dg = (int)((d >> 5) & 63), db = (int)(d & 31);
        int cr = (int)(c >> 11), cg = (int)((c >> 5) & 63), cb = (int)(c & 31);
        if constexpr (Op == FillRaw) *dp = (uint16_t)c;
        else if constexpr (Op == FillMix)
            *dp = (uint16_t)(((dr + f.signedRow[cr - dr]) << 11) | ((dg + f.signedRow[cg - dg]) << 5) |
                             (db + f.signedRow[cb - db]));
        else if constexpr (Op == FillAdd) *dp = (uint16_t)(Add565(f.scaled, d) | ((d | f.scaled) & 0x0820));
        else if constexpr (Op == FillSub) *dp = (uint16_t)Sub565(d, f.scaled);
        else if constexpr (Op == FillMul)
            *dp = (uint16_t)((((cr * dr) >> 5) << 11) | (((cg * dg) >> 6) << 5) | ((cb * db) >> 5));
    } else {
        uint32_t* dp = (uint32_t*)p;
        uint32_t d = *dp, c = f.color;
        int dr = (int)((d >> 16) & 255), dg = (int)((d >> 8) & 255), db = (int)(d & 255);
        int cr = (int)((c >> 16) & 255), cg = (int)((c >> 8) & 255), cb = (int)(c & 255);
        uint32_t top = d & 0xFF000000u;
        if constexpr (Op == FillRaw) *dp = c;
        else if constexpr (Op == FillMix)
            *dp = top | (uint32_t)(((dr + (((cr - dr) * f.param) >> 8)) << 16) |
                                   ((dg + (((cg - dg) * f.param) >> 8)) << 8) | (db + (((cb - db) * f.param) >> 8)));
        else if constexpr (Op == FillAdd) *dp = Add888(f.scaled, d);
        else if constexpr (Op == FillSub) *dp = Sub888(d, f.scaled);
        else if constexpr (Op == FillMul)
            *dp = top | (uint32_t)((((cr * dr) >> 8) << 16) | (((cg * dg) >> 8) << 8) | ((cb * db) >> 8));
    }
}

template <int Kind, int Op>
static void FillRows(MEMIMG* image, int l, int t, int r, int b, const FillContext& f) {
    const int bytes = Kind == Rgb565 ? 2 : 4;
    for (int y = t; y < b; y++) {
        uint8_t* row = image->Pixels + (intptr_t)y * image->Pitch;
        if constexpr (Op == FillRaw && Kind == Rgb565) {
            uint16_t* p = (uint16_t*)row;
            for (int x = l; x < r; x++) p[x] = (uint16_t)f.color;
        } else if constexpr (Op == FillRaw) {
            uint32_t* p = (uint32_t*)row;
            for (int x = l; x < r; x++) p[x] = f.color;
        } else {
            for (int x = l; x < r; x++) FillPixel<Kind, Op>(row + (intptr_t)x * bytes, f);
        }
    }
}

typedef void (*FillRowsFn)(MEMIMG*, int, int, int, int, const FillContext&);
static const FillRowsFn s_fillRows[2][6] = {
    {nullptr, FillRows<Rgb565, FillRaw>, FillRows<Rgb565, FillMix>, FillRows<Rgb565, FillAdd>,
     FillRows<Rgb565, FillSub>, FillRows<Rgb565, FillMul>},
    {nullptr, FillRows<Xrgb8888, FillRaw>, FillRows<Xrgb8888, FillMix>, FillRows<Xrgb8888, FillAdd>,
     FillRows<Xrgb8888, FillSub>, FillRows<Xrgb8888, FillMul>},
};
typedef void (*FillPixelFn)(uint8_t*, const FillContext&);
static const FillPixelFn s_fillPixel[2][6] = {
    {nullptr, FillPixel<Rgb565, FillRaw>, FillPixel<Rgb565, FillMix>, FillPixel<Rgb565, FillAdd>,
     FillPixel<Rgb565, FillSub>, FillPixel<Rgb565, FillMul>},
    {nullptr, FillPixel<Xrgb8888, FillRaw>, FillPixel<Xrgb8888, FillMix>, FillPixel<Xrgb8888, FillAdd>,
     FillPixel<Xrgb8888, FillSub>, FillPixel<Xrgb8888, FillMul>},
};

static int Fillable(const MEMIMG* image) {
    if (!image || image->InitMark != MEMIMG_INIT_MARK || !image->Pixels) return 0;
    if (image->UsePalette || image->AlphaChannel) return 0;
    return image->PixelKind == Rgb565 || image->PixelKind == Xrgb8888;
}

static void LimitClip(const MEMIMG* image, const int* clip, int* out) {
    out[0] = clip[0] > 0 ? clip[0] : 0;
    out[1] = clip[1] > 0 ? clip[1] : 0;
    out[2] = clip[2] < image->Width ? clip[2] : image->Width;
    out[3] = clip[3] < image->Height ? clip[3] : image->Height;
    if (out[2] < out[0]) out[2] = out[0];
    if (out[3] < out[1]) out[3] = out[1];
}

void FillRectMemImgWith(MEMIMG* image, const int* rect, uint32_t color, const int* clip, int mode, int param,
                        uint32_t bright) {
    if (!Fillable(image)) return;
    int op = ChooseFillOp(mode, param);
    if (op == FillNone) return;
    int area[4];
    LimitClip(image, clip, area);
    int r[4] = {0, 0, image->Width, image->Height};
    if (rect) {
        r[0] = rect[0] < rect[2] ? rect[0] : rect[2];
        r[2] = rect[0] < rect[2] ? rect[2] : rect[0];
        r[1] = rect[1] < rect[3] ? rect[1] : rect[3];
        r[3] = rect[1] < rect[3] ? rect[3] : rect[1];
    }
    ClipRect(r, area);
    if (r[0] >= r[2] || r[1] >= r[3]) return;
    FillContext f;
    MakeFillContext(&f, image->PixelKind, color, param, bright);
    if (op == FillMix && FillMixSimd(image, r[0], r[1], r[2], r[3], f.color, f.param)) return;
    s_fillRows[image->PixelKind][op](image, r[0], r[1], r[2], r[3], f);
}

void FillRectMemImg(MEMIMG* image, const int* rect, uint32_t color) {
    FillRectMemImgWith(image, rect, color, g_draw.area, g_draw.blendMode, g_draw.blendParam, g_draw.bright);
}

void FillPixelReference(int kind, uint8_t* pixel, uint32_t color, int mode, int param, uint32_t bright) {
    int op = ChooseFillOp(mode, param);
    if (op == FillNone) return;
    FillContext f;
    MakeFillContext(&f, kind, color, param, bright);
    s_fillPixel[kind == Rgb565 ? 0 : 1][op](pixel, f);
}

static int ClampInt(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Clamps in floating point first, so no out-of-range value is ever converted.
static int ClampToArea(double v, int lo, int hi) {
    if (!(v >= lo)) return lo;
    if (v > hi) return hi;
    return (int)v;
}

void LineIntoMemImg(MEMIMG* image, int x1, int y1, int x2, int y2, uint32_t color) {
    if (!Fillable(image)) return;
    int op = ChooseFillOp(g_draw.blendMode, g_draw.blendParam);
    if (op == FillNone) return;
    int area[4];
    LimitClip(image, g_draw.area, area);
    const int left = area[0], top = area[1], right = area[2], bottom = area[3];
    if (left >= right || top >= bottom) return;
    // Bounding box wholly outside: nothing.
    if ((x1 < left && x2 < left) || (x1 >= right && x2 >= right) || (y1 < top && y2 < top) ||
        (y1 >= bottom && y2 >= bottom))
        return;
    // Move outside end points onto the area's edges along the line.
    double fx1 = x1, fy1 = y1, fx2 = x2, fy2 = y2;
    if (x1 != x2) {
        double slope = ((double)y2 - y1) / ((double)x2 - x1);
        if (fx1 < left) {
            fy1 += (left - fx1) * slope;
            fx1 = left;
        } else if (fx1 >= right) {
            fy1 += (right - 1 - fx1) * slope;
            fx1 = right - 1;
        }
        if (fx2 < left) {
            fy2 += (left - fx2) * slope;
            fx2 = left;
        } else if (fx2 > right) {
            fy2 += (right - fx2) * slope;
            fx2 = right;
        }
        fy1 = trunc(fy1);
        fy2 = trunc(fy2);
    }
    if (y1 != y2) {
        double inv = ((double)x2 - x1) / ((double)y2 - y1);
        if (fy1 < top) {
            fx1 += (top - fy1) * inv;
            fy1 = top;
        } else if (fy1 >= bottom) {
            fx1 += (bottom - 1 - fy1) * inv;
            fy1 = bottom - 1;
        }
        if (fy2 < top) {
            fx2 += (top - fy2) * inv;
            fy2 = top;
        } else if (fy2 > bottom) {
            fx2 += (bottom - fy2) * inv;
            fy2 = bottom;
        }
        fx1 = trunc(fx1);
        fx2 = trunc(fx2);
    }
    int sx = ClampToArea(fx1, left, right), sy = ClampToArea(fy1, top, bottom);
    int ex = ClampToArea(fx2, left, right), ey = ClampToArea(fy2, top, bottom);
    if (sx == ex && sy == ey) return;

    FillContext f;
    MakeFillContext(&f, image->PixelKind, color, g_draw.blendParam, g_draw.bright);
    FillPixelFn plot = s_fillPixel[image->PixelKind][op];
    const int bytes = image->Format->PixelByte;
    int dx = ex - sx, dy = ey - sy;
    int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int stepX = dx < 0 ? -1 : 1, stepY = dy < 0 ? -1 : 1;
    int major = adx > ady ? adx : ady, minor = adx > ady ? ady : adx;
    int x = sx, y = sy, error = 0;
    for (int k = 0; k < major; k++) {
        if (x >= left && x < right && y >= top && y < bottom)
            plot(image->Pixels + (intptr_t)y * image->Pitch + (intptr_t)x * bytes, f);
        if (adx > ady) x += stepX;
        else y += stepY;
        error += minor;
        if (error >= major) {
            error -= major;
            if (adx > ady) y += stepY;
            else x += stepX;
        }
    }
}

int DrawLineSegment(int x1, int y1, int x2, int y2, uint32_t color) {
    if (g_draw.areaEmpty) return 0;
    MEMIMG* target = CurrentTargetImage();
    if (!target) return 0;
    LineIntoMemImg(target, x1, y1, x2, y2, color);
    return 0;
}

int DrawRectangle(int x1, int y1, int x2, int y2, unsigned int color, int fillFlag) {
    API_LOCK();
    if (!GraphicsReady()) return -1;
    WaitWhileInactive();
    if (g_draw.areaEmpty) return 0;
    MEMIMG* target = CurrentTargetImage();
    if (!target) return 0;
    const bool front = TargetIsFront();
    if (front) RefreshFrontBuffer();
    if (fillFlag) {
        int rect[4] = {x1, y1, x2, y2};
        FillRectMemImg(target, rect, color);
    } else {
        if (x2 < x1) {
            int t = x1;
            x1 = x2;
            x2 = t;
        }
        if (y2 < y1) {
            int t = y1;
            y1 = y2;
            y2 = t;
        }
        // Far-away edges are clipped anyway; this keeps x2 - 1 and y2 - 1 defined.
        const int far = 1 << 30;
        x1 = ClampInt(x1, -far, far);
        y1 = ClampInt(y1, -far, far);
        x2 = ClampInt(x2, -far, far);
        y2 = ClampInt(y2, -far, far);
        LineIntoMemImg(target, x1, y1, x2 - 1, y1, color);
        LineIntoMemImg(target, x2 - 1, y1, x2 - 1, y2 - 1, color);
        LineIntoMemImg(target, x2 - 1, y2 - 1, x1, y2 - 1, color);
        LineIntoMemImg(target, x1, y2 - 1, x1, y1, color);
    }
    if (front) {
        int rect[4] = {x1, y1, x2, y2};
        PresentFrontRect(rect);
    }
    return 0;
}
