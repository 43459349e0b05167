// AVX2 forms of the busiest blit loops (sixteen 565 or eight 8888 pixels a step),
// chosen at run time when the processor has AVX2; bit-identical to the SSE2 and
// scalar loops, which handle the row tails.
#include "runtime/graphics/blit_simd.h"

#include "runtime/graphics/color_format.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#include <stddef.h>

#include <array>
#include <utility>

#include "runtime/graphics/blit_pixel.h"

#define AVX2 __attribute__((target("avx2")))

namespace {

AVX2 inline __m256i Load(const void* p) {
    return _mm256_loadu_si256((const __m256i*)p);
}
AVX2 inline void Store(void* p, __m256i v) {
    _mm256_storeu_si256((__m256i*)p, v);
}
AVX2 inline __m256i Select(__m256i mask, __m256i a, __m256i b) {
    return _mm256_blendv_epi8(b, a, mask);
}
AVX2 inline __m256i LessU16(__m256i a, __m256i b) {
    // a < b unsigned  <=>  max(a, b) != a
    return _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_max_epu16(a, b), a), _mm256_set1_epi16(-1));
}
AVX2 inline __m256i Join565(__m256i r, __m256i g, __m256i b) {
    return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(r, 11), _mm256_slli_epi16(g, 5)), b);
}

template <int Op, bool Trans>
inline void Tail565(uint8_t* dst, const uint8_t* src, int x, int w, const BlendContext& c) {
    for (; x < w; x++)
        BlendPixel<Rgb565, Op, false, SrcPlain, Trans>(dst, x, LoadSourcePixel<Rgb565, SrcPlain>(src, x), c);
}
AVX2 void Key565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m256i key = _mm256_set1_epi16((short)c.key);
    for (int y = 0; y < h; y++, dst += dp, src += sp) {
        uint16_t* d = (uint16_t*)dst;
        const uint16_t* s = (const uint16_t*)src;
        int x = 0;
        for (; x + 16 <= w; x += 16) {
            __m256i sv = Load(s + x);
            Store(d + x, Select(_mm256_cmpeq_epi16(sv, key), Load(d + x), sv));
        }
        Tail565<OpCopy, true>(dst, src, x, w, c);
    }
}

template <bool Trans>
AVX2 void Half565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m256i key = _mm256_set1_epi16((short)c.key), m = _mm256_set1_epi16(0x7BEF);
    for (int y = 0; y < h; y++, dst += dp, src += sp) {
        uint16_t* d = (uint16_t*)dst;
        const uint16_t* s = (const uint16_t*)src;
        int x = 0;
        for (; x + 16 <= w; x += 16) {
            __m256i sv = Load(s + x), dv = Load(d + x);
            __m256i out = _mm256_add_epi16(_mm256_and_si256(_mm256_srli_epi16(sv, 1), m),
                                           _mm256_and_si256(_mm256_srli_epi16(dv, 1), m));
            if (Trans) out = Select(_mm256_cmpeq_epi16(sv, key), dv, out);
            Store(d + x, out);
        }
        Tail565<OpHalf, Trans>(dst, src, x, w, c);
    }
}

AVX2 inline __m256i Mix63(__m256i s, __m256i d, __m256i a, __m256i na) {
    __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, na));
    return _mm256_mulhi_epu16(_mm256_add_epi16(t, _mm256_set1_epi16(1)), _mm256_set1_epi16(1040));
}

template <bool Trans>
AVX2 void Mix565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const int level = c.param >> 2;
    const __m256i key = _mm256_set1_epi16((short)c.key), a = _mm256_set1_epi16((short)level),
                  na = _mm256_set1_epi16((short)(63 - level)), m6 = _mm256_set1_epi16(63), m5 = _mm256_set1_epi16(31);
    for (int y = 0; y < h; y++, dst += dp, src += sp) {
        uint16_t* d = (uint16_t*)dst;
        const uint16_t* s = (const uint16_t*)src;
        int x = 0;
        for (; x + 16 <= w; x += 16) {
            __m256i sv = Load(s + x), dv = Load(d + x);
            __m256i r = Mix63(_mm256_srli_epi16(sv, 11), _mm256_srli_epi16(dv, 11), a, na);
            __m256i g = Mix63(_mm256_and_si256(_mm256_srli_epi16(sv, 5), m6),
                              _mm256_and_si256(_mm256_srli_epi16(dv, 5), m6), a, na);
            __m256i b = Mix63(_mm256_and_si256(sv, m5), _mm256_and_si256(dv, m5), a, na);
            __m256i out = Join565(r, g, b);
            if (Trans) out = Select(_mm256_cmpeq_epi16(sv, key), dv, out);
            Store(d + x, out);
        }
        Tail565<OpMix, Trans>(dst, src, x, w, c);
    }
}

