// BlitMemImg and the choice of inner loop: one instantiated loop per pixel
// kind, blend rule, bright, source kind and transparency, picked once per call.
#include "runtime/graphics/blit.h"

#include <string.h>

#include <array>
#include <type_traits>
#include <utility>

#include "runtime/graphics/blit_simd.h"
#include "runtime/graphics/draw_state.h"

int ChooseBlendOp(int mode, int param, int brightWhite, int sourceKind) {
    const bool alpha = sourceKind == SrcAlpha;
    switch (mode) {
        case 0:
            return OpCopy;
        case 1:
            if (param <= 0) return OpNone;
            if (param >= 255) return OpCopy;
            if (alpha) return OpMix;
            if (!brightWhite) return OpMixBright;
            return param == 128 ? OpHalf : OpMix;
        case 2:
            if (param <= 0) return OpNone;
            return (param >= 255 && !alpha) ? OpAdd255 : OpAdd;
        case 3:
            if (param <= 0) return OpNone;
            return (param >= 255 && !alpha) ? OpSub255 : OpSub;
        case 4:
            return OpMul;
        default:
            return OpNone;
    }
}

// Kept in this file so the per-call path of a small blit inlines it.
static inline void FillBlendContext(BlendContext* c, const MEMIMG* src, int param, uint32_t bright) {
    if (!g_blendTables.built) BuildBlendTables();
    if (param < 0) param = 0;
    if (param > 255) param = 255;
    c->key = src->TransColor;
    if (src->PixelKind == Rgb565 && !src->UsePalette && !src->AlphaChannel) c->key &= 0xFFFF;
    c->palette = src->Palette;
    c->param = param;
    c->paramRow = g_blendTables.product[param];
    c->signedRow = SignedProductRow(param);
    c->mix = g_blendTables.alphaMix64[param >> 2];
    c->brightR = g_blendTables.product[(bright >> 16) & 0xFF];
    c->brightG = g_blendTables.product[(bright >> 8) & 0xFF];
    c->brightB = g_blendTables.product[bright & 0xFF];
}

void MakeBlendContext(BlendContext* c, const MEMIMG* src, int param, uint32_t bright) {
    FillBlendContext(c, src, param, bright);
}

static inline int Compatible(const MEMIMG* dest, const MEMIMG* src) {
    if (!dest || !src || dest->InitMark != MEMIMG_INIT_MARK || src->InitMark != MEMIMG_INIT_MARK) return 0;
    if (!dest->Pixels || !src->Pixels) return 0;
    if (dest->PixelKind != src->PixelKind || dest->UsePalette || dest->AlphaChannel) return 0;
    return dest->PixelKind == Rgb565 || dest->PixelKind == Xrgb8888;
}

int BlitCompatible(const MEMIMG* dest, const MEMIMG* src) {
    return Compatible(dest, src);
}

// PrepareBlend once the images are known to fit together.
static inline int PrepareCompatible(BlendSetup* setup, const MEMIMG* src, int kind, int transFlag, int mode, int param,
                                    uint32_t bright) {
    bright &= 0xFFFFFF;
    setup->kind = kind;
    setup->src = src->UsePalette ? SrcPalette : (src->AlphaChannel ? SrcAlpha : SrcPlain);
    setup->bright = bright != 0xFFFFFF;
    setup->trans = transFlag ? 1 : 0;
    setup->op = ChooseBlendOp(mode, param, !setup->bright, setup->src);
    if (setup->op == OpNone) return -1;
    FillBlendContext(&setup->ctx, src, param, bright);
    return 0;
}

int PrepareBlend(BlendSetup* setup, const MEMIMG* dest, const MEMIMG* src, int transFlag, int mode, int param,
                 uint32_t bright) {
    if (!Compatible(dest, src)) return -1;
    return PrepareCompatible(setup, src, dest->PixelKind, transFlag, mode, param, bright);
}

// ---- Loop shapes -----------------------------------------------------------

typedef void (*BlitRowsFn)(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch, int w, int h,
                           const BlendContext& c);

