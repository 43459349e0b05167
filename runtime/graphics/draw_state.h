// The draw state every drawing operation obeys: target, draw area, blend mode,
// bright colour and transparent colour, and the front-buffer bookkeeping.
#pragma once

#include <stdint.h>

#include "runtime/graphics/color_format.h"

struct DrawState {
    int target;          // -2 back buffer, -4 front buffer, or a graph handle
    int area[4];         // draw area (left, top, right, bottom), right/bottom exclusive
    float areaF[4];      // the same as floats for the floating-point paths
    int areaEmpty;       // left == right or top == bottom: drawing returns at once
    int blendMode;       // 0..4 draw; any other value draws nothing
    int blendParam;      // 0..255
    int blendParamRaw;   // parameter as last given (SetBlendMode's early return)
    uint32_t bright;     // draw bright 0x00RRGGBB
    uint32_t transColor; // transparent colour 0x00RRGGBB, kept across mode changes
};

extern DrawState g_draw;

// The image the current target resolves to, or null (no screen, deleted graph).
MEMIMG* CurrentTargetImage(void);
int TargetIsFront(void);
// Size of -2, -4 or a graph. 0, or -1 for anything else.
int GetDrawTargetSize(int target, int* width, int* height);
int SetClipArea(int left, int top, int right, int bottom);
// Clips rect (l, t, r, b) in place into clip; the result may be empty.
void ClipRect(int* rect, const int* clip);
// Front buffer: reload it from the window before drawing, show the touched part after.
void RefreshFrontBuffer(void);
void PresentFrontRect(const int* rect);
void SetBrightRGB(int red, int green, int blue);
void SetBrightValue(uint32_t rgb);
// Graphics initialisation's part: blend 0/0, bright white.
void ResetDrawState(void);
// Selects a target without the public checks' logging (start-up, mode change).
int SelectDrawTarget(int target);
// The screen and graphics management exist (between RuntimeInit and RuntimeEnd):
// the drawing operations answer -1 without them.
int GraphicsReady(void);

// a + b as an int, saturated. A position past the int range lies far off every
// target, and so does the saturated one, so drawing stays the same without overflow.
static inline int SaturatedSum(int64_t a, int64_t b) {
    int64_t v = a + b;
    return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : (int)v);
}