// ((s - d) * a) >> 8 on one channel: how far it moves.
AVX2 inline __m256i Move(__m256i s, __m256i d, __m256i a) {
    return _mm256_srai_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(s, d), a), 8);
}

// Alpha sources on 565: each pixel a 32-bit word, alpha in bits 16..23.
template <bool Trans>
AVX2 void Alpha565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m256i m6 = _mm256_set1_epi16(63), m5 = _mm256_set1_epi16(31), full = _mm256_set1_epi16(255);
    const __m256i split = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, -1, 6, -1, 10, -1, 14, -1, 0, 1, 4, 5, 8, 9, 12,
                                           13, 2, -1, 6, -1, 10, -1, 14, -1);
    for (int y = 0; y < h; y++, dst += dp, src += sp) {
        uint16_t* d = (uint16_t*)dst;
        const uint32_t* s = (const uint32_t*)src;
        int x = 0;
        for (; x + 16 <= w; x += 16) {
            // Each 128-bit half gathers its four colours, then its four alphas; the
            // pixels come out as 0-3, 8-11, 4-7, 12-15, so the destination is read
            // and written through the same 64-bit shuffle.
            __m256i lo = _mm256_shuffle_epi8(Load(s + x), split), hi = _mm256_shuffle_epi8(Load(s + x + 8), split);
            __m256i sv = _mm256_unpacklo_epi64(lo, hi), a = _mm256_unpackhi_epi64(lo, hi);
            __m256i dv = _mm256_permute4x64_epi64(Load(d + x), 0xD8);
            // Each channel stays in its field, so the three moves add to the packed pixel.
            __m256i r = Move(_mm256_srli_epi16(sv, 11), _mm256_srli_epi16(dv, 11), a);
            __m256i g =
                Move(_mm256_and_si256(_mm256_srli_epi16(sv, 5), m6), _mm256_and_si256(_mm256_srli_epi16(dv, 5), m6), a);
            __m256i b = Move(_mm256_and_si256(sv, m5), _mm256_and_si256(dv, m5), a);
            __m256i out = _mm256_add_epi16(_mm256_add_epi16(dv, b),
                                           _mm256_add_epi16(_mm256_slli_epi16(r, 11), _mm256_slli_epi16(g, 5)));
            if (Trans) out = Select(_mm256_cmpeq_epi16(a, full), sv, out);
            Store(d + x, _mm256_permute4x64_epi64(out, 0xD8));
        }
        for (; x < w; x++) BlendPixel<Rgb565, OpCopy, false, SrcAlpha, Trans>(dst, x, s[x], c);
    }
}

template <bool Trans>
AVX2 void Add565x(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m256i key = _mm256_set1_epi16((short)c.key), keep = _mm256_set1_epi16((short)0xF7DF),
                  carries = _mm256_set1_epi16(0x0820), red = _mm256_set1_epi16((short)0xF800);
    for (int y = 0; y < h; y++, dst += dp, src += sp) {
        uint16_t* d = (uint16_t*)dst;
        const uint16_t* s = (const uint16_t*)src;
        int x = 0;
        for (; x + 16 <= w; x += 16) {
            __m256i sv = Load(s + x), dv = Load(d + x);
            __m256i a = _mm256_and_si256(sv, keep);
            __m256i sum = _mm256_add_epi16(a, _mm256_and_si256(dv, keep));
            __m256i redCarry = _mm256_and_si256(LessU16(sum, a), red);
            __m256i cc = _mm256_and_si256(sum, carries);
            __m256i out =
                _mm256_or_si256(_mm256_or_si256(sum, _mm256_sub_epi16(cc, _mm256_srli_epi16(cc, 5))), redCarry);
            if (Trans) out = Select(_mm256_cmpeq_epi16(sv, key), dv, out);
            Store(d + x, out);
        }
        Tail565<OpAdd255, Trans>(dst, src, x, w, c);
    }
}

template <bool Trans>
AVX2 void Sub565x(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const __m256i key = _mm256_set1_epi16((short)c.key), keep = _mm256_set1_epi16((short)0xF7DF),
                  carries = _mm256_set1_epi16(0x0820), red = _mm256_set1_epi16((short)0xF800);
    for (int y = 0; y < h; y++, dst += dp, src += sp) {
        uint16_t* d = (uint16_t*)dst;
        const uint16_t* s = (const uint16_t*)src;
        int x = 0;
        for (; x + 16 <= w; x += 16) {
            __m256i sv = Load(s + x), dv = Load(d + x);
            __m256i xv = _mm256_or_si256(dv, carries), yv = _mm256_and_si256(sv, keep);
            __m256i diff = _mm256_sub_epi16(xv, yv);
            __m256i noBorrow = _mm256_andnot_si256(LessU16(xv, yv), red);
            __m256i cc = _mm256_and_si256(diff, carries);
            __m256i out =
                _mm256_and_si256(diff, _mm256_or_si256(noBorrow, _mm256_sub_epi16(cc, _mm256_srli_epi16(cc, 5))));
            if (Trans) out = Select(_mm256_cmpeq_epi16(sv, key), dv, out);
            Store(d + x, out);
        }
        Tail565<OpSub255, Trans>(dst, src, x, w, c);
    }
}

} // namespace

