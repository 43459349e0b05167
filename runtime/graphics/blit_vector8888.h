// The 8888 blend rules on whole vectors of pixels, written once over a vector
// type V (four pixels for SSE2, eight for AVX2) and included by each of those
// files; every loop is bit-identical to BlendPixel8888, which does the row tails.
// Everything here is a template on V, so each file's copy is its own.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <utility>

#include "runtime/graphics/blit_pixel.h"

typedef void (*BlitRowsFn)(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch, int w, int h,
                           const BlendContext& c);

// Per-call constants, set up once before the rows.
template <class V>
struct Consts8888 {
    typename V::T key;    // transparent value
    typename V::T top;    // 0xFF000000 in every pixel
    typename V::T bright; // 16-bit weights (b, g, r, 255): the bright rows, top byte kept
    typename V::T paramW; // (p, p, p, 0): ProductTable[p], top byte cleared
    typename V::T mixS;   // (p, p, p, 0)   mode-1 source weights
    typename V::T mixD;   // (q, q, q, 256) mode-1 destination weights, q = 256 - p
    typename V::T p16;    // p in every 16-bit lane
};

// Only what the rule uses: a 16 x 16 tile is over in a few dozen instructions.
template <class V, int Op, bool Bright, int Src, bool Trans>
inline Consts8888<V> MakeConsts8888(const BlendContext& c) {
    Consts8888<V> k;
    const int p = c.param, q = 256 - c.param;
    if (Trans && Src == SrcPlain) k.key = V::Set32(c.key);
    k.top = V::Set32(0xFF000000u);
    // The bright rows are ProductTable rows: their value at 255 is the bright byte.
    if (Bright) k.bright = V::Set16x4(c.brightB[255], c.brightG[255], c.brightR[255], 255);
    if (Op == OpAdd || Op == OpSub) k.paramW = V::Set16x4(p, p, p, 0);
    if (Op == OpMix || Op == OpMixBright) {
        k.mixS = V::Set16x4(p, p, p, 0);
        k.mixD = V::Set16x4(q, q, q, 256);
        k.p16 = V::Set16(p);
    }
    return k;
}

// i * w / 255 on 16-bit lanes as ((i * w + 1) * 257) >> 16, exact for i * w <= 65534.
template <class V>
inline typename V::T Div255(typename V::T x) {
    return V::MulhiU16(V::Add16(x, V::Set16(1)), V::Set16(257));
}

// Bytes of v times the 16-bit weights w, divided by 255.
template <class V>
inline typename V::T ProdBytes(typename V::T v, typename V::T w) {
    const typename V::T zero = V::Zero();
    typename V::T lo = Div255<V>(V::Mullo16(V::UnpackLo8(v, zero), w));
    typename V::T hi = Div255<V>(V::Mullo16(V::UnpackHi8(v, zero), w));
    return V::PackUs16(lo, hi);
}

// (s * ws + d * wd) >> 8 per byte (16-bit weights, sums at most 255 * 256).
template <class V>
inline typename V::T Weigh(typename V::T sLanes, typename V::T dLanes, typename V::T ws, typename V::T wd) {
    return V::template Srli16<8>(V::Add16(V::Mullo16(sLanes, ws), V::Mullo16(dLanes, wd)));
}

// Add888 and Sub888 on 32-bit lanes: the same carry arithmetic as the scalar rule.
template <class V>
inline typename V::T AddCarry888(typename V::T s, typename V::T d) {
    const typename V::T keep = V::Set32(0xFEFEFF), carries = V::Set32(0x1010100), low = V::Set32(0x10100);
    typename V::T sum = V::Add32(V::And(s, keep), V::And(d, keep));
    typename V::T c = V::And(sum, carries);
    return V::Or(V::Or(sum, V::Sub32(c, V::template Srli32<8>(c))), V::And(V::Or(d, s), low));
}
template <class V>
inline typename V::T SubBorrow888(typename V::T d, typename V::T s) {
    const typename V::T carries = V::Set32(0x1010100), keep = V::Set32(0xFEFEFEFF);
    typename V::T diff = V::Sub32(V::Or(d, carries), V::And(s, keep));
    typename V::T c = V::And(diff, carries);
    return V::And(diff, V::Sub32(c, V::template Srli32<8>(c)));
}

