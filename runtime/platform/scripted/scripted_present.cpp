// The headless backend's present: each frame is converted to XRGB8888 and kept
// in memory, counted, and can be saved as PNG; the vertical blank is immediate.
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"

static struct {
    std::mutex lock;   // frames may be read from a test thread
    uint32_t* pixels;  // last frame, XRGB8888, width * height
    int width, height; // its size
    int capacity;      // pixels allocated
    int presentCount;  // frames presented so far
} s_present;

void PlatformPresent(const void* pixels, int pitch, int width, int height, int bitsPerPixel) {
    if (!pixels || width <= 0 || height <= 0 || width > 16384 || height > 16384) return;
    if (bitsPerPixel != 16 && bitsPerPixel != 32) return;
    if (pitch < width * (bitsPerPixel / 8)) return;
    std::lock_guard<std::mutex> guard(s_present.lock);
    int count = width * height;
    if (count > s_present.capacity) {
        uint32_t* grown = (uint32_t*)realloc(s_present.pixels, (size_t)count * 4);
        if (!grown) return;
        s_present.pixels = grown;
        s_present.capacity = count;
    }
    for (int y = 0; y < height; y++) {
        const uint8_t* row = (const uint8_t*)pixels + (size_t)y * pitch;
        uint32_t* out = s_present.pixels + (size_t)y * width;
        if (bitsPerPixel == 32) {
            const uint32_t* src = (const uint32_t*)row;
            for (int x = 0; x < width; x++) out[x] = src[x] & 0xFFFFFF;
        } else {
            const uint16_t* src = (const uint16_t*)row;
            for (int x = 0; x < width; x++) {
                uint32_t c = src[x];
                uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
                out[x] = (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
            }
        }
    }
    s_present.width = width;
    s_present.height = height;
    s_present.presentCount++;
}

void PlatformWaitVBlank(void) {}

int PlatformInVBlank(void) {
    return 1;
}

int PlatformRefreshRate(void) {
    return 60;
}

int PlatformReadWindowImage(uint32_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0) return -1;
    std::lock_guard<std::mutex> guard(s_present.lock);
    if (!s_present.pixels) {
        memset(pixels, 0, (size_t)width * height * 4);
        return 0;
    }
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            uint32_t c = 0;
            if (x < s_present.width && y < s_present.height) c = s_present.pixels[(size_t)y * s_present.width + x];
            pixels[(size_t)y * width + x] = c;
        }
    }
    return 0;
}

int ScriptedPresentCount(void) {
    std::lock_guard<std::mutex> guard(s_present.lock);
    return s_present.presentCount;
}

const uint32_t* ScriptedLastFrame(int* width, int* height) {
    std::lock_guard<std::mutex> guard(s_present.lock);
    if (width) *width = s_present.pixels ? s_present.width : 0;
    if (height) *height = s_present.pixels ? s_present.height : 0;
    return s_present.pixels;
}

int ScriptedSaveLastFrame(const char* path) {
    std::lock_guard<std::mutex> guard(s_present.lock);
    if (!path || !s_present.pixels) return -1;
    FILE* file = fopen(path, "wb");
    if (!file) return -1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    uint8_t* volatile row = (uint8_t*)malloc((size_t)s_present.width * 3);
    if (!png || !info || !row || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        free((void*)row);
        fclose(file);
        return -1;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)s_present.width, (png_uint_32)s_present.height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < s_present.height; y++) {
        const uint32_t* src = s_present.pixels + (size_t)y * s_present.width;
        for (int x = 0; x < s_present.width; x++) {
            row[x * 3] = (uint8_t)(src[x] >> 16);
            row[x * 3 + 1] = (uint8_t)(src[x] >> 8);
            row[x * 3 + 2] = (uint8_t)src[x];
        }
        png_write_row(png, (png_bytep)row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    free((void*)row);
    return fclose(file) == 0 ? 0 : -1;
}
