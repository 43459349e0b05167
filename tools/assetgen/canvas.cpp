// Clipped pixel access on Canvas.
#include "canvas.h"

#include <cstddef>

Canvas MakeCanvas(int width, int height, Rgba fill) {
    Canvas c;
    c.width = width > 0 ? width : 0;
    c.height = height > 0 ? height : 0;
    c.pixels.assign(static_cast<std::size_t>(c.width) * c.height, fill);
    return c;
}

void PutPixel(Canvas& canvas, int x, int y, Rgba color) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
    canvas.pixels[static_cast<std::size_t>(y) * canvas.width + x] = color;
}

Rgba GetPixel(const Canvas& canvas, int x, int y) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return {0, 0, 0, 0};
    return canvas.pixels[static_cast<std::size_t>(y) * canvas.width + x];
}
