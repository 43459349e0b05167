// The per-pixel blend rules shared by every image blitter (straight, stretched,
// rotated, triangles, glyphs), as templates so that each combination of blend
// rule, bright, source kind and transparency compiles to its own inner loop.
#pragma once

#include <stdint.h>

#include "runtime/graphics/blend_tables.h"
#include "runtime/graphics/color_format.h"

// Saturating whole-pixel operations; their lowest bits are part of the behaviour.
inline uint32_t Add565(uint32_t a, uint32_t b) {
    uint32_t sum = (a & 0xF7DF) + (b & 0xF7DF);
    uint32_t c = sum & 0x10820;
    return (sum | (c - (c >> 5))) & 0xFFFF;
}
inline uint32_t Sub565(uint32_t d, uint32_t s) {
    uint32_t diff = (d | 0x10820) - (s & 0xF7DF);
    uint32_t c = diff & 0x10820;
    return (diff & (c - (c >> 5))) & 0xFFFF;
}
inline uint32_t Add888(uint32_t s, uint32_t d) {
    uint32_t sum = (s & 0xFEFEFF) + (d & 0xFEFEFF);
    uint32_t c = sum & 0x1010100;
    return sum | (c - (c >> 8)) | ((d | s) & 0x10100);
}
inline uint32_t Sub888(uint32_t d, uint32_t s) {
    uint32_t diff = (d | 0x1010100) - (s & 0xFEFEFEFF);
    uint32_t c = diff & 0x1010100;
    return diff & (c - (c >> 8));
}
inline uint32_t AddBytes(uint32_t s, uint32_t d) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) {
        uint32_t v = ((s >> k) & 0xFF) + ((d >> k) & 0xFF);
        out |= (v > 255 ? 255u : v) << k;
    }
    return out;
}
inline uint32_t SubBytes(uint32_t d, uint32_t s) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) {
        int v = (int)((d >> k) & 0xFF) - (int)((s >> k) & 0xFF);
        out |= (uint32_t)(v < 0 ? 0 : v) << k;
    }
    return out;
}

// Blend rule chosen once per call from the mode, parameter, bright and source.
enum BlendOp {
    OpNone = 0,  // draws nothing
    OpCopy,      // mode 0, and mode 1 at 255
    OpHalf,      // mode 1 at 128, bright white, no alpha channel
    OpMix,       // mode 1 otherwise (bright white: the 64-level table on 16 bits)
    OpMixBright, // mode 1 with bright not white, no alpha channel
    OpAdd255,    // mode 2 at 255, no alpha channel
    OpAdd,       // mode 2 below 255 (always for alpha sources)
    OpSub255,    // mode 3 at 255, no alpha channel
    OpSub,       // mode 3 below 255 (always for alpha sources)
    OpMul,       // mode 4
    OpCount
};

enum SourceKind { SrcPlain = 0, SrcAlpha = 1, SrcPalette = 2, SrcKindCount };

// Per-call constants of the rules.
struct BlendContext {
    uint32_t key;             // transparent value (16 bits for Rgb565, index for palettes)
    const uint32_t* palette;  // palette of a palette source
    int param;                // blend parameter 0..255
    const uint8_t* paramRow;  // ProductTable[param]
    const int16_t* signedRow; // SignedProductTable[param], indexable -255..255
    const uint8_t (*mix)[64]; // AlphaMixTable64[param >> 2]
    const uint8_t* brightR;   // ProductTable[bright red]
    const uint8_t* brightG;
    const uint8_t* brightB;
};

int ChooseBlendOp(int mode, int param, int brightWhite, int sourceKind);
void MakeBlendContext(BlendContext* ctx, const MEMIMG* src, int param, uint32_t bright);

// ---- Rgb565 destination ----------------------------------------------------

