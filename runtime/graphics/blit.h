// The image blitters: straight copies with blending (BlitMemImg), and the span
// walkers the stretched, rotated and triangle paths are built from.
#pragma once

#include <stdint.h>

#include "runtime/graphics/blit_pixel.h"
#include "runtime/graphics/color_format.h"

// Draws src at (x, y) on dest inside the current draw area with the current
// blend mode, parameter and draw bright.
void BlitMemImg(MEMIMG* dest, const MEMIMG* src, int x, int y, int transFlag);
// The same with an explicit clip rectangle and draw settings (tests, benchmarks).
void BlitMemImgWith(MEMIMG* dest, const MEMIMG* src, int x, int y, int transFlag, const int* clip, int mode, int param,
                    uint32_t bright);
// The plain reference loop: per-pixel rules with run-time branches.
void BlitMemImgReference(MEMIMG* dest, const MEMIMG* src, int x, int y, int transFlag, const int* clip, int mode,
                         int param, uint32_t bright);
// 1 when src can be drawn on dest (same kind, dest plain, kinds 0 and 1 only).
int BlitCompatible(const MEMIMG* dest, const MEMIMG* src);

// Everything one transformed draw needs, chosen once per call.
struct BlendSetup {
    int op;           // BlendOp
    int kind;         // Rgb565 or Xrgb8888
    int bright;       // bright rows apply
    int src;          // SourceKind
    int trans;        // transparency test applies
    BlendContext ctx; // per-call constants
};
// Fills setup from the current (or given) draw settings. 0, or -1 when nothing is drawn.
int PrepareBlend(BlendSetup* setup, const MEMIMG* dest, const MEMIMG* src, int transFlag, int mode, int param,
                 uint32_t bright);

// Stretch rows: destination pixels [x0, x1) of rows [y0, y1), source column of
// each destination column in cols[x - x0], source row of each row in rows[y - y0].
typedef void (*StretchRowsFn)(MEMIMG* dest, const MEMIMG* src, int x0, int x1, int y0, int y1, const int* cols,
                              const int* rows, const BlendContext& c);
StretchRowsFn GetStretchRows(const BlendSetup* setup);

// One span of a sampled draw: pixels [x0, x1) of row y, source position (u, v)
// in 18-bit fixed point stepping by (du, dv). Rotations skip pixels whose
// position falls outside the source; triangles clamp into it.
typedef void (*SampleSpanFn)(MEMIMG* dest, const MEMIMG* src, int y, int x0, int x1, int64_t u, int64_t v, int64_t du,
                             int64_t dv, const BlendContext& c);
SampleSpanFn GetRotateSpan(const BlendSetup* setup);
SampleSpanFn GetTriangleSpan(const BlendSetup* setup);
