// An RGBA picture in memory, the common currency of the picture generators.
#pragma once
#include <cstdint>
#include <vector>

struct Rgba {
    uint8_t r, g, b, a; // straight (not premultiplied) colour and opacity
};

struct Canvas {
    int width = 0;            // pixels per row
    int height = 0;           // rows
    std::vector<Rgba> pixels; // width * height, top row first
};

Canvas MakeCanvas(int width, int height, Rgba fill);
// Writes one pixel; coordinates outside the canvas are ignored (clipping).
void PutPixel(Canvas& canvas, int x, int y, Rgba color);
// Reads one pixel; outside the canvas gives transparent black.
Rgba GetPixel(const Canvas& canvas, int x, int y);