// AVX2 as the vector type of the shared 8888 rules. Everything defined from here
// to the pop, the rules' templates included, is compiled for AVX2 only; the
// headers they use were included above, so no shared inline code changes target.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace {

struct V256 {
    typedef __m256i T;
    static constexpr int N = 8;
    static T Load(const void* p) { return _mm256_loadu_si256((const __m256i*)p); }
    static void Store(void* p, T v) { _mm256_storeu_si256((__m256i*)p, v); }
    static T Zero() { return _mm256_setzero_si256(); }
    static T Set32(uint32_t v) { return _mm256_set1_epi32((int)v); }
    static T Set16(int v) { return _mm256_set1_epi16((short)v); }
    static T Set16x4(int a, int b, int c, int d) {
        return _mm256_setr_epi16((short)a, (short)b, (short)c, (short)d, (short)a, (short)b, (short)c, (short)d,
                                 (short)a, (short)b, (short)c, (short)d, (short)a, (short)b, (short)c, (short)d);
    }
    static T And(T a, T b) { return _mm256_and_si256(a, b); }
    static T AndNot(T a, T b) { return _mm256_andnot_si256(a, b); }
    static T Or(T a, T b) { return _mm256_or_si256(a, b); }
    static T Xor(T a, T b) { return _mm256_xor_si256(a, b); }
    static T Select(T mask, T a, T b) { return _mm256_blendv_epi8(b, a, mask); }
    static T Add16(T a, T b) { return _mm256_add_epi16(a, b); }
    static T Sub16(T a, T b) { return _mm256_sub_epi16(a, b); }
    static T Add32(T a, T b) { return _mm256_add_epi32(a, b); }
    static T Sub32(T a, T b) { return _mm256_sub_epi32(a, b); }
    static T AddsU8(T a, T b) { return _mm256_adds_epu8(a, b); }
    static T SubsU8(T a, T b) { return _mm256_subs_epu8(a, b); }
    static T Mullo16(T a, T b) { return _mm256_mullo_epi16(a, b); }
    static T MulhiU16(T a, T b) { return _mm256_mulhi_epu16(a, b); }
    static T MulhiS16(T a, T b) { return _mm256_mulhi_epi16(a, b); }
    template <int n>
    static T Srli16(T a) {
        return _mm256_srli_epi16(a, n);
    }
    template <int n>
    static T Srai16(T a) {
        return _mm256_srai_epi16(a, n);
    }
    template <int n>
    static T Srli32(T a) {
        return _mm256_srli_epi32(a, n);
    }
    static T CmpEq16(T a, T b) { return _mm256_cmpeq_epi16(a, b); }
    static T CmpEq32(T a, T b) { return _mm256_cmpeq_epi32(a, b); }
    // Unpacks and packs work within each 128-bit half; paired, they keep pixel order.
    static T UnpackLo8(T a, T b) { return _mm256_unpacklo_epi8(a, b); }
    static T UnpackHi8(T a, T b) { return _mm256_unpackhi_epi8(a, b); }
    static T PackUs16(T a, T b) { return _mm256_packus_epi16(a, b); }
    static T BroadcastTop16(T a) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xFF), 0xFF); }
};

} // namespace

#include "runtime/graphics/blit_vector8888.h"

static BlitRowsFn FindAvx2Vector8888(int op, int bright, int src, int trans) {
    return FindVector8888<V256>(op, bright, src, trans);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

BlitRowsFn FindAvx2Blit(int kind, int op, int bright, int src, int trans) {
    static const int available = __builtin_cpu_supports("avx2") ? 1 : 0;
    if (!available) return nullptr;
    if (kind == Xrgb8888) return FindAvx2Vector8888(op, bright, src, trans);
    if (bright) return nullptr;
    if (kind == Rgb565 && src == SrcAlpha && op == OpCopy) return trans ? Alpha565<true> : Alpha565<false>;
    if (src != SrcPlain) return nullptr;
    if (kind == Rgb565) {
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
            default:
                return nullptr;
        }
    }
    return nullptr;
}

#else

BlitRowsFn FindAvx2Blit(int, int, int, int, int) {
    return nullptr;
}

#endif