template <int Kind, int Op, bool Bright, int Src, bool Trans>
static void BlitRows(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch, int w, int h,
                     const BlendContext& c) {
    for (int y = 0; y < h; y++, dst += dstPitch, src += srcPitch)
        for (int x = 0; x < w; x++)
            BlendPixel<Kind, Op, Bright, Src, Trans>(dst, x, LoadSourcePixel<Kind, Src>(src, x), c);
}

constexpr int kTableSize = 2 * OpCount * 2 * SrcKindCount * 2;

static int TableIndex(int kind, int op, int bright, int src, int trans) {
    return (((kind * OpCount + op) * 2 + bright) * SrcKindCount + src) * 2 + trans;
}

// The vector loop of a combination, or null (defined with the tables below).
static BlitRowsFn VectorBlit(int index);

// Stretched, rotated and triangle draws gather their source pixels into a row
// and blend it with the straight loop when that is a vector one.
constexpr int kGatherPixels = 512;

template <int Kind, int Src>
using GatherPixel = std::conditional_t<Kind == Rgb565 && Src == SrcPlain, uint16_t, uint32_t>;

template <int Kind, int Op, bool Bright, int Src, bool Trans>
static void StretchRows(MEMIMG* dest, const MEMIMG* src, int x0, int x1, int y0, int y1, const int* cols,
                        const int* rows, const BlendContext& c) {
    if constexpr (Src != SrcPalette) {
        if (BlitRowsFn fn = VectorBlit(TableIndex(Kind, Op, Bright, Src, Trans))) {
            GatherPixel<Kind, Src> row[kGatherPixels];
            const int bytes = Kind == Rgb565 ? 2 : 4;
            int gathered = -1; // source row held in row[] when the whole span fits
            for (int y = y0; y < y1; y++) {
                uint8_t* d = dest->Pixels + (intptr_t)y * dest->Pitch;
                const uint8_t* s = src->Pixels + (intptr_t)rows[y - y0] * src->Pitch;
                for (int x = x0; x < x1; x += kGatherPixels) {
                    const int n = x1 - x < kGatherPixels ? x1 - x : kGatherPixels;
                    if (!(n == x1 - x0 && gathered == rows[y - y0])) {
                        for (int i = 0; i < n; i++)
                            row[i] = (GatherPixel<Kind, Src>)LoadSourcePixel<Kind, Src>(s, cols[x - x0 + i]);
                        gathered = n == x1 - x0 ? rows[y - y0] : -1;
                    }
                    fn(d + (intptr_t)x * bytes, 0, (const uint8_t*)row, 0, n, 1, c);
                }
            }
            return;
        }
    }
    for (int y = y0; y < y1; y++) {
        uint8_t* d = dest->Pixels + (intptr_t)y * dest->Pitch;
        const uint8_t* s = src->Pixels + (intptr_t)rows[y - y0] * src->Pitch;
        for (int x = x0; x < x1; x++)
            BlendPixel<Kind, Op, Bright, Src, Trans>(d, x, LoadSourcePixel<Kind, Src>(s, cols[x - x0]), c);
    }
}

