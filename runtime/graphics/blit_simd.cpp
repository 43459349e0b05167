// Vector blit loops (SSE2, the x86-64 baseline), each equal bit for bit to the
// scalar template it replaces; the tests compare them on random pixels. Eight
// 565 pixels or four 8888 pixels per step, the scalar rule for the row's tail.
#include "runtime/graphics/blit_simd.h"

#include "runtime/graphics/color_format.h"

static int s_simdEnabled = 1; // tests turn the vector loops off to reach the scalar ones
static int s_avx2Enabled = 1; // tests turn AVX2 off to reach the SSE2 loops

void SetSimdBlitEnabled(int enabled) {
    s_simdEnabled = enabled;
}

void SetAvx2BlitEnabled(int enabled) {
    s_avx2Enabled = enabled;
}

int SimdBlitLevel(void) {
    return s_simdEnabled * 2 + s_avx2Enabled;
}

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

// SSE2 as the vector type of the shared 565 and 8888 rules.
struct V128 {
    typedef __m128i T;
    static constexpr int N = 4;
    static T Load(const void* p) { return _mm_loadu_si128((const __m128i*)p); }
    static void Store(void* p, T v) { _mm_storeu_si128((__m128i*)p, v); }
    static T Zero() { return _mm_setzero_si128(); }
    static T Set32(uint32_t v) { return _mm_set1_epi32((int)v); }
    static T Set16(int v) { return _mm_set1_epi16((short)v); }
    static T Set16x4(int a, int b, int c, int d) {
        return _mm_setr_epi16((short)a, (short)b, (short)c, (short)d, (short)a, (short)b, (short)c, (short)d);
    }
    static T And(T a, T b) { return _mm_and_si128(a, b); }
    static T AndNot(T a, T b) { return _mm_andnot_si128(a, b); }
    static T Or(T a, T b) { return _mm_or_si128(a, b); }
    static T Xor(T a, T b) { return _mm_xor_si128(a, b); }
    static T Select(T mask, T a, T b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }
    static T Add16(T a, T b) { return _mm_add_epi16(a, b); }
    static T Sub16(T a, T b) { return _mm_sub_epi16(a, b); }
    static T Add32(T a, T b) { return _mm_add_epi32(a, b); }
    static T Sub32(T a, T b) { return _mm_sub_epi32(a, b); }
    static T AddsU8(T a, T b) { return _mm_adds_epu8(a, b); }
    static T SubsU8(T a, T b) { return _mm_subs_epu8(a, b); }
    static T Mullo16(T a, T b) { return _mm_mullo_epi16(a, b); }
    static T MulhiU16(T a, T b) { return _mm_mulhi_epu16(a, b); }
    static T MulhiS16(T a, T b) { return _mm_mulhi_epi16(a, b); }
    template <int n>
    static T Slli16(T a) {
        return _mm_slli_epi16(a, n);
    }
    template <int n>
    static T Srli16(T a) {
        return _mm_srli_epi16(a, n);
    }
    template <int n>
    static T Srai16(T a) {
        return _mm_srai_epi16(a, n);
    }
    template <int n>
    static T Srli32(T a) {
        return _mm_srli_epi32(a, n);
    }
    static T CmpEq16(T a, T b) { return _mm_cmpeq_epi16(a, b); }
    static T CmpEq32(T a, T b) { return _mm_cmpeq_epi32(a, b); }
    static T LessU16(T a, T b) {
        const T flip = _mm_set1_epi16((short)0x8000);
        return _mm_cmplt_epi16(_mm_xor_si128(a, flip), _mm_xor_si128(b, flip));
    }
    // Low halves sign-extended pack exactly; alphas are 0..255.
    static void SplitAlpha565(const uint8_t* s, T* colour, T* alpha) {
        const T lo = Load(s), hi = Load(s + 16), lowByte = _mm_set1_epi32(0xFF);
        *colour =
            _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 16), 16), _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16));
        *alpha = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 16), lowByte),
                                 _mm_and_si128(_mm_srli_epi32(hi, 16), lowByte));
    }
    static T PixelOrder565(T a) { return a; }
    static T UnpackLo8(T a, T b) { return _mm_unpacklo_epi8(a, b); }
    static T UnpackHi8(T a, T b) { return _mm_unpackhi_epi8(a, b); }
    static T PackUs16(T a, T b) { return _mm_packus_epi16(a, b); }
    // The fourth 16-bit lane of each pixel (its top byte) in all four.
    static T BroadcastTop16(T a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF); }
};

} // namespace