template <int Op, bool Bright, int Src, bool Trans>
inline void BlendPixel565(uint16_t* dp, uint32_t raw, const BlendContext& c) {
    uint32_t s;
    int a = 255;
    if constexpr (Src == SrcPalette) {
        if (Trans && raw == c.key) return;
        s = c.palette[raw] & 0xFFFF;
    } else if constexpr (Src == SrcPlain) {
        if (Trans && raw == c.key) return;
        s = raw;
    } else {
        a = (int)((raw >> 16) & 0xFF);
        if (Trans && a == 0) return;
        s = raw & 0xFFFF;
    }
    int sr = (int)(s >> 11), sg = (int)((s >> 5) & 63), sb = (int)(s & 31);
    if constexpr (Bright) {
        sr = c.brightR[sr];
        sg = c.brightG[sg];
        sb = c.brightB[sb];
        s = (uint32_t)((sr << 11) | (sg << 5) | sb);
    }
    uint32_t d = *dp;
    int dr = (int)(d >> 11), dg = (int)((d >> 5) & 63), db = (int)(d & 31);

    if constexpr (Src == SrcAlpha) {
        const bool opaque = Trans && a == 255;
        if constexpr (Op == OpCopy) {
            if (opaque) {
                *dp = (uint16_t)s;
                return;
            }
            dr += ((sr - dr) * a) >> 8;
            dg += ((sg - dg) * a) >> 8;
            db += ((sb - db) * a) >> 8;
        } else if constexpr (Op == OpMix) {
            if (opaque) {
                dr += c.signedRow[sr - dr];
                dg += c.signedRow[sg - dg];
                db += c.signedRow[sb - db];
            } else {
                dr += ((sr - dr) * a * c.param) >> 16;
                dg += ((sg - dg) * a * c.param) >> 16;
                db += ((sb - db) * a * c.param) >> 16;
            }
        } else if constexpr (Op == OpAdd || Op == OpSub) {
            uint32_t r2, g2, b2;
            if (opaque) {
                r2 = c.paramRow[sr];
                g2 = c.paramRow[sg];
                b2 = c.paramRow[sb];
            } else {
                r2 = c.paramRow[(sr * a) >> 8];
                g2 = c.paramRow[(sg * a) >> 8];
                b2 = c.paramRow[(sb * a) >> 8];
            }
            uint32_t s2 = (r2 << 11) | (g2 << 5) | b2;
            if constexpr (Op == OpAdd) *dp = (uint16_t)(Add565(s2, d) | ((d | s2) & 0x0820));
            else *dp = (uint16_t)Sub565(d, s2);
            return;
        } else if constexpr (Op == OpMul) {
            if (!opaque) {
                sr = (sr * a) >> 8;
                sg = (sg * a) >> 8;
                sb = (sb * a) >> 8;
            }
            dr = (sr * dr) >> 5;
            dg = (sg * dg) >> 6;
            db = (sb * db) >> 5;
        } else {
            return;
        }
        *dp = (uint16_t)((dr << 11) | (dg << 5) | db);
        return;
    } else {
        if constexpr (Op == OpCopy) {
            *dp = (uint16_t)s;
        } else if constexpr (Op == OpHalf) {
            *dp = (uint16_t)(((s >> 1) & 0x7BEF) + ((d >> 1) & 0x7BEF));
        } else if constexpr (Op == OpMix) {
            *dp = (uint16_t)((c.mix[sr][dr] << 11) | (c.mix[sg][dg] << 5) | c.mix[sb][db]);
        } else if constexpr (Op == OpMixBright) {
            dr += c.signedRow[sr - dr];
            dg += c.signedRow[sg - dg];
            db += c.signedRow[sb - db];
            *dp = (uint16_t)((dr << 11) | (dg << 5) | db);
        } else if constexpr (Op == OpAdd255) {
            *dp = (uint16_t)Add565(s, d);
        } else if constexpr (Op == OpSub255) {
            *dp = (uint16_t)Sub565(d, s);
        } else if constexpr (Op == OpAdd || Op == OpSub) {
            uint32_t s2 = ((uint32_t)c.paramRow[sr] << 11) | ((uint32_t)c.paramRow[sg] << 5) | c.paramRow[sb];
            if constexpr (Op == OpAdd) *dp = (uint16_t)(Add565(s2, d) | ((d | s2) & 0x0820));
            else *dp = (uint16_t)Sub565(d, s2);
        } else if constexpr (Op == OpMul) {
            *dp = (uint16_t)((((sr * dr) >> 5) << 11) | (((sg * dg) >> 6) << 5) | ((sb * db) >> 5));
        }
    }
}

// ---- Xrgb8888 destination --------------------------------------------------