template <int Kind, int Op, bool Bright, int Src, bool Trans, bool Clamp>
static void SampleSpan(MEMIMG* dest, const MEMIMG* src, int y, int x0, int x1, int64_t u, int64_t v, int64_t du,
                       int64_t dv, const BlendContext& c) {
    uint8_t* d = dest->Pixels + (intptr_t)y * dest->Pitch;
    const uint64_t limitU = (uint64_t)src->Width << 18, limitV = (uint64_t)src->Height << 18;
    if constexpr (Src != SrcPalette) {
        if (BlitRowsFn fn = VectorBlit(TableIndex(Kind, Op, Bright, Src, Trans))) {
            // Runs of pixels whose position falls inside the source, each gathered and blended.
            GatherPixel<Kind, Src> run[kGatherPixels];
            const int bytes = Kind == Rgb565 ? 2 : 4;
            int x = x0;
            while (x < x1) {
                if constexpr (!Clamp) {
                    for (; x < x1 && ((uint64_t)u >= limitU || (uint64_t)v >= limitV); x++, u += du, v += dv) {
                    }
                }
                const int start = x;
                int n = 0;
                for (; x < x1 && n < kGatherPixels; x++, u += du, v += dv, n++) {
                    int sx = (int)(u >> 18), sy = (int)(v >> 18);
                    if constexpr (Clamp) {
                        sx = sx < 0 ? 0 : (sx >= src->Width ? src->Width - 1 : sx);
                        sy = sy < 0 ? 0 : (sy >= src->Height ? src->Height - 1 : sy);
                    } else {
                        if ((uint64_t)u >= limitU || (uint64_t)v >= limitV) break;
                    }
                    run[n] =
                        (GatherPixel<Kind, Src>)LoadSourcePixel<Kind, Src>(src->Pixels + (intptr_t)sy * src->Pitch, sx);
                }
                if (n) fn(d + (intptr_t)start * bytes, 0, (const uint8_t*)run, 0, n, 1, c);
            }
            return;
        }
    }
    for (int x = x0; x < x1; x++, u += du, v += dv) {
        int sx, sy;
        if constexpr (Clamp) {
            sx = (int)(u >> 18);
            sy = (int)(v >> 18);
            sx = sx < 0 ? 0 : (sx >= src->Width ? src->Width - 1 : sx);
            sy = sy < 0 ? 0 : (sy >= src->Height ? src->Height - 1 : sy);
        } else {
            if ((uint64_t)u >= limitU || (uint64_t)v >= limitV) continue;
            sx = (int)(u >> 18);
            sy = (int)(v >> 18);
        }
        const uint8_t* s = src->Pixels + (intptr_t)sy * src->Pitch;
        BlendPixel<Kind, Op, Bright, Src, Trans>(d, x, LoadSourcePixel<Kind, Src>(s, sx), c);
    }
}

// ---- Tables of instantiated loops ------------------------------------------

template <int I>
struct Decode {
    static constexpr int trans = I % 2;
    static constexpr int src = (I / 2) % SrcKindCount;
    static constexpr int bright = (I / 2 / SrcKindCount) % 2;
    static constexpr int op = (I / 2 / SrcKindCount / 2) % OpCount;
    static constexpr int kind = I / 2 / SrcKindCount / 2 / OpCount;
};

template <size_t... I>
static constexpr std::array<BlitRowsFn, kTableSize> MakeBlitTable(std::index_sequence<I...>) {
    return {
        &BlitRows<Decode<I>::kind, Decode<I>::op, Decode<I>::bright != 0, Decode<I>::src, Decode<I>::trans != 0>...};
}
template <size_t... I>
static constexpr std::array<StretchRowsFn, kTableSize> MakeStretchTable(std::index_sequence<I...>) {
    return {
        &StretchRows<Decode<I>::kind, Decode<I>::op, Decode<I>::bright != 0, Decode<I>::src, Decode<I>::trans != 0>...};
}
template <bool Clamp, size_t... I>
static constexpr std::array<SampleSpanFn, kTableSize> MakeSampleTable(std::index_sequence<I...>) {
    return {&SampleSpan<Decode<I>::kind, Decode<I>::op, Decode<I>::bright != 0, Decode<I>::src, Decode<I>::trans != 0,
                        Clamp>...};
}

static const std::array<BlitRowsFn, kTableSize> s_blitTable = MakeBlitTable(std::make_index_sequence<kTableSize>());
static const std::array<StretchRowsFn, kTableSize> s_stretchTable =
    MakeStretchTable(std::make_index_sequence<kTableSize>());
static const std::array<SampleSpanFn, kTableSize> s_rotateTable =
    MakeSampleTable<false>(std::make_index_sequence<kTableSize>());
static const std::array<SampleSpanFn, kTableSize> s_triangleTable =
    MakeSampleTable<true>(std::make_index_sequence<kTableSize>());

StretchRowsFn GetStretchRows(const BlendSetup* s) {
    return s_stretchTable[TableIndex(s->kind, s->op, s->bright, s->src, s->trans)];
}
SampleSpanFn GetRotateSpan(const BlendSetup* s) {
    return s_rotateTable[TableIndex(s->kind, s->op, s->bright, s->src, s->trans)];
}
SampleSpanFn GetTriangleSpan(const BlendSetup* s) {
    return s_triangleTable[TableIndex(s->kind, s->op, s->bright, s->src, s->trans)];
}

