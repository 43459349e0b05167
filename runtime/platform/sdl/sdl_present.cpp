// The desktop backend's present: the frame is uploaded into a streaming texture
// (RGB565 or XRGB8888) and drawn nearest-neighbour into the client area at the
// largest whole scale that fits, centred on black; the vertical blank is a timer
// at the refresh rate.
#include <stdlib.h>
#include <string.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_internal.h"

static struct {
    Uint32 windowId;          // window the renderer below belongs to (0 = none yet)
    SDL_Renderer* renderer;   // the window's renderer
    SDL_Texture* texture;     // streaming texture of the last frame's size and format
    int textureW, textureH;   // its size
    int textureBits;          // 16 or 32
    uint32_t* lastFrame;      // what the window shows, XRGB8888 (read-back)
    int lastW, lastH;         // its size
    int lastCapacity;         // pixels allocated
    Uint64 periodTicks;       // one refresh period in performance-counter ticks
} s_present;

void SdlFitPicture(int width, int height, int outW, int outH, int* x, int* y, int* w, int* h) {
    // The largest whole multiple keeps every pixel the same size; only an output
    // smaller than the picture itself gets the largest rectangle of its aspect.
    int scale = outW / width < outH / height ? outW / width : outH / height;
    if (scale >= 1) {
        *w = width * scale;
        *h = height * scale;
    } else if ((int64_t)outW * height <= (int64_t)outH * width) {
        *w = outW;
        *h = (int)((int64_t)outW * height / width);
    } else {
        *h = outH;
        *w = (int)((int64_t)outH * width / height);
    }
    *x = (outW - *w) / 2;
    *y = (outH - *h) / 2;
}

static int RefreshRateHz(void) {
    SDL_Window* window = SdlMainWindow();
    SDL_DisplayMode mode;
    int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    if (display < 0) display = 0;
    if (SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
    return 0;
}

static Uint64 PeriodTicks(void) {
    if (!s_present.periodTicks) {
        int hz = RefreshRateHz();
        if (hz <= 0) hz = 60;
        s_present.periodTicks = SDL_GetPerformanceFrequency() / (Uint64)hz;
        if (!s_present.periodTicks) s_present.periodTicks = 1;
    }
    return s_present.periodTicks;
}

// The renderer of the current window; rebuilt when the window was re-created.
static SDL_Renderer* CurrentRenderer(SDL_Window* window) {
    Uint32 id = SDL_GetWindowID(window);
    if (id != s_present.windowId || !s_present.renderer) {
        // The old renderer went with its window.
        s_present.texture = nullptr;
        s_present.renderer = SDL_GetRenderer(window);
        if (!s_present.renderer) {
            SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
            s_present.renderer = SDL_CreateRenderer(window, -1, 0);
            if (!s_present.renderer) s_present.renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
        }
        s_present.windowId = s_present.renderer ? id : 0;
    }
    return s_present.renderer;
}

static void KeepLastFrame(const void* pixels, int pitch, int width, int height, int bits) {
    int count = width * height;
    if (count > s_present.lastCapacity) {
        uint32_t* grown = (uint32_t*)realloc(s_present.lastFrame, (size_t)count * 4);
        if (!grown) return;
        s_present.lastFrame = grown;
        s_present.lastCapacity = count;
    }
    for (int y = 0; y < height; y++) {
        const uint8_t* row = (const uint8_t*)pixels + (size_t)y * pitch;
        uint32_t* out = s_present.lastFrame + (size_t)y * width;
        if (bits == 32) {
            const uint32_t* src = (const uint32_t*)row;
            for (int x = 0; x < width; x++) out[x] = src[x] & 0xFFFFFF;
        } else {
            const uint16_t* src = (const uint16_t*)row;
            for (int x = 0; x < width; x++) {
                uint32_t c = src[x], r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
                out[x] = (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
            }
        }
    }
    s_present.lastW = width;
    s_present.lastH = height;
}

void PlatformPresent(const void* pixels, int pitch, int width, int height, int bitsPerPixel) {
    if (!pixels || width <= 0 || height <= 0 || width > 16384 || height > 16384) return;
    if (bitsPerPixel != 16 && bitsPerPixel != 32) return;
    if (pitch < width * (bitsPerPixel / 8)) return;
    KeepLastFrame(pixels, pitch, width, height, bitsPerPixel);
    SDL_Window* window = SdlMainWindow();
    if (!window) return;
    SDL_Renderer* renderer = CurrentRenderer(window);
    if (!renderer) return;
    if (!s_present.texture || s_present.textureW != width || s_present.textureH != height ||
        s_present.textureBits != bitsPerPixel) {
        if (s_present.texture) SDL_DestroyTexture(s_present.texture);
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
        s_present.texture = SDL_CreateTexture(renderer,
                                              bitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888,
                                              SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!s_present.texture) return;
        s_present.textureW = width;
        s_present.textureH = height;
        s_present.textureBits = bitsPerPixel;
    }
    SDL_UpdateTexture(s_present.texture, nullptr, pixels, pitch);
    int outW = 0, outH = 0;
    if (SDL_GetRendererOutputSize(renderer, &outW, &outH) != 0 || outW <= 0 || outH <= 0) return;
    SDL_Rect dest;
    SdlFitPicture(width, height, outW, outH, &dest.x, &dest.y, &dest.w, &dest.h);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, s_present.texture, nullptr, &dest);
    SDL_RenderPresent(renderer);
}

void PlatformWaitVBlank(void) {
    Uint64 period = PeriodTicks();
    Uint64 now = SDL_GetPerformanceCounter();
    Uint64 next = (now / period + 1) * period;
    Uint64 frequency = SDL_GetPerformanceFrequency();
    // Sleep the bulk, then spin the last millisecond or so.
    for (;;) {
        now = SDL_GetPerformanceCounter();
        if (now >= next) break;
        Uint64 remainingMs = (next - now) * 1000 / frequency;
        if (remainingMs > 1) SDL_Delay((Uint32)(remainingMs - 1));
    }
}

int PlatformInVBlank(void) {
    Uint64 period = PeriodTicks();
    // The blank is taken as the first twentieth of each period.
    return (SDL_GetPerformanceCounter() % period) < period / 20 ? 1 : 0;
}

int PlatformRefreshRate(void) {
    return RefreshRateHz();
}

int PlatformReadWindowImage(uint32_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0) return -1;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            uint32_t c = 0;
            if (s_present.lastFrame && x < s_present.lastW && y < s_present.lastH)
                c = s_present.lastFrame[(size_t)y * s_present.lastW + x];
            pixels[(size_t)y * width + x] = c;
        }
    }
    return 0;
}
