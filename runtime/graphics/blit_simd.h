// Vector versions of the hottest blit loops, each bit-identical to its scalar
// template; FindSimdBlit returns null where none exists or the CPU lacks it.
#pragma once

#include <stdint.h>

#include "runtime/graphics/blit_pixel.h"

typedef void (*BlitRowsFn)(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch, int w, int h,
                           const BlendContext& c);

BlitRowsFn FindSimdBlit(int kind, int op, int bright, int src, int trans);
// The AVX2 loops, or null (no AVX2, or no such loop); FindSimdBlit tries them first.
BlitRowsFn FindAvx2Blit(int kind, int op, int bright, int src, int trans);
// 0 keeps FindSimdBlit to SSE2 (tests compare both levels).
void SetAvx2BlitEnabled(int enabled);
// Mode-1 rectangle fill (parameter 1..254) on 565 or 8888 rows [l, r) x [t, b);
// 1 when done here, 0 when the scalar loop must do it.
int FillMixSimd(MEMIMG* image, int l, int t, int r, int b, uint32_t color, int param);
// Tests switch the vector loops off to reach the scalar ones.
void SetSimdBlitEnabled(int enabled);
// Changes whenever either switch above does (callers keep their choices per level).
int SimdBlitLevel(void);