// The loop for each combination, vector where there is one, chosen once: small
// blits are called hundreds of times a frame. Rebuilt when the tests switch levels.
static struct {
    BlitRowsFn loops[kTableSize]; // chosen loop per combination, null until first used
    int level;                    // SimdBlitLevel they were chosen at
} s_chosen = {{}, -1};

static BlitRowsFn ChosenBlit(int index) {
    const int level = SimdBlitLevel();
    if (level != s_chosen.level) {
        for (int i = 0; i < kTableSize; i++) s_chosen.loops[i] = nullptr;
        s_chosen.level = level;
    }
    BlitRowsFn fn = s_chosen.loops[index];
    if (fn) return fn;
    const int kind = index / (OpCount * 2 * SrcKindCount * 2), rest = index % (OpCount * 2 * SrcKindCount * 2);
    const int op = rest / (2 * SrcKindCount * 2), bright = (rest / (SrcKindCount * 2)) % 2,
              src = (rest / 2) % SrcKindCount;
    fn = FindSimdBlit(kind, op, bright, src, index % 2);
    if (!fn) fn = s_blitTable[index];
    s_chosen.loops[index] = fn;
    return fn;
}

static BlitRowsFn VectorBlit(int index) {
    BlitRowsFn fn = ChosenBlit(index);
    return fn == s_blitTable[index] ? nullptr : fn;
}

// Whole rows at a time when nothing can be skipped or blended.
static void CopyRows(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch, int rowBytes, int h) {
    for (int y = 0; y < h; y++, dst += dstPitch, src += srcPitch) memmove(dst, src, rowBytes);
}

void BlitMemImgWith(MEMIMG* dest, const MEMIMG* src, int x, int y, int transFlag, const int* clip, int mode, int param,
                    uint32_t bright) {
    if (!Compatible(dest, src)) return;
    // Clip first: a blit that lands outside costs nothing more. The draw area never
    // reaches outside the target; sums are taken in 64 bits.
    const int64_t left = clip[0] > 0 ? clip[0] : 0, top = clip[1] > 0 ? clip[1] : 0;
    const int64_t right = clip[2] < dest->Width ? clip[2] : dest->Width;
    const int64_t bottom = clip[3] < dest->Height ? clip[3] : dest->Height;
    const int64_t x0 = x > left ? x : left, y0 = y > top ? y : top;
    const int64_t x1 = (int64_t)x + src->Width < right ? (int64_t)x + src->Width : right;
    const int64_t y1 = (int64_t)y + src->Height < bottom ? (int64_t)y + src->Height : bottom;
    if (x0 >= x1 || y0 >= y1) return;
    BlendSetup setup;
    if (PrepareCompatible(&setup, src, dest->PixelKind, transFlag, mode, param, bright) != 0) return;
    const int w = (int)(x1 - x0), h = (int)(y1 - y0);
    const int bytes = dest->Format->PixelByte, srcBytes = src->Format->PixelByte;
    uint8_t* d = dest->Pixels + (intptr_t)y0 * dest->Pitch + (intptr_t)x0 * bytes;
    const uint8_t* s = src->Pixels + (intptr_t)(y0 - y) * src->Pitch + (intptr_t)(x0 - x) * srcBytes;

    if (setup.op == OpCopy && !setup.bright && !setup.trans && setup.src == SrcPlain) {
        CopyRows(d, dest->Pitch, s, src->Pitch, w * bytes, h);
        return;
    }
    ChosenBlit(TableIndex(setup.kind, setup.op, setup.bright, setup.src, setup.trans))(d, dest->Pitch, s, src->Pitch, w,
                                                                                       h, setup.ctx);
}

void BlitMemImg(MEMIMG* dest, const MEMIMG* src, int x, int y, int transFlag) {
    BlitMemImgWith(dest, src, x, y, transFlag, g_draw.area, g_draw.blendMode, g_draw.blendParam, g_draw.bright);
}
