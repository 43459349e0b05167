// The libpng writing of 8-bit RGBA rows, shared by the asset generator and the icon
// scaler. Kept free of C++ objects, so libpng's error jump cannot skip a destructor.
#pragma once

#include <png.h>
#include <stdio.h>

// Writes the rows as an RGBA PNG; level is the zlib level, or -1 for libpng's default.
inline bool EncodePngRgba(FILE* f, int width, int height, png_bytep* rows, int level) {
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
    if (level >= 0) png_set_compression_level(png, level);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
