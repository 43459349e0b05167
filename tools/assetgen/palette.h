// The one palette every picture is drawn with: a character key per colour.
#pragma once
#include "canvas.h"
#include <string>

struct Palette {
    Rgba colors[128];  // colour of each ASCII key
    bool defined[128]; // key has a colour
};

// Reads lines "KEY R G B [A]"; '.' is reserved for "leave the pixel as it is".
Palette LoadPalette(const std::string& path);
// Looks a key up; exits with a source error naming the context when undefined.
Rgba PaletteColor(const Palette& palette, char key, const std::string& context);
