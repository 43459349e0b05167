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

#include "runtime/graphics/blit_vector8888.h"

namespace {

inline __m128i Load(const void* p) {
    return _mm_loadu_si128((const __m128i*)p);
}
inline void Store(void* p, __m128i v) {
    _mm_storeu_si128((__m128i*)p, v);
}
// mask ? a : b
inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}
// Unsigned 16-bit a < b.
inline __m128i LessU16(__m128i a, __m128i b) {
    const __m128i flip = _mm_set1_epi16((short)0x8000);
    return _mm_cmplt_epi16(_mm_xor_si128(a, flip), _mm_xor_si128(b, flip));
}
inline __m128i Join565(__m128i r, __m128i g, __m128i b) {
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 11), _mm_slli_epi16(g, 5)), b);
}

// Runs body on groups of eight 565 pixels and the scalar rule on the rest.
template <int Op, int Src, bool Trans, typename Body>
inline void Rows565(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch, int w, int h, const BlendContext& c,
                    Body body) {
    const int srcBytes = Src == SrcAlpha ? 4 : 2;
    for (int y = 0; y < h; y++, dst += dstPitch, src += srcPitch) {
        uint16_t* d = (uint16_t*)dst;
        int x = 0;
        for (; x + 8 <= w; x += 8) body(d + x, src + x * srcBytes);
        for (; x < w; x++) BlendPixel<Rgb565, Op, false, Src, Trans>(dst, x, LoadSourcePixel<Rgb565, Src>(src, x), c);
    }
}

void Key565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m128i key = _mm_set1_epi16((short)c.key);
    Rows565<OpCopy, SrcPlain, true>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        __m128i sv = Load(s);
        Store(d, Select(_mm_cmpeq_epi16(sv, key), Load(d), sv));
    });
}

template <bool Trans>
void Half565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m128i key = _mm_set1_epi16((short)c.key), m = _mm_set1_epi16(0x7BEF);
    Rows565<OpHalf, SrcPlain, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        __m128i sv = Load(s), dv = Load(d);
        __m128i out = _mm_add_epi16(_mm_and_si128(_mm_srli_epi16(sv, 1), m), _mm_and_si128(_mm_srli_epi16(dv, 1), m));
        if (Trans) out = Select(_mm_cmpeq_epi16(sv, key), dv, out);
        Store(d, out);
    });
}

// (a * s + (63 - a) * d) / 63 as ((t + 1) * 1040) >> 16, exact for t <= 63 * 63.
inline __m128i Mix63(__m128i s, __m128i d, __m128i a, __m128i na) {
    const __m128i one = _mm_set1_epi16(1), k = _mm_set1_epi16(1040);
    __m128i t = _mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, na));
    return _mm_mulhi_epu16(_mm_add_epi16(t, one), k);
}

template <bool Trans>
void Mix565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const int level = c.param >> 2;
    const __m128i key = _mm_set1_epi16((short)c.key), a = _mm_set1_epi16((short)level),
                  na = _mm_set1_epi16((short)(63 - level)), m6 = _mm_set1_epi16(63), m5 = _mm_set1_epi16(31);
    Rows565<OpMix, SrcPlain, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        __m128i sv = Load(s), dv = Load(d);
        __m128i r = Mix63(_mm_srli_epi16(sv, 11), _mm_srli_epi16(dv, 11), a, na);
        __m128i g = Mix63(_mm_and_si128(_mm_srli_epi16(sv, 5), m6), _mm_and_si128(_mm_srli_epi16(dv, 5), m6), a, na);
        __m128i b = Mix63(_mm_and_si128(sv, m5), _mm_and_si128(dv, m5), a, na);
        __m128i out = Join565(r, g, b);
        if (Trans) out = Select(_mm_cmpeq_epi16(sv, key), dv, out);
        Store(d, out);
    });
}

// d + (((s - d) * a) >> 8) on one channel.
inline __m128i Toward(__m128i s, __m128i d, __m128i a) {
    return _mm_add_epi16(d, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(s, d), a), 8));
}

template <bool Trans>
void Alpha565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m128i m6 = _mm_set1_epi16(63), m5 = _mm_set1_epi16(31), lowByte = _mm_set1_epi32(0xFF),
                  full = _mm_set1_epi16(255);
    Rows565<OpCopy, SrcAlpha, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        __m128i lo = Load(s), hi = Load(s + 16);
        // Low halves sign-extended pack exactly; alphas are 0..255.
        __m128i sv =
            _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 16), 16), _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16));
        __m128i a = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 16), lowByte),
                                    _mm_and_si128(_mm_srli_epi32(hi, 16), lowByte));
        __m128i dv = Load(d);
        __m128i r = Toward(_mm_srli_epi16(sv, 11), _mm_srli_epi16(dv, 11), a);
        __m128i g = Toward(_mm_and_si128(_mm_srli_epi16(sv, 5), m6), _mm_and_si128(_mm_srli_epi16(dv, 5), m6), a);
        __m128i b = Toward(_mm_and_si128(sv, m5), _mm_and_si128(dv, m5), a);
        __m128i out = Join565(r, g, b);
        if (Trans) out = Select(_mm_cmpeq_epi16(a, full), sv, out);
        Store(d, out);
    });
}

