// BMP and PNG encoders for the generated pictures.
#include "image_write.h"

#include <cstddef>
#include <png.h>

#include <cstdio>
#include <vector>

namespace {
void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
} // namespace

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

// libpng part kept free of C++ objects, so its error jump cannot skip a destructor.
static bool EncodePng(FILE* f, int width, int height, png_bytep* rowPointers) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rowPointers);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
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
    bool ok = EncodePng(f, canvas.width, canvas.height, rowPointers.data());
    return std::fclose(f) == 0 && ok;
}
