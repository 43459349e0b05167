// Palette file parsing.
#include "palette.h"

#include <cstddef>

#include "text_source.h"

Palette LoadPalette(const std::string& path) {
    Palette p{};
    SourceFile file = LoadSourceFile(path);
    for (const SourceLine& line : file.lines) {
        if (IsBlankOrComment(line.text)) continue;
        std::vector<std::string> w = SplitWords(line.text);
        if (w.size() < 4 || w[0].size() != 1) SourceError(file, line.number, "expected KEY R G B [A]");
        unsigned char key = static_cast<unsigned char>(w[0][0]);
        if (key >= 128 || key == '.') SourceError(file, line.number, "bad palette key");
        if (p.defined[key]) SourceError(file, line.number, "key defined twice");
        int r = ParseInt(file, line.number, w[1]);
        int g = ParseInt(file, line.number, w[2]);
        int b = ParseInt(file, line.number, w[3]);
        int a = w.size() > 4 ? ParseInt(file, line.number, w[4]) : 255;
        if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255 || a < 0 || a > 255)
            SourceError(file, line.number, "channel out of 0..255");
        p.colors[key] = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b),
                         static_cast<uint8_t>(a)};
        p.defined[key] = true;
    }
    return p;
}

Rgba PaletteColor(const Palette& palette, char key, const std::string& context) {
    unsigned char k = static_cast<unsigned char>(key);
    if (k >= 128 || !palette.defined[k])
        ToolError(context + ": colour key '" + std::string(1, key) + "' is not in the palette");
    return palette.colors[k];
}