// d + trunc((s - d) * p / 255) on 16-bit lanes (C division rounds toward zero).
template <class V>
inline typename V::T TowardTrunc(typename V::T s, typename V::T d, typename V::T p) {
    typename V::T diff = V::Sub16(s, d);
    typename V::T sign = V::template Srai16<15>(diff);
    typename V::T q = Div255<V>(V::Mullo16(V::Sub16(V::Xor(diff, sign), sign), p));
    return V::Add16(d, V::Sub16(V::Xor(q, sign), sign));
}

// d + (((s - d) * t) >> 16) on 16-bit lanes, t unsigned up to 65025: the signed
// high half, corrected where t reads as negative.
template <class V>
inline typename V::T TowardHigh(typename V::T s, typename V::T d, typename V::T t) {
    typename V::T diff = V::Sub16(s, d);
    typename V::T high = V::Add16(V::MulhiS16(diff, t), V::And(diff, V::template Srai16<15>(t)));
    return V::Add16(d, high);
}

// One half (two or four pixels as 16-bit lanes) of an alpha-source rule; a holds
// each pixel's alpha in all four lanes, opaque is all ones where the pixel is.
template <class V, int Op, bool Trans>
inline typename V::T AlphaHalf(typename V::T s, typename V::T d, typename V::T a, const Consts8888<V>& k) {
    typedef typename V::T T;
    const T opaque = Trans ? V::CmpEq16(a, V::Set16(255)) : V::Zero();
    if constexpr (Op == OpCopy) {
        return Weigh<V>(s, d, a, V::Sub16(V::Set16(256), a));
    } else if constexpr (Op == OpMix) {
        T soft = TowardHigh<V>(s, d, V::Mullo16(a, k.p16));
        if (!Trans) return soft;
        return V::Select(opaque, TowardTrunc<V>(s, d, k.p16), soft);
    } else {
        // Modes 2 to 4 weigh the source by its alpha unless it is opaque.
        T w = V::template Srli16<8>(V::Mullo16(s, a));
        if (Trans) w = V::Select(opaque, s, w);
        if constexpr (Op == OpMul) return V::template Srli16<8>(V::Mullo16(w, d));
        else return Div255<V>(V::Mullo16(w, k.paramW));
    }
}

template <class V, int Op, bool Bright, int Src, bool Trans>
inline typename V::T Blend8888(typename V::T raw, typename V::T d, const Consts8888<V>& k) {
    typedef typename V::T T;
    const T zero = V::Zero();
    const T s = Bright ? ProdBytes<V>(raw, k.bright) : raw;
    T out;
    if constexpr (Src == SrcAlpha) {
        T sLo = V::UnpackLo8(s, zero), sHi = V::UnpackHi8(s, zero);
        T dLo = V::UnpackLo8(d, zero), dHi = V::UnpackHi8(d, zero);
        T aLo = V::BroadcastTop16(sLo), aHi = V::BroadcastTop16(sHi);
        T lo = AlphaHalf<V, Op, Trans>(sLo, dLo, aLo, k), hi = AlphaHalf<V, Op, Trans>(sHi, dHi, aHi, k);
        out = V::PackUs16(lo, hi);
        if constexpr (Op == OpAdd) {
            out = AddCarry888<V>(V::AndNot(k.top, out), d);
        } else if constexpr (Op == OpSub) {
            out = SubBorrow888<V>(d, V::AndNot(k.top, out));
        } else {
            out = V::Or(V::And(d, k.top), V::AndNot(k.top, out));
        }
        if (Trans) {
            const T alpha = V::And(raw, k.top);
            if constexpr (Op == OpCopy) out = V::Select(V::CmpEq32(alpha, k.top), s, out);
            // Clear pixels are skipped; copy and mode 1 leave them as they were anyway.
            if constexpr (Op != OpCopy && Op != OpMix) out = V::Select(V::CmpEq32(alpha, zero), d, out);
        }
        return out;
    } else {
        if constexpr (Op == OpCopy) {
            out = Bright ? V::Or(V::And(d, k.top), V::AndNot(k.top, s)) : s;
        } else if constexpr (Op == OpHalf) {
            const T m = V::Set32(0x7F7F7F);
            out = V::Add32(V::And(V::template Srli32<1>(s), m), V::And(V::template Srli32<1>(d), m));
        } else if constexpr (Op == OpMix || Op == OpMixBright) {
            T lo = Weigh<V>(V::UnpackLo8(s, zero), V::UnpackLo8(d, zero), k.mixS, k.mixD);
            T hi = Weigh<V>(V::UnpackHi8(s, zero), V::UnpackHi8(d, zero), k.mixS, k.mixD);
            out = V::PackUs16(lo, hi);
        } else if constexpr (Op == OpAdd255) {
            out = V::AddsU8(s, d);
        } else if constexpr (Op == OpSub255) {
            out = V::SubsU8(d, s);
        } else if constexpr (Op == OpAdd) {
            out = AddCarry888<V>(ProdBytes<V>(s, k.paramW), d);
        } else if constexpr (Op == OpSub) {
            out = SubBorrow888<V>(d, ProdBytes<V>(s, k.paramW));
        } else {
            T lo = V::template Srli16<8>(V::Mullo16(V::UnpackLo8(s, zero), V::UnpackLo8(d, zero)));
            T hi = V::template Srli16<8>(V::Mullo16(V::UnpackHi8(s, zero), V::UnpackHi8(d, zero)));
            out = V::Or(V::And(d, k.top), V::AndNot(k.top, V::PackUs16(lo, hi)));
        }
        if (Trans) out = V::Select(V::CmpEq32(raw, k.key), d, out);
        return out;
    }
}

