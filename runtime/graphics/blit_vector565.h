// The 565 blend rules on whole vectors of pixels, written once over a vector type V
// (eight pixels for SSE2, sixteen for AVX2) and included by each of those files, as
// the 8888 rules are; every loop is bit-identical to BlendPixel, which does the row
// tails. Besides the 8888 rules' operations, V gives Slli16, LessU16 (unsigned) and
// SplitAlpha565 (colours and alphas of 2N alpha-source pixels in the order that
// PixelOrder565 puts the destination in; PixelOrder565 is its own inverse).
#pragma once

#include <stdint.h>

#include "runtime/graphics/blit_pixel.h"
#include "runtime/graphics/blit_simd.h"

template <class V>
inline typename V::T Join565(typename V::T r, typename V::T g, typename V::T b) {
    return V::Or(V::Or(V::template Slli16<11>(r), V::template Slli16<5>(g)), b);
}

// Runs body on each vector of 565 pixels and the scalar rule on the rest.
template <class V, int Op, int Src, bool Trans, typename Body>
inline void Rows565(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch, int w, int h, const BlendContext& c,
                    Body body) {
    constexpr int n = V::N * 2, srcBytes = Src == SrcAlpha ? 4 : 2;
    for (int y = 0; y < h; y++, dst += dstPitch, src += srcPitch) {
        uint16_t* d = (uint16_t*)dst;
        int x = 0;
        for (; x + n <= w; x += n) body(d + x, src + x * srcBytes);
        for (; x < w; x++) BlendPixel<Rgb565, Op, false, Src, Trans>(dst, x, LoadSourcePixel<Rgb565, Src>(src, x), c);
    }
}

// Keyed pixels keep the destination.
template <class V, bool Trans>
inline typename V::T Keyed565(typename V::T out, typename V::T s, typename V::T d, typename V::T key) {
    return Trans ? V::Select(V::CmpEq16(s, key), d, out) : out;
}

template <class V>
void Key565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const typename V::T key = V::Set16(c.key);
    Rows565<V, OpCopy, SrcPlain, true>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        typename V::T sv = V::Load(s);
        V::Store(d, V::Select(V::CmpEq16(sv, key), V::Load(d), sv));
    });
}

template <class V, bool Trans>
void Half565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const typename V::T key = V::Set16(c.key), m = V::Set16(0x7BEF);
    Rows565<V, OpHalf, SrcPlain, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        typename V::T sv = V::Load(s), dv = V::Load(d);
        typename V::T out = V::Add16(V::And(V::template Srli16<1>(sv), m), V::And(V::template Srli16<1>(dv), m));
        V::Store(d, Keyed565<V, Trans>(out, sv, dv, key));
    });
}

// (a * s + (63 - a) * d) / 63 as ((t + 1) * 1040) >> 16, exact for t <= 63 * 63.
template <class V>
inline typename V::T Mix63(typename V::T s, typename V::T d, typename V::T a, typename V::T na) {
    typename V::T t = V::Add16(V::Mullo16(s, a), V::Mullo16(d, na));
    return V::MulhiU16(V::Add16(t, V::Set16(1)), V::Set16(1040));
}

template <class V, bool Trans>
void Mix565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    typedef typename V::T T;
    const int level = c.param >> 2;
    const T key = V::Set16(c.key), a = V::Set16(level), na = V::Set16(63 - level), m6 = V::Set16(63), m5 = V::Set16(31);
    Rows565<V, OpMix, SrcPlain, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        T sv = V::Load(s), dv = V::Load(d);
        T r = Mix63<V>(V::template Srli16<11>(sv), V::template Srli16<11>(dv), a, na);
        T g = Mix63<V>(V::And(V::template Srli16<5>(sv), m6), V::And(V::template Srli16<5>(dv), m6), a, na);
        T b = Mix63<V>(V::And(sv, m5), V::And(dv, m5), a, na);
        V::Store(d, Keyed565<V, Trans>(Join565<V>(r, g, b), sv, dv, key));
    });
}

// ((s - d) * a) >> 8 on one channel: how far it moves.
template <class V>
inline typename V::T Move565(typename V::T s, typename V::T d, typename V::T a) {
    return V::template Srai16<8>(V::Mullo16(V::Sub16(s, d), a));
}

