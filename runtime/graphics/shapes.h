// Shapes in a colour value: filled rectangles and lines under the draw area,
// blend mode and draw bright.
#pragma once

#include <stdint.h>

#include "runtime/graphics/color_format.h"

// rect (x1, y1, x2, y2) with corners in any order, or null for the whole image.
void FillRectMemImg(MEMIMG* image, const int* rect, uint32_t color);
// Explicit settings and clip (tests, benchmarks).
void FillRectMemImgWith(MEMIMG* image, const int* rect, uint32_t color, const int* clip, int mode, int param,
                        uint32_t bright);
// The end point is not drawn.
void LineIntoMemImg(MEMIMG* image, int x1, int y1, int x2, int y2, uint32_t color);
int DrawLineSegment(int x1, int y1, int x2, int y2, uint32_t color);
// One pixel by the fill rules (reference for tests).
void FillPixelReference(int kind, uint8_t* pixel, uint32_t color, int mode, int param, uint32_t bright);
