// Runs a picture script (a .pic source): pixel-art grids, palette keys and a few
// drawing commands, giving a Canvas and the file kind it is to be written as.
#pragma once
#include "canvas.h"
#include "palette.h"
#include "pixel_font.h"
#include <map>
#include <string>

enum PictureKind { PictureBmp, PicturePng };

struct Picture {
    Canvas canvas;    // the finished pixels
    PictureKind kind; // BMP (24-bit, green key) or PNG (RGBA)
};

// Everything a script may refer to besides its own file.
struct PictureContext {
    const Palette* palette;                      // the shared palette
    const PixelFont* font;                       // our pixel font
    const std::map<std::string, Picture>* built; // pictures finished earlier, by name
};

Picture RunPictureScript(const std::string& path, const PictureContext& context);
