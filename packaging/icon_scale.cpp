// icon_scale: writes the game's icon at the sizes the desktop asks for, by
// nearest-neighbour sampling, so the pixel art stays sharp at every size.
//   icon_scale INPUT.png OUTDIR SIZE...   writes OUTDIR/SIZExSIZE.png for each size
#include <png.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

// Largest icon edge we write; desktops ask for 512 at most.
const int kMaxSize = 1024;

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba; // width * height * 4 bytes
};

// libpng part kept free of C++ objects, so its error jump cannot skip a destructor.
bool DecodeRgba(FILE* file, png_uint_32* width, png_uint_32* height, unsigned char** pixels) {
    *pixels = nullptr;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    // Volatile: it is set after setjmp and read again after the error jump.
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        free(rows);
        free(*pixels);
        *pixels = nullptr;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    if (*width == 0 || *height == 0 || *width > kMaxSize || *height > kMaxSize ||
        png_get_rowbytes(png, info) != *width * 4) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    *pixels = (unsigned char*)malloc((size_t)*width * *height * 4);
    rows = (png_bytep*)malloc(sizeof(png_bytep) * *height);
    if (!*pixels || !rows) png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < *height; y++) rows[y] = *pixels + (size_t)y * *width * 4;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool EncodeRgba(FILE* file, int width, int height, png_bytep* rows) {
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
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool ReadPng(const char* path, Image& image) {
    FILE* file = fopen(path, "rb");
    if (!file) return false;
    png_uint_32 width = 0, height = 0;
    unsigned char* pixels = nullptr;
    bool ok = DecodeRgba(file, &width, &height, &pixels);
    fclose(file);
    if (!ok) return false;
    image.width = (int)width;
    image.height = (int)height;
    image.rgba.assign(pixels, pixels + (size_t)width * height * 4);
    free(pixels);
    return true;
}

// Pixel (x, y) of the square result takes the source pixel under its centre.
Image Scale(const Image& source, int size) {
    Image out;
    out.width = out.height = size;
    out.rgba.resize((size_t)size * size * 4);
    for (int y = 0; y < size; y++) {
        int sy = (int)(((long long)y * 2 + 1) * source.height / (2LL * size));
        for (int x = 0; x < size; x++) {
            int sx = (int)(((long long)x * 2 + 1) * source.width / (2LL * size));
            memcpy(&out.rgba[((size_t)y * size + x) * 4], &source.rgba[((size_t)sy * source.width + sx) * 4], 4);
        }
    }
    return out;
}

bool WritePng(const std::string& path, const Image& image) {
    std::vector<png_bytep> rows((size_t)image.height);
    for (int y = 0; y < image.height; y++) rows[(size_t)y] = (png_bytep)&image.rgba[(size_t)y * image.width * 4];
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = EncodeRgba(file, image.width, image.height, rows.data());
    return fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: icon_scale INPUT.png OUTDIR SIZE...\n");
        return 2;
    }
    Image source;
    if (!ReadPng(argv[1], source)) {
        fprintf(stderr, "icon_scale: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; i++) {
        char* end = nullptr;
        long size = strtol(argv[i], &end, 10);
        if (!end || *end || size < 1 || size > kMaxSize) {
            fprintf(stderr, "icon_scale: bad size %s\n", argv[i]);
            return 2;
        }
        std::string path = std::string(argv[2]) + "/" + argv[i] + "x" + argv[i] + ".png";
        if (!WritePng(path, Scale(source, (int)size))) {
            fprintf(stderr, "icon_scale: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
