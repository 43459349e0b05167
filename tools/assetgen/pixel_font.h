// Our own fixed-cell pixel font, used for the how-to picture, the title logo and the icon.
#pragma once
#include "canvas.h"
#include <string>

struct PixelFont {
    int glyphWidth = 0;     // ink columns per glyph
    int glyphHeight = 0;    // ink rows per glyph
    int advance = 0;        // pixels from one glyph to the next (before scaling)
    std::string rows[128];  // glyphHeight*glyphWidth chars per defined glyph, 'X' = ink
    bool defined[128] = {}; // glyph exists
};

// Reads "size W H ADVANCE" then blocks "glyph C" followed by H rows of W characters.
PixelFont LoadPixelFont(const std::string& path);
// Width in pixels of a text at a scale (no trailing gap).
int TextWidth(const PixelFont& font, const std::string& text, int scale);
// Draws text with its top-left at (x, y); unknown characters exit with an error.
void DrawText(Canvas& canvas, const PixelFont& font, int x, int y, const std::string& text, Rgba color, int scale);
