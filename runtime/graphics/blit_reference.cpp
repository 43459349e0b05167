// The plain reference blitter: every per-pixel rule written out directly, with
// run-time branches, as the yardstick the specialised and vector loops are
// tested against. Not used for drawing.
#include "runtime/graphics/blit.h"
#include "runtime/graphics/draw_state.h"

static int Prod(int i, int j) {
    return i * j / 255;
}
static int SignedProd(int i, int j) {
    return i * j / 255;
} // C division truncates toward zero
static int Mix64(int a, int s, int d) {
    return (a * s + (63 - a) * d) / 63;
}

// Channels at their own widths: 565 (5, 6, 5) or 8888 (8, 8, 8).
struct Rgb {
    int r, g, b;
};

static Rgb Split(int kind, uint32_t v) {
    if (kind == Rgb565) return {(int)((v >> 11) & 31), (int)((v >> 5) & 63), (int)(v & 31)};
    return {(int)((v >> 16) & 255), (int)((v >> 8) & 255), (int)(v & 255)};
}

static uint32_t Join(int kind, Rgb c) {
    if (kind == Rgb565) return (uint32_t)((c.r << 11) | (c.g << 5) | c.b);
    return (uint32_t)((c.r << 16) | (c.g << 8) | c.b);
}

static int Asr(int v, int n) {
    return v >> n;
} // arithmetic on every compiler we use

