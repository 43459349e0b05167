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

// AVX2 as the vector type of the shared 565 and 8888 rules. Everything defined
// from here to the pop, the rules' templates included, is compiled for AVX2 only; the
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
    static T Slli16(T a) {
        return _mm256_slli_epi16(a, n);
    }
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
    // a < b unsigned  <=>  max(a, b) != a
    static T LessU16(T a, T b) {
        return _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_max_epu16(a, b), a), _mm256_set1_epi16(-1));
    }
    // Each 128-bit half gathers its four colours, then its four alphas: the pixels
    // come out as 0-3, 8-11, 4-7, 12-15, the order PixelOrder565 gives the destination.
    static void SplitAlpha565(const uint8_t* s, T* colour, T* alpha) {
        const T split = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, -1, 6, -1, 10, -1, 14, -1, 0, 1, 4, 5, 8, 9, 12,
                                         13, 2, -1, 6, -1, 10, -1, 14, -1);
        T lo = _mm256_shuffle_epi8(Load(s), split), hi = _mm256_shuffle_epi8(Load(s + 32), split);
        *colour = _mm256_unpacklo_epi64(lo, hi);
        *alpha = _mm256_unpackhi_epi64(lo, hi);
    }
    static T PixelOrder565(T a) { return _mm256_permute4x64_epi64(a, 0xD8); }
    // Unpacks and packs work within each 128-bit half; paired, they keep pixel order.
    static T UnpackLo8(T a, T b) { return _mm256_unpacklo_epi8(a, b); }
    static T UnpackHi8(T a, T b) { return _mm256_unpackhi_epi8(a, b); }
    static T PackUs16(T a, T b) { return _mm256_packus_epi16(a, b); }
    static T BroadcastTop16(T a) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xFF), 0xFF); }
};

} // namespace

#include "runtime/graphics/blit_vector565.h"
#include "runtime/graphics/blit_vector8888.h"

static BlitRowsFn FindAvx2Vector(int kind, int op, int bright, int src, int trans) {
    if (kind == Xrgb8888) return FindVector8888<V256>(op, bright, src, trans);
    if (kind == Rgb565 && !bright) return FindVector565<V256>(op, src, trans);
    return nullptr;
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

BlitRowsFn FindAvx2Blit(int kind, int op, int bright, int src, int trans) {
    static const int available = __builtin_cpu_supports("avx2") ? 1 : 0;
    if (!available) return nullptr;
    return FindAvx2Vector(kind, op, bright, src, trans);
}

#else

BlitRowsFn FindAvx2Blit(int, int, int, int, int) {
    return nullptr;
}

#endif
