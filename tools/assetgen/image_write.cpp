// BMP and PNG encoders for the generated pictures.
#include "image_write.h"

#include "byte_put.h"
#include "png_encode.h"

#include <cstddef>
#include <png.h>

#include <cstdio>
#include <vector>

bool WriteBmp24(const std::string& path, const Canvas& canvas) {
    uint32_t rowSize = (static_cast<uint32_t>(canvas.width) * 3 + 3) & ~3u;
    uint32_t dataSize = rowSize * static_cast<uint32_t>(canvas.height);
    std::vector<uint8_t> b;
    b.reserve(54 + dataSize);
    b.push_back('B');
    b.push_back('M');
    Put32(b, 54 + dataSize);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(canvas.width));
    Put32(b, static_cast<uint32_t>(canvas.height)); // positive: bottom row first
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, dataSize);
    Put32(b, 2835); // 72 dpi
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = canvas.height - 1; y >= 0; --y) {
        size_t start = b.size();
        for (int x = 0; x < canvas.width; ++x) {
            Rgba p = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
            if (p.a == 0) p = {0, 255, 0, 255};
            b.push_back(p.b);
            b.push_back(p.g);
            b.push_back(p.r);
        }
        while (b.size() - start < rowSize) b.push_back(0);
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

bool WritePngRgba(const std::string& path, const Canvas& canvas) {
    std::vector<uint8_t> rows(static_cast<size_t>(canvas.width) * canvas.height * 4);
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        rows[i * 4 + 0] = canvas.pixels[i].r;
        rows[i * 4 + 1] = canvas.pixels[i].g;
        rows[i * 4 + 2] = canvas.pixels[i].b;
        rows[i * 4 + 3] = canvas.pixels[i].a;
    }
    std::vector<png_bytep> rowPointers(canvas.height);
    for (int y = 0; y < canvas.height; ++y) rowPointers[y] = rows.data() + static_cast<size_t>(y) * canvas.width * 4;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = EncodePngRgba(f, canvas.width, canvas.height, rowPointers.data(), 9);
    return std::fclose(f) == 0 && ok;
}