#include "runtime/graphics/blit_vector565.h"
#include "runtime/graphics/blit_vector8888.h"

BlitRowsFn FindSimdBlit(int kind, int op, int bright, int src, int trans) {
    if (!s_simdEnabled) return nullptr;
    if (s_avx2Enabled) {
        BlitRowsFn avx2 = FindAvx2Blit(kind, op, bright, src, trans);
        if (avx2) return avx2;
    }
    if (kind == Xrgb8888) return FindVector8888<V128>(op, bright, src, trans);
    if (kind == Rgb565 && !bright) return FindVector565<V128>(op, src, trans);
    return nullptr;
}

// Filled rectangles in mode 1 (parameter 1..254): 565 channels move by
// trunc(p * (c - d) / 255), 8888 bytes by the same weights as the image mix.
int FillMixSimd(MEMIMG* image, int l, int t, int r, int b, uint32_t color, int param) {
    if (!s_simdEnabled) return 0;
    typedef V128::T T;
    if (image->PixelKind == Rgb565) {
        const T cr = V128::Set16((int)((color >> 11) & 31)), cg = V128::Set16((int)((color >> 5) & 63)),
                cb = V128::Set16((int)(color & 31)), p = V128::Set16(param), m6 = V128::Set16(63), m5 = V128::Set16(31);
        for (int y = t; y < b; y++) {
            uint16_t* row = (uint16_t*)(image->Pixels + (intptr_t)y * image->Pitch);
            int x = l;
            for (; x + 8 <= r; x += 8) {
                T dv = V128::Load(row + x);
                T rr = TowardTrunc<V128>(cr, V128::Srli16<11>(dv), p);
                T gg = TowardTrunc<V128>(cg, V128::And(V128::Srli16<5>(dv), m6), p);
                T bb = TowardTrunc<V128>(cb, V128::And(dv, m5), p);
                V128::Store(row + x, Join565<V128>(rr, gg, bb));
            }
            for (; x < r; x++) {
                int d = row[x], dr = d >> 11, dg = (d >> 5) & 63, db = d & 31;
                int r5 = (int)((color >> 11) & 31), g6 = (int)((color >> 5) & 63), b5 = (int)(color & 31);
                dr += param * (r5 - dr) / 255;
                dg += param * (g6 - dg) / 255;
                db += param * (b5 - db) / 255;
                row[x] = (uint16_t)((dr << 11) | (dg << 5) | db);
            }
        }
        return 1;
    }
    if (image->PixelKind == Xrgb8888) {
        const T cv = V128::Set32(color), zero = V128::Zero(), ws = V128::Set16x4(param, param, param, 0),
                wd = V128::Set16x4(256 - param, 256 - param, 256 - param, 256);
        const T cLo = V128::UnpackLo8(cv, zero), cHi = V128::UnpackHi8(cv, zero);
        for (int y = t; y < b; y++) {
            uint32_t* row = (uint32_t*)(image->Pixels + (intptr_t)y * image->Pitch);
            int x = l;
            for (; x + 4 <= r; x += 4) {
                T dv = V128::Load(row + x);
                T lo = Weigh<V128>(cLo, V128::UnpackLo8(dv, zero), ws, wd);
                T hi = Weigh<V128>(cHi, V128::UnpackHi8(dv, zero), ws, wd);
                V128::Store(row + x, V128::PackUs16(lo, hi));
            }
            for (; x < r; x++) {
                uint32_t d = row[x];
                int dr = (int)((d >> 16) & 255), dg = (int)((d >> 8) & 255), db = (int)(d & 255);
                int r8 = (int)((color >> 16) & 255), g8 = (int)((color >> 8) & 255), b8 = (int)(color & 255);
                dr += ((r8 - dr) * param) >> 8;
                dg += ((g8 - dg) * param) >> 8;
                db += ((b8 - db) * param) >> 8;
                row[x] = (d & 0xFF000000u) | (uint32_t)((dr << 16) | (dg << 8) | db);
            }
        }
        return 1;
    }
    return 0;
}

#else

BlitRowsFn FindSimdBlit(int kind, int op, int bright, int src, int trans) {
    if (s_simdEnabled && s_avx2Enabled) return FindAvx2Blit(kind, op, bright, src, trans);
    return nullptr;
}

int FillMixSimd(MEMIMG*, int, int, int, int, uint32_t, int) {
    return 0;
}

#endif