// Alpha sources: each pixel a 32-bit word, alpha in bits 16..23.
template <class V, bool Trans>
void Alpha565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    typedef typename V::T T;
    const T m6 = V::Set16(63), m5 = V::Set16(31), full = V::Set16(255);
    Rows565<V, OpCopy, SrcAlpha, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        T sv, a;
        V::SplitAlpha565(s, &sv, &a);
        T dv = V::PixelOrder565(V::Load(d));
        // Each channel stays in its field, so the three moves add to the packed pixel.
        T r = Move565<V>(V::template Srli16<11>(sv), V::template Srli16<11>(dv), a);
        T g = Move565<V>(V::And(V::template Srli16<5>(sv), m6), V::And(V::template Srli16<5>(dv), m6), a);
        T b = Move565<V>(V::And(sv, m5), V::And(dv, m5), a);
        T out = V::Add16(V::Add16(dv, b), V::Add16(V::template Slli16<11>(r), V::template Slli16<5>(g)));
        if (Trans) out = V::Select(V::CmpEq16(a, full), sv, out);
        V::Store(d, V::PixelOrder565(out));
    });
}

// The saturating add and subtract of whole 565 pixels, as Add565 and Sub565.
template <class V>
inline typename V::T AddCarry565(typename V::T s, typename V::T d) {
    const typename V::T keep = V::Set16(0xF7DF), carries = V::Set16(0x0820), red = V::Set16(0xF800);
    typename V::T a = V::And(s, keep);
    typename V::T sum = V::Add16(a, V::And(d, keep));
    typename V::T redCarry = V::And(V::LessU16(sum, a), red);
    typename V::T cc = V::And(sum, carries);
    return V::Or(V::Or(sum, V::Sub16(cc, V::template Srli16<5>(cc))), redCarry);
}
template <class V>
inline typename V::T SubBorrow565(typename V::T d, typename V::T s) {
    const typename V::T keep = V::Set16(0xF7DF), carries = V::Set16(0x0820), red = V::Set16(0xF800);
    typename V::T x = V::Or(d, carries), y = V::And(s, keep);
    typename V::T diff = V::Sub16(x, y);
    typename V::T noBorrow = V::AndNot(V::LessU16(x, y), red);
    typename V::T cc = V::And(diff, carries);
    return V::And(diff, V::Or(noBorrow, V::Sub16(cc, V::template Srli16<5>(cc))));
}

template <class V, bool Add, bool Trans>
void AddSub565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    const typename V::T key = V::Set16(c.key);
    Rows565<V, Add ? OpAdd255 : OpSub255, SrcPlain, Trans>(
        dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
            typename V::T sv = V::Load(s), dv = V::Load(d);
            typename V::T out = Add ? AddCarry565<V>(sv, dv) : SubBorrow565<V>(dv, sv);
            V::Store(d, Keyed565<V, Trans>(out, sv, dv, key));
        });
}

// Modes 2 and 3 below 255: each channel through ProductTable[p], computed as
// ((c * p + 1) * 257) >> 16 (exact for c * p <= 65024), then the saturating add with
// the low-bit restore, or the subtract.
template <class V, bool Add, bool Trans>
void Scaled565(uint8_t* dst, int dp, const uint8_t* src, int sp, int w, int h, const BlendContext& c) {
    typedef typename V::T T;
    const T key = V::Set16(c.key), carries = V::Set16(0x0820), p = V::Set16(c.param), one = V::Set16(1),
            k = V::Set16(257), m6 = V::Set16(63), m5 = V::Set16(31);
    auto scale = [&](T v) { return V::MulhiU16(V::Add16(V::Mullo16(v, p), one), k); };
    Rows565<V, Add ? OpAdd : OpSub, SrcPlain, Trans>(dst, dp, src, sp, w, h, c, [&](uint16_t* d, const uint8_t* s) {
        T sv = V::Load(s), dv = V::Load(d);
        T s2 = Join565<V>(scale(V::template Srli16<11>(sv)), scale(V::And(V::template Srli16<5>(sv), m6)),
                          scale(V::And(sv, m5)));
        T out = Add ? V::Or(AddCarry565<V>(s2, dv), V::And(V::Or(dv, s2), carries)) : SubBorrow565<V>(dv, s2);
        V::Store(d, Keyed565<V, Trans>(out, sv, dv, key));
    });
}

// The loop for one 565 combination without bright, or null.
template <class V>
BlitRowsFn FindVector565(int op, int src, int trans) {
    if (src == SrcAlpha) return op == OpCopy ? (trans ? Alpha565<V, true> : Alpha565<V, false>) : nullptr;
    if (src != SrcPlain) return nullptr;
    switch (op) {
        case OpCopy:
            return trans ? Key565<V> : nullptr;
        case OpHalf:
            return trans ? Half565<V, true> : Half565<V, false>;
        case OpMix:
            return trans ? Mix565<V, true> : Mix565<V, false>;
        case OpAdd255:
            return trans ? AddSub565<V, true, true> : AddSub565<V, true, false>;
        case OpSub255:
            return trans ? AddSub565<V, false, true> : AddSub565<V, false, false>;
        case OpAdd:
            return trans ? Scaled565<V, true, true> : Scaled565<V, true, false>;
        case OpSub:
            return trans ? Scaled565<V, false, true> : Scaled565<V, false, false>;
        default:
            return nullptr;
    }
}