template <int Op, bool Bright, int Src, bool Trans>
inline void BlendPixel8888(uint32_t* dp, uint32_t raw, const BlendContext& c) {
    uint32_t s;
    int a = 255;
    if constexpr (Src == SrcPalette) {
        if (Trans && raw == c.key) return;
        s = c.palette[raw];
    } else if constexpr (Src == SrcPlain) {
        if (Trans && raw == c.key) return;
        s = raw;
    } else {
        a = (int)(raw >> 24);
        if (Trans && a == 0) return;
        s = raw;
    }
    int sr = (int)((s >> 16) & 0xFF), sg = (int)((s >> 8) & 0xFF), sb = (int)(s & 0xFF);
    if constexpr (Bright) {
        sr = c.brightR[sr];
        sg = c.brightG[sg];
        sb = c.brightB[sb];
        s = (s & 0xFF000000u) | (uint32_t)((sr << 16) | (sg << 8) | sb);
    }
    uint32_t d = *dp;
    int dr = (int)((d >> 16) & 0xFF), dg = (int)((d >> 8) & 0xFF), db = (int)(d & 0xFF);
    const uint32_t top = d & 0xFF000000u;

    if constexpr (Src == SrcAlpha) {
        const bool opaque = Trans && a == 255;
        if constexpr (Op == OpCopy) {
            if (opaque) {
                *dp = s;
                return;
            }
            dr += ((sr - dr) * a) >> 8;
            dg += ((sg - dg) * a) >> 8;
            db += ((sb - db) * a) >> 8;
        } else if constexpr (Op == OpMix) {
            if (opaque) {
                dr += c.signedRow[sr - dr];
                dg += c.signedRow[sg - dg];
                db += c.signedRow[sb - db];
            } else {
                dr += ((sr - dr) * a * c.param) >> 16;
                dg += ((sg - dg) * a * c.param) >> 16;
                db += ((sb - db) * a * c.param) >> 16;
            }
        } else if constexpr (Op == OpAdd || Op == OpSub) {
            uint32_t r2, g2, b2;
            if (opaque) {
                r2 = c.paramRow[sr];
                g2 = c.paramRow[sg];
                b2 = c.paramRow[sb];
            } else {
                r2 = c.paramRow[(sr * a) >> 8];
                g2 = c.paramRow[(sg * a) >> 8];
                b2 = c.paramRow[(sb * a) >> 8];
            }
            uint32_t s2 = (r2 << 16) | (g2 << 8) | b2;
            if constexpr (Op == OpAdd) *dp = Add888(s2, d);
            else *dp = Sub888(d, s2);
            return;
        } else if constexpr (Op == OpMul) {
            if (!opaque) {
                sr = (sr * a) >> 8;
                sg = (sg * a) >> 8;
                sb = (sb * a) >> 8;
            }
            dr = (sr * dr) >> 8;
            dg = (sg * dg) >> 8;
            db = (sb * db) >> 8;
        } else {
            return;
        }
        *dp = top | (uint32_t)((dr << 16) | (dg << 8) | db);
        return;
    } else {
        if constexpr (Op == OpCopy) {
            if constexpr (Bright) *dp = top | (s & 0xFFFFFF);
            else *dp = s;
        } else if constexpr (Op == OpHalf) {
            *dp = ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F);
        } else if constexpr (Op == OpMix || Op == OpMixBright) {
            dr += ((sr - dr) * c.param) >> 8;
            dg += ((sg - dg) * c.param) >> 8;
            db += ((sb - db) * c.param) >> 8;
            *dp = top | (uint32_t)((dr << 16) | (dg << 8) | db);
        } else if constexpr (Op == OpAdd255) {
            *dp = AddBytes(s, d);
        } else if constexpr (Op == OpSub255) {
            *dp = SubBytes(d, s);
        } else if constexpr (Op == OpAdd || Op == OpSub) {
            uint32_t s2 = ((uint32_t)c.paramRow[sr] << 16) | ((uint32_t)c.paramRow[sg] << 8) | c.paramRow[sb];
            if constexpr (Op == OpAdd) *dp = Add888(s2, d);
            else *dp = Sub888(d, s2);
        } else if constexpr (Op == OpMul) {
            *dp = top | (uint32_t)((((sr * dr) >> 8) << 16) | (((sg * dg) >> 8) << 8) | ((sb * db) >> 8));
        }
    }
}

// Reads a source pixel's raw value for the rules above.
template <int Kind, int Src>
inline uint32_t LoadSourcePixel(const uint8_t* row, int x) {
    if constexpr (Src == SrcPalette) return row[x];
    else if constexpr (Kind == Rgb565 && Src == SrcPlain) return ((const uint16_t*)row)[x];
    else return ((const uint32_t*)row)[x];
}

template <int Kind, int Op, bool Bright, int Src, bool Trans>
inline void BlendPixel(uint8_t* destRow, int x, uint32_t raw, const BlendContext& c) {
    if constexpr (Kind == Rgb565) BlendPixel565<Op, Bright, Src, Trans>((uint16_t*)destRow + x, raw, c);
    else BlendPixel8888<Op, Bright, Src, Trans>((uint32_t*)destRow + x, raw, c);
}

// The reference rules, written straight from the tables with run-time branches
// (tests compare every specialised loop against them).
void BlendPixelReference(int kind, uint8_t* destPixel, uint32_t raw, const MEMIMG* src, int transFlag, int mode,
                         int param, uint32_t bright);
