// Pixel font parsing and text drawing.
#include "pixel_font.h"

#include <cstddef>

#include "text_source.h"

PixelFont LoadPixelFont(const std::string& path) {
    PixelFont font;
    SourceFile file = LoadSourceFile(path);
    size_t i = 0;
    while (i < file.lines.size()) {
        const SourceLine& line = file.lines[i++];
        if (IsBlankOrComment(line.text)) continue;
        std::vector<std::string> w = SplitWords(line.text);
        if (w[0] == "size" && w.size() == 4) {
            font.glyphWidth = ParseInt(file, line.number, w[1]);
            font.glyphHeight = ParseInt(file, line.number, w[2]);
            font.advance = ParseInt(file, line.number, w[3]);
            if (font.glyphWidth < 1 || font.glyphWidth > 16 || font.glyphHeight < 1 || font.glyphHeight > 16)
                SourceError(file, line.number, "glyph size out of 1..16");
        } else if (w[0] == "glyph") {
            // "glyph space" names the blank; otherwise the glyph's own character follows.
            if (font.glyphHeight == 0) SourceError(file, line.number, "size must come first");
            std::string rest = line.text.substr(line.text.find("glyph") + 5);
            while (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
            unsigned char c = rest == "space" ? ' ' : static_cast<unsigned char>(rest.empty() ? 0 : rest[0]);
            if (c == 0 || c >= 128 || font.defined[c]) SourceError(file, line.number, "bad or repeated glyph");
            std::string bits;
            for (int r = 0; r < font.glyphHeight; ++r) {
                if (i >= file.lines.size()) SourceError(file, line.number, "glyph rows missing");
                const SourceLine& row = file.lines[i++];
                if (static_cast<int>(row.text.size()) != font.glyphWidth)
                    SourceError(file, row.number, "glyph row has the wrong width");
                for (char ch : row.text) {
                    if (ch != 'X' && ch != '.') SourceError(file, row.number, "glyph rows use only X and .");
                }
                bits += row.text;
            }
            font.rows[c] = bits;
            font.defined[c] = true;
        } else {
            SourceError(file, line.number, "unknown font command");
        }
    }
    return font;
}

int TextWidth(const PixelFont& font, const std::string& text, int scale) {
    if (text.empty()) return 0;
    return (static_cast<int>(text.size()) - 1) * font.advance * scale + font.glyphWidth * scale;
}

void DrawText(Canvas& canvas, const PixelFont& font, int x, int y, const std::string& text, Rgba color, int scale) {
    int penX = x;
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 128 || !font.defined[c]) ToolError(std::string("pixel font has no glyph for '") + ch + "'");
        const std::string& bits = font.rows[c];
        for (int gy = 0; gy < font.glyphHeight; ++gy)
            for (int gx = 0; gx < font.glyphWidth; ++gx)
                if (bits[gy * font.glyphWidth + gx] == 'X')
                    for (int sy = 0; sy < scale; ++sy)
                        for (int sx = 0; sx < scale; ++sx)
                            PutPixel(canvas, penX + gx * scale + sx, y + gy * scale + sy, color);
        penX += font.advance * scale;
    }
}
