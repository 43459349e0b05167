// Scaled, mirrored, rotated and quadrilateral drawing: point-sampling
// rasterisers applying the same per-pixel rules as the straight blitter.
#pragma once

#include <stdint.h>

#include "runtime/graphics/color_format.h"

int DrawGraphMirrored(int x, int y, int graph, int transFlag);
int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transFlag);
int DrawGraphStretchedF(float x1, float y1, float x2, float y2, int graph, int transFlag);
int DrawGraphRotatedAtF(float x, float y, double scale, double angle, int graph, int transFlag, int turnFlag);
int DrawGraphQuad(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, int graph, int transFlag);

// Blitters over explicit images; they use the current draw area and settings.
void StretchBlitMemImg(MEMIMG* dest, const MEMIMG* src, const int* rect, int transFlag);
void RotateBlitMemImg(MEMIMG* dest, const MEMIMG* src, int cx, int cy, double angle, double scale, int transFlag,
                      int turnFlag);
// One vertex of a textured triangle: destination pixel and source position in pixels.
struct TriangleVertex {
    int x, y;
    int u, v;
};
void TriangleBlitMemImg(MEMIMG* dest, const MEMIMG* src, const TriangleVertex* vertices, int transFlag);
// The quadrilateral path: the picture's corners (top-left, top-right, bottom-right,
// bottom-left) onto four points.
void QuadBlitMemImg(MEMIMG* dest, const MEMIMG* src, const int* xs, const int* ys, int transFlag);