void BlendPixelReference(int kind, uint8_t* destPixel, uint32_t raw, const MEMIMG* src, int transFlag, int mode,
                         int param, uint32_t bright) {
    if (mode < 0 || mode > 4) return;
    if (param < 0) param = 0;
    if (param > 255) param = 255;
    bright &= 0xFFFFFF;
    const bool white = bright == 0xFFFFFF;
    // Parameter 0 draws nothing in modes 1 to 3; mode 1 at 255 is mode 0.
    if (mode >= 1 && mode <= 3 && param == 0) return;
    if (mode == 1 && param == 255) mode = 0;

    const bool is565 = kind == Rgb565;
    uint32_t d = is565 ? *(uint16_t*)destPixel : *(uint32_t*)destPixel;
    uint32_t s;
    int a = -1; // -1: no alpha channel
    if (src->UsePalette) {
        if (transFlag && raw == src->TransColor) return;
        s = src->Palette[raw & 0xFF];
        if (is565) s &= 0xFFFF;
    } else if (src->AlphaChannel) {
        a = is565 ? (int)((raw >> 16) & 0xFF) : (int)(raw >> 24);
        if (transFlag && a == 0) return;
        s = is565 ? (raw & 0xFFFF) : raw;
    } else {
        s = is565 ? (raw & 0xFFFF) : raw;
        uint32_t key = is565 ? (src->TransColor & 0xFFFF) : src->TransColor;
        if (transFlag && s == key) return;
    }
    // s' : the bright row applied to red, green and blue.
    Rgb sc = Split(kind, s);
    if (!white) {
        sc.r = Prod((int)((bright >> 16) & 0xFF), sc.r);
        sc.g = Prod((int)((bright >> 8) & 0xFF), sc.g);
        sc.b = Prod((int)(bright & 0xFF), sc.b);
    }
    uint32_t s1 = is565 ? Join(kind, sc) : ((s & 0xFF000000u) | Join(kind, sc));
    Rgb dc = Split(kind, d);
    uint32_t top = d & 0xFF000000u;
    uint32_t out;

    if (a >= 0) {
        const bool opaque = transFlag && a == 255;
        Rgb o = dc;
        if (mode == 0) {
            if (opaque) {
                out = s1;
                goto store;
            }
            o.r = dc.r + Asr((sc.r - dc.r) * a, 8);
            o.g = dc.g + Asr((sc.g - dc.g) * a, 8);
            o.b = dc.b + Asr((sc.b - dc.b) * a, 8);
        } else if (mode == 1) {
            if (opaque) {
                o.r = dc.r + SignedProd(param, sc.r - dc.r);
                o.g = dc.g + SignedProd(param, sc.g - dc.g);
                o.b = dc.b + SignedProd(param, sc.b - dc.b);
            } else {
                o.r = dc.r + Asr((sc.r - dc.r) * a * param, 16);
                o.g = dc.g + Asr((sc.g - dc.g) * a * param, 16);
                o.b = dc.b + Asr((sc.b - dc.b) * a * param, 16);
            }
        } else if (mode == 2 || mode == 3) {
            Rgb w = sc;
            if (!opaque) {
                w.r = (sc.r * a) >> 8;
                w.g = (sc.g * a) >> 8;
                w.b = (sc.b * a) >> 8;
            }
            Rgb p2 = {Prod(param, w.r), Prod(param, w.g), Prod(param, w.b)};
            uint32_t s2 = Join(kind, p2);
            if (is565) out = mode == 2 ? (Add565(s2, d) | ((d | s2) & 0x0820)) : Sub565(d, s2);
            else out = mode == 2 ? Add888(s2, d) : Sub888(d, s2);
            goto store;
        } else {
            Rgb w = sc;
            if (!opaque) {
                w.r = (sc.r * a) >> 8;
                w.g = (sc.g * a) >> 8;
                w.b = (sc.b * a) >> 8;
            }
            if (is565) o = {(w.r * dc.r) >> 5, (w.g * dc.g) >> 6, (w.b * dc.b) >> 5};
            else o = {(w.r * dc.r) >> 8, (w.g * dc.g) >> 8, (w.b * dc.b) >> 8};
        }
        out = is565 ? Join(kind, o) : (top | Join(kind, o));
        goto store;
    }

    switch (mode) {
        case 0:
            if (is565) out = s1;
            else out = white ? s : (top | Join(kind, sc));
            break;
        case 1:
            if (white && param == 128) {
                out = is565 ? (((s >> 1) & 0x7BEF) + ((d >> 1) & 0x7BEF))
                            : (((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F));
            } else if (is565) {
                Rgb o;
                if (white) {
                    o = {Mix64(param >> 2, sc.r, dc.r), Mix64(param >> 2, sc.g, dc.g), Mix64(param >> 2, sc.b, dc.b)};
                } else {
                    o = {dc.r + SignedProd(param, sc.r - dc.r), dc.g + SignedProd(param, sc.g - dc.g),
                         dc.b + SignedProd(param, sc.b - dc.b)};
                }
                out = Join(kind, o);
            } else {
                Rgb o;
                if (white) {
                    o = {dc.r + Asr((sc.r - dc.r) * param, 8), dc.g + Asr((sc.g - dc.g) * param, 8),
                         dc.b + Asr((sc.b - dc.b) * param, 8)};
                } else {
                    o = {Asr(dc.r * 256 + (sc.r - dc.r) * param, 8), Asr(dc.g * 256 + (sc.g - dc.g) * param, 8),
                         Asr(dc.b * 256 + (sc.b - dc.b) * param, 8)};
                }
                out = top | Join(kind, o);
            }
            break;
        case 2:
        case 3:
            if (param == 255) {
                if (is565) out = mode == 2 ? Add565(s1, d) : Sub565(d, s1);
                else out = mode == 2 ? AddBytes(s1, d) : SubBytes(d, s1);
            } else {
                Rgb p2 = {Prod(param, sc.r), Prod(param, sc.g), Prod(param, sc.b)};
                uint32_t s2 = Join(kind, p2);
                if (is565) out = mode == 2 ? (Add565(s2, d) | ((d | s2) & 0x0820)) : Sub565(d, s2);
                else out = mode == 2 ? Add888(s2, d) : Sub888(d, s2);
            }
            break;
        default:
            if (is565) out = Join(kind, {(sc.r * dc.r) >> 5, (sc.g * dc.g) >> 6, (sc.b * dc.b) >> 5});
            else out = top | Join(kind, {(sc.r * dc.r) >> 8, (sc.g * dc.g) >> 8, (sc.b * dc.b) >> 8});
            break;
    }
store:
    if (is565) *(uint16_t*)destPixel = (uint16_t)out;
    else *(uint32_t*)destPixel = out;
}

void BlitMemImgReference(MEMIMG* dest, const MEMIMG* src, int x, int y, int transFlag, const int* clip, int mode,
                         int param, uint32_t bright) {
    if (!BlitCompatible(dest, src)) return;
    for (int sy = 0; sy < src->Height; sy++) {
        int dy = y + sy;
        if (dy < clip[1] || dy >= clip[3] || dy < 0 || dy >= dest->Height) continue;
        for (int sx = 0; sx < src->Width; sx++) {
            int dx = x + sx;
            if (dx < clip[0] || dx >= clip[2] || dx < 0 || dx >= dest->Width) continue;
            const uint8_t* sp = src->Pixels + (intptr_t)sy * src->Pitch + (intptr_t)sx * src->Format->PixelByte;
            uint32_t raw = src->Format->PixelByte == 1   ? sp[0]
                           : src->Format->PixelByte == 2 ? *(const uint16_t*)sp
                                                         : *(const uint32_t*)sp;
            uint8_t* dp = dest->Pixels + (intptr_t)dy * dest->Pitch + (intptr_t)dx * dest->Format->PixelByte;
            BlendPixelReference(dest->PixelKind, dp, raw, src, transFlag, mode, param, bright);
        }
    }
}
