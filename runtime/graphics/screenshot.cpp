// Two helpers for tests and screenshots: reading one pixel of the draw target,
// and saving the back buffer as a PNG (through libpng) or a 24-bit BMP.
#include <setjmp.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <png.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/memory.h"
#include "runtime/file/disk_file.h"
#include "runtime/file/file_ops.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"

namespace {

// Raw value of one pixel (1, 2 or 4 bytes, little-endian).
static uint32_t ReadRawPixel(const MEMIMG* image, int x, int y) {
    int bytes = image->Format ? image->Format->PixelByte : 0;
    const uint8_t* p = image->Pixels + (int64_t)y * image->Pitch + (int64_t)x * bytes;
    switch (bytes) {
        case 1:
            return p[0];
        case 2:
            return (uint32_t)(p[0] | (p[1] << 8));
        case 4:
            return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
        default:
            return 0;
    }
}

// Channel rescaled to 0..255 with truncation, as GetColorRGB does.
static uint8_t Channel8(uint32_t value, uint32_t mask, int shift, int bits) {
    if (bits == 0) return 0;
    uint32_t v = (value & mask) >> shift;
    if (bits >= 8) return (uint8_t)(v >> (bits - 8));
    return (uint8_t)(v * 255 / ((1u << bits) - 1));
}

// One row of the image as red, green, blue bytes.
static void RowToRgb(const MEMIMG* image, int y, uint8_t* rgb) {
    const ColorFormat* f = image->Format;
    // Palette pixels are entries in the kind's plain format.
    const ColorFormat* plain = image->UsePalette ? GetMemImgColorFormat(image->PixelKind, 0, 0) : f;
    for (int x = 0; x < image->Width; ++x) {
        uint32_t v = ReadRawPixel(image, x, y);
        if (image->UsePalette) v = image->Palette ? image->Palette[v & 0xFF] : 0;
        rgb[x * 3] = Channel8(v, plain->RedMask, plain->RedShift, plain->RedBits);
        rgb[x * 3 + 1] = Channel8(v, plain->GreenMask, plain->GreenShift, plain->GreenBits);
        rgb[x * 3 + 2] = Channel8(v, plain->BlueMask, plain->BlueShift, plain->BlueBits);
    }
}

// Everything the PNG writer's error path has to release.
struct PngWriteJob {
    FILE* file;      // the open output file
    png_structp png; // libpng write structure
    png_infop info;  // libpng info structure
    uint8_t* row;    // one RGB row (tracked)
};

static void PngWriteError(png_structp png, png_const_charp message) {
    png_longjmp(png, 1);
}

static void PngWriteWarning(png_structp png, png_const_charp message) {}

// Kept apart from the public operation so that no object with a destructor
// lives in the frame the library may jump out of.
static int WritePng(const MEMIMG* image, PngWriteJob* job) {
    job->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, PngWriteError, PngWriteWarning);
    if (!job->png) return -1;
    job->info = png_create_info_struct(job->png);
    if (!job->info) return -1;
    if (setjmp(png_jmpbuf(job->png))) return -1;
    png_init_io(job->png, job->file);
    png_set_IHDR(job->png, job->info, (png_uint_32)image->Width, (png_uint_32)image->Height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(job->png, job->info);
    for (int y = 0; y < image->Height; ++y) {
        RowToRgb(image, y, job->row);
        png_write_row(job->png, job->row);
    }
    png_write_end(job->png, job->info);
    return 0;
}

static void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

// 24-bit bottom-up BMP with a 40-byte information header.
static int WriteBmp(const MEMIMG* image, FILE* file, uint8_t* rgb) {
    int rowSize = (image->Width * 3 + 3) & ~3;
    uint32_t dataSize = (uint32_t)rowSize * (uint32_t)image->Height;
    uint8_t header[54];
    memset(header, 0, sizeof(header));
    header[0] = 'B';
    header[1] = 'M';
    PutLe32(header + 2, 54 + dataSize);
    PutLe32(header + 10, 54);
    PutLe32(header + 14, 40);
    PutLe32(header + 18, (uint32_t)image->Width);
    PutLe32(header + 22, (uint32_t)image->Height);
    header[26] = 1;
    header[28] = 24;
    PutLe32(header + 34, dataSize);
    if (fwrite(header, 1, 54, file) != 54) return -1;
    uint8_t* out = (uint8_t*)RT_CALLOC(rowSize);
    if (!out) return -1;
    int result = 0;
    for (int y = image->Height - 1; y >= 0 && result == 0; --y) {
        RowToRgb(image, y, rgb);
        for (int x = 0; x < image->Width; ++x) { // red, green, blue -> blue, green, red
            out[x * 3] = rgb[x * 3 + 2];
            out[x * 3 + 1] = rgb[x * 3 + 1];
            out[x * 3 + 2] = rgb[x * 3];
        }
        if (fwrite(out, 1, (size_t)rowSize, file) != (size_t)rowSize) result = -1;
    }
    RT_FREE(out);
    return result;
}

} // namespace

int GetPixel(int x, int y, unsigned int* color) {
    API_LOCK();
    MEMIMG* image = CurrentTargetImage();
    if (!color || !image || image->InitMark != MEMIMG_INIT_MARK || !image->Pixels || !image->Format) return -1;
    if (x < 0 || y < 0 || x >= image->Width || y >= image->Height) return -1;
    if (TargetIsFront()) RefreshFrontBuffer();
    // Spare bits carry no colour; set them as MakeColor does so values compare equal.
    *color = ReadRawPixel(image, x, y) | image->Format->SpareMask;
    return 0;
}

int SaveScreenToFile(const char* path) {
    API_LOCK();
    const MEMIMG* image = &g_screen.backBuffer;
    if (!path || !g_screen.surfacesReady || image->InitMark != MEMIMG_INIT_MARK || !image->Pixels || !image->Format ||
        image->Width <= 0 || image->Height <= 0)
        return -1;
    const char* dot = strrchr(path, '.');
    int png = dot && strcasecmp(dot, ".png") == 0;
    int bmp = dot && strcasecmp(dot, ".bmp") == 0;
    if (!png && !bmp) return -1;
    char diskPath[DiskPathMax];
    ResolveDiskPath(path, diskPath, sizeof(diskPath)); // "\" becomes "/" even for a new file
    FILE* file = fopen(diskPath, "wb");
    if (!file) return -1;
    uint8_t* rgb = (uint8_t*)RT_ALLOC((int64_t)image->Width * 3);
    int result = -1;
    if (rgb && png) {
        PngWriteJob job = {file, nullptr, nullptr, rgb};
        result = WritePng(image, &job);
        if (job.png) png_destroy_write_struct(&job.png, job.info ? &job.info : nullptr);
    } else if (rgb) {
        result = WriteBmp(image, file, rgb);
    }
    if (rgb) RT_FREE(rgb);
    if (fclose(file) != 0) result = -1;
    if (result != 0) remove(diskPath);
    return result;
}