template <bool Trans>
void Add565x(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m128i key = _mm_set1_epi16((short)c.key), keep = _mm_set1_epi16((short)0xF7DF),
                  carries = _mm_set1_epi16(0x0820), red = _mm_set1_epi16((short)0xF800);
    Rows565<OpAdd255, SrcPlain, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        __m128i sv = Load(s), dv = Load(d);
        __m128i a = _mm_and_si128(sv, keep);
        __m128i sum = _mm_add_epi16(a, _mm_and_si128(dv, keep));
        __m128i redCarry = _mm_and_si128(LessU16(sum, a), red);
        __m128i cc = _mm_and_si128(sum, carries);
        __m128i out = _mm_or_si128(_mm_or_si128(sum, _mm_sub_epi16(cc, _mm_srli_epi16(cc, 5))), redCarry);
        if (Trans) out = Select(_mm_cmpeq_epi16(sv, key), dv, out);
        Store(d, out);
    });
}

template <bool Trans>
void Sub565x(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m128i key = _mm_set1_epi16((short)c.key), keep = _mm_set1_epi16((short)0xF7DF),
                  carries = _mm_set1_epi16(0x0820), red = _mm_set1_epi16((short)0xF800);
    Rows565<OpSub255, SrcPlain, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        __m128i sv = Load(s), dv = Load(d);
        __m128i x = _mm_or_si128(dv, carries), y = _mm_and_si128(sv, keep);
        __m128i diff = _mm_sub_epi16(x, y);
        __m128i noBorrow = _mm_andnot_si128(LessU16(x, y), red);
        __m128i cc = _mm_and_si128(diff, carries);
        __m128i out = _mm_and_si128(diff, _mm_or_si128(noBorrow, _mm_sub_epi16(cc, _mm_srli_epi16(cc, 5))));
        if (Trans) out = Select(_mm_cmpeq_epi16(sv, key), dv, out);
        Store(d, out);
    });
}

// Modes 2 and 3 below 255: each channel through ProductTable[p], computed as
// ((c * p + 1) * 257) >> 16 (exact for c * p <= 65024), then the saturating
// add with the low-bit restore, or the subtract.
template <bool Add, bool Trans>
void Scaled565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m128i key = _mm_set1_epi16((short)c.key), keep = _mm_set1_epi16((short)0xF7DF),
                  carries = _mm_set1_epi16(0x0820), red = _mm_set1_epi16((short)0xF800),
                  p = _mm_set1_epi16((short)c.param), one = _mm_set1_epi16(1), k = _mm_set1_epi16(257),
                  m6 = _mm_set1_epi16(63), m5 = _mm_set1_epi16(31);
    auto scale = [&](__m128i v) { return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(v, p), one), k); };
    Rows565<Add ? OpAdd : OpSub, SrcPlain, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        __m128i sv = Load(s), dv = Load(d);
        __m128i s2 = Join565(scale(_mm_srli_epi16(sv, 11)), scale(_mm_and_si128(_mm_srli_epi16(sv, 5), m6)),
                             scale(_mm_and_si128(sv, m5)));
        __m128i out;
        if (Add) {
            __m128i a = _mm_and_si128(s2, keep);
            __m128i sum = _mm_add_epi16(a, _mm_and_si128(dv, keep));
            __m128i redCarry = _mm_and_si128(LessU16(sum, a), red);
            __m128i cc = _mm_and_si128(sum, carries);
            out = _mm_or_si128(_mm_or_si128(sum, _mm_sub_epi16(cc, _mm_srli_epi16(cc, 5))), redCarry);
            out = _mm_or_si128(out, _mm_and_si128(_mm_or_si128(dv, s2), carries));
        } else {
            __m128i x = _mm_or_si128(dv, carries), y = _mm_and_si128(s2, keep);
            __m128i diff = _mm_sub_epi16(x, y);
            __m128i noBorrow = _mm_andnot_si128(LessU16(x, y), red);
            __m128i cc = _mm_and_si128(diff, carries);
            out = _mm_and_si128(diff, _mm_or_si128(noBorrow, _mm_sub_epi16(cc, _mm_srli_epi16(cc, 5))));
        }
        if (Trans) out = Select(_mm_cmpeq_epi16(sv, key), dv, out);
        Store(d, out);
    });
}