template <class V, int Op, bool Bright, int Src, bool Trans>
void Rows8888(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch, int w, int h, const BlendContext& c) {
    typedef typename V::T T;
    const Consts8888<V> k = MakeConsts8888<V, Op, Bright, Src, Trans>(c);
    for (int y = 0; y < h; y++, dst += dstPitch, src += srcPitch) {
        uint32_t* d = (uint32_t*)dst;
        const uint32_t* s = (const uint32_t*)src;
        int x = 0;
        for (; x + V::N <= w; x += V::N) {
            T sv = V::Load(s + x);
            V::Store(d + x, Blend8888<V, Op, Bright, Src, Trans>(sv, V::Load(d + x), k));
        }
        for (; x < w; x++) BlendPixel<Xrgb8888, Op, Bright, Src, Trans>(dst, x, s[x], c);
    }
}

// Which combinations have a vector loop: plain and alpha sources, and for each
// the rules ChooseBlendOp can pick for it.
constexpr bool HasVector8888(int op, int bright, int src) {
    if (src == SrcPlain) return op != OpNone && op != OpCount && !(op == OpHalf && bright);
    if (src == SrcAlpha) return op == OpCopy || op == OpMix || op == OpAdd || op == OpSub || op == OpMul;
    return false;
}

constexpr int kVector8888Size = OpCount * 2 * 2 * 2;

template <class V, size_t I>
constexpr BlitRowsFn Vector8888Entry() {
    constexpr int trans = I % 2, src = (I / 2) % 2, bright = (I / 4) % 2, op = (int)(I / 8);
    if constexpr (HasVector8888(op, bright, src)) return &Rows8888<V, op, bright != 0, src, trans != 0>;
    else return nullptr;
}

template <class V, size_t... I>
constexpr std::array<BlitRowsFn, kVector8888Size> MakeVector8888Table(std::index_sequence<I...>) {
    return {Vector8888Entry<V, I>()...};
}

// The loop for one combination, or null.
template <class V>
BlitRowsFn FindVector8888(int op, int bright, int src, int trans) {
    static const std::array<BlitRowsFn, kVector8888Size> table =
        MakeVector8888Table<V>(std::make_index_sequence<kVector8888Size>());
    if (src != SrcPlain && src != SrcAlpha) return nullptr;
    return table[((op * 2 + (bright ? 1 : 0)) * 2 + src) * 2 + (trans ? 1 : 0)];
}