// (d * (256 - p) + s * p) >> 8 per byte; the top byte's weights (256, 0) keep it.
inline __m128i MixBytes(__m128i s, __m128i d, __m128i ws, __m128i wd) {
    const __m128i zero = _mm_setzero_si128();
    __m128i lo =
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), ws), _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), wd));
    __m128i hi =
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), ws), _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), wd));
    return _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8));
}

// SSE2 as the vector type of the shared 8888 rules.
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
    static T UnpackLo8(T a, T b) { return _mm_unpacklo_epi8(a, b); }
    static T UnpackHi8(T a, T b) { return _mm_unpackhi_epi8(a, b); }
    static T PackUs16(T a, T b) { return _mm_packus_epi16(a, b); }
    // The fourth 16-bit lane of each pixel (its top byte) in all four.
    static T BroadcastTop16(T a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF); }
};

} // namespace

BlitRowsFn FindSimdBlit(int kind, int op, int bright, int src, int trans) {
    if (!s_simdEnabled) return nullptr;
    if (s_avx2Enabled) {
        BlitRowsFn avx2 = FindAvx2Blit(kind, op, bright, src, trans);
        if (avx2) return avx2;
    }
    if (kind == Xrgb8888) return FindVector8888<V128>(op, bright, src, trans);
    if (bright) return nullptr;
    if (kind == Rgb565 && src == SrcPlain) {
        switch (op) {
            case OpCopy:
                return trans ? Key565 : nullptr;
            case OpHalf:
                return trans ? Half565<true> : Half565<false>;
            case OpMix:
                return trans ? Mix565<true> : Mix565<false>;
            case OpAdd255:
                return trans ? Add565x<true> : Add565x<false>;
            case OpSub255:
                return trans ? Sub565x<true> : Sub565x<false>;
            case OpAdd:
                return trans ? Scaled565<true, true> : Scaled565<true, false>;
            case OpSub:
                return trans ? Scaled565<false, true> : Scaled565<false, false>;
            default:
                return nullptr;
        }
    }
    if (kind == Rgb565 && src == SrcAlpha && op == OpCopy) return trans ? Alpha565<true> : Alpha565<false>;
    return nullptr;
}

// Filled rectangles in mode 1 (parameter 1..254): 565 channels move by
// trunc(p * (c - d) / 255), 8888 bytes by the same weights as the image mix.
int FillMixSimd(MEMIMG* image, int l, int t, int r, int b, uint32_t color, int param) {
    if (!s_simdEnabled) return 0;
    if (image->PixelKind == Rgb565) {
        const __m128i cr = _mm_set1_epi16((short)((color >> 11) & 31)), cg = _mm_set1_epi16((short)((color >> 5) & 63)),
                      cb = _mm_set1_epi16((short)(color & 31)), p = _mm_set1_epi16((short)param),
                      one = _mm_set1_epi16(1), k = _mm_set1_epi16(257), m6 = _mm_set1_epi16(63),
                      m5 = _mm_set1_epi16(31);
        auto move = [&](__m128i c, __m128i d) {
            __m128i x = _mm_mullo_epi16(_mm_sub_epi16(c, d), p); // |x| <= 63 * 255
            __m128i sign = _mm_srai_epi16(x, 15);
            __m128i ax = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
            __m128i q = _mm_mulhi_epu16(_mm_add_epi16(ax, one), k); // floor(|x| / 255)
            return _mm_add_epi16(d, _mm_sub_epi16(_mm_xor_si128(q, sign), sign));
        };
        for (int y = t; y < b; y++) {
            uint16_t* row = (uint16_t*)(image->Pixels + (intptr_t)y * image->Pitch);
            int x = l;
            for (; x + 8 <= r; x += 8) {
                __m128i dv = Load(row + x);
                __m128i rr = move(cr, _mm_srli_epi16(dv, 11));
                __m128i gg = move(cg, _mm_and_si128(_mm_srli_epi16(dv, 5), m6));
                __m128i bb = move(cb, _mm_and_si128(dv, m5));
                Store(row + x, Join565(rr, gg, bb));
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
        const short p = (short)param, q = (short)(256 - param);
        const __m128i cv = _mm_set1_epi32((int)color), ws = _mm_setr_epi16(p, p, p, 0, p, p, p, 0),
                      wd = _mm_setr_epi16(q, q, q, 256, q, q, q, 256);
        for (int y = t; y < b; y++) {
            uint32_t* row = (uint32_t*)(image->Pixels + (intptr_t)y * image->Pitch);
            int x = l;
            for (; x + 4 <= r; x += 4) Store(row + x, MixBytes(cv, Load(row + x), ws, wd));
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
