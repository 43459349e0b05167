// The desktop backend's present: the frame is drawn nearest-neighbour into the
// client area at the largest whole scale that fits, centred on black; with a GPU
// through a streaming texture (RGB565 or XRGB8888), without one scaled here
// straight into the window's surface. The vertical blank is a timer at the
// refresh rate.
#ifndef _WIN32
#include <dlfcn.h>
#include <glob.h>
#endif
#include <stdlib.h>
#include <string.h>
#include <time.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_internal.h"

static struct {
    Uint32 windowId;         // window the renderer below belongs to (0 = none yet)
    SDL_Renderer* renderer;  // the window's renderer, or null when drawing into its surface
    int useSurface;          // no GPU: frames are scaled here into the window's surface
    SDL_Surface* barsDoneOn; // surface whose black bars are drawn for barsDest
    SDL_Rect barsDest;       // picture rectangle of the last frame drawn on it
    int* columns;            // source column of each destination column
    int columnCount;         // entries: the destination width
    int columnSource;        // the source width they map
    uint32_t* row;           // one source row as XRGB8888
    int rowCapacity;         // pixels allocated
    SDL_atomic_t exposed;    // the window was exposed: the next update is whole
    int watching;            // the expose watch is installed
    SDL_Texture* texture;    // streaming texture of the last frame's size and format
    int textureW, textureH;  // its size
    int textureBits;         // 16 or 32
    uint8_t* lastFrame;      // what the window shows, as presented (read-back)
    int lastW, lastH;        // its size
    int lastBits;            // its depth, 16 or 32
    int lastCapacity;        // bytes allocated
    uint8_t* rowChanged;     // per row of the last frame: it differs from the one before
    int rowsCapacity;        // rows allocated
    int surfaceInSync;       // the surface shows the kept frame before this one
    Uint64 periodTicks;      // one refresh period in performance-counter ticks
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

// SDL's own software renderer, writing straight into the X window: its window
// surface must not be a texture of a GL renderer either.
static SDL_Renderer* CreateSoftwareRenderer(SDL_Window* window) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    return SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
}

// No render node: no GPU driver, so any OpenGL would be a software rasteriser.
static bool NoGpuDevice(void) {
#ifdef _WIN32
    return false; // the system's renderer choice stands
#else
    glob_t found;
    bool none = glob("/dev/dri/renderD*", 0, nullptr, &found) != 0 || found.gl_pathc == 0;
    globfree(&found);
    return none;
#endif
}

// An X server without DRI3 or DRI2 (Xvfb, a remote display) gives GL clients only a
// software rasteriser, render node or not; probing GL there would leave the
// rasteriser loaded (about 70 MB resident). libX11 is the one SDL already uses.
static bool XServerWithoutDri(void) {
#ifdef _WIN32
    return false;
#else
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || strcmp(driver, "x11") != 0) return false;
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY);
    if (!x11) return false;
    typedef void* (*OpenFn)(const char*);
    typedef int (*QueryFn)(void*, const char*, int*, int*, int*);
    typedef int (*CloseFn)(void*);
    OpenFn openDisplay = (OpenFn)dlsym(x11, "XOpenDisplay");
    QueryFn query = (QueryFn)dlsym(x11, "XQueryExtension");
    CloseFn closeDisplay = (CloseFn)dlsym(x11, "XCloseDisplay");
    bool without = false;
    void* display = openDisplay && query && closeDisplay ? openDisplay(nullptr) : nullptr;
    if (display) {
        int op = 0, event = 0, error = 0;
        without = !query(display, "DRI3", &op, &event, &error) && !query(display, "DRI2", &op, &event, &error);
        closeDisplay(display);
    }
    dlclose(x11);
    return without;
#endif
}

// A GL renderer drawn by Mesa's CPU rasterisers (what SDL picks under Xvfb).
static bool OnSoftwareGl(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name || strncmp(info.name, "opengl", 6) != 0) return false;
    typedef const unsigned char* (*GetStringFn)(unsigned int);
    GetStringFn getString = (GetStringFn)SDL_GL_GetProcAddress("glGetString");
    const char* name = getString ? (const char*)getString(0x1F01 /* GL_RENDERER */) : nullptr;
    if (!name) return false;
    return strstr(name, "llvmpipe") || strstr(name, "softpipe") || strstr(name, "swrast") ||
           strstr(name, "Software Rasterizer");
}

// Called by SDL for every event as it is queued (any thread).
static int SDLCALL WatchExposes(void*, SDL_Event* event) {
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_EXPOSED)
        SDL_AtomicSet(&s_present.exposed, 1);
    return 0;
}

// Without a GPU, a GL renderer is a software rasteriser with a JIT compiler
// (about 90 MB resident) and SDL's software renderer converts and scales pixel by
// pixel: both cost a tenth of a core or more for one small picture. There the
// frame is scaled here into the window's surface (null returned, useSurface set).
// A GPU keeps SDL's accelerated choice; SDL_RENDER_DRIVER, when set, is obeyed.
static SDL_Renderer* CreateLightRenderer(SDL_Window* window) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    if (asked && *asked) {
        SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
        return renderer ? renderer : CreateSoftwareRenderer(window);
    }
    if (!NoGpuDevice() && !XServerWithoutDri()) {
        SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
        if (renderer && !OnSoftwareGl(renderer)) return renderer;
        if (renderer) SDL_DestroyRenderer(renderer);
    }
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_GetWindowSurface(window)) {
        s_present.useSurface = 1;
        if (!s_present.watching) SDL_AddEventWatch(WatchExposes, nullptr);
        s_present.watching = 1;
        return nullptr;
    }
    return CreateSoftwareRenderer(window);
}

// The renderer of the current window (null in surface mode); chosen again when
// the window was re-created.
static SDL_Renderer* CurrentRenderer(SDL_Window* window) {
    Uint32 id = SDL_GetWindowID(window);
    if (id != s_present.windowId || (!s_present.renderer && !s_present.useSurface)) {
        // The old renderer went with its window.
        s_present.texture = nullptr;
        s_present.useSurface = 0;
        s_present.barsDoneOn = nullptr;
        s_present.renderer = SDL_GetRenderer(window);
        if (!s_present.renderer) s_present.renderer = CreateLightRenderer(window);
        s_present.windowId = s_present.renderer || s_present.useSurface ? id : 0;
    }
    return s_present.renderer;
}

// Where the picture goes in an output of outW x outH.
static SDL_Rect FitRect(int outW, int outH, int width, int height) {
    SDL_Rect dest;
    SdlFitPicture(width, height, outW, outH, &dest.x, &dest.y, &dest.w, &dest.h);
    return dest;
}

// 565 pixels as XRGB8888, each channel widened by repeating its top bits.
static void Widen565(const uint16_t* src, uint32_t* out, int count) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i m6 = _mm_set1_epi16(63), m5 = _mm_set1_epi16(31);
    for (; x + 8 <= count; x += 8) {
        __m128i c = _mm_loadu_si128((const __m128i*)(src + x));
        __m128i r = _mm_srli_epi16(c, 11), g = _mm_and_si128(_mm_srli_epi16(c, 5), m6), b = _mm_and_si128(c, m5);
        r = _mm_or_si128(_mm_slli_epi16(r, 3), _mm_srli_epi16(r, 2));
        g = _mm_or_si128(_mm_slli_epi16(g, 2), _mm_srli_epi16(g, 4));
        b = _mm_or_si128(_mm_slli_epi16(b, 3), _mm_srli_epi16(b, 2));
        __m128i gb = _mm_or_si128(_mm_slli_epi16(g, 8), b);
        _mm_storeu_si128((__m128i*)(out + x), _mm_unpacklo_epi16(gb, r));
        _mm_storeu_si128((__m128i*)(out + x + 4), _mm_unpackhi_epi16(gb, r));
    }
#endif
    for (; x < count; x++) {
        uint32_t c = src[x], r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
        out[x] = (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
    }
}

#if defined(__SSE2__)
// The window surface goes to the X server, not back through this cache: aligned
// rows are written around it, which also spares reading them in first.
static inline void Put4(uint32_t* out, __m128i v, bool stream) {
    if (stream) _mm_stream_si128((__m128i*)out, v);
    else _mm_storeu_si128((__m128i*)out, v);
}
#endif

// One source row scaled into a destination row: straight at 1:1, repeated at
// whole factors, through the column table otherwise.
static void ScaleRow(const uint32_t* src, int width, uint32_t* out, int outWidth, const int* columns) {
    if (outWidth == width) {
        memcpy(out, src, (size_t)width * 4);
    } else if (outWidth % width == 0) {
        const int k = outWidth / width;
        int x = 0;
#if defined(__SSE2__)
        // The usual factors a vector at a time: x2 (a window) and x4 (a full screen).
        const bool stream = ((uintptr_t)out & 15) == 0;
        if (k == 2) {
            for (; x + 4 <= width; x += 4, out += 8) {
                __m128i v = _mm_loadu_si128((const __m128i*)(src + x));
                Put4(out, _mm_unpacklo_epi32(v, v), stream);
                Put4(out + 4, _mm_unpackhi_epi32(v, v), stream);
            }
        } else if (k == 4) {
            for (; x < width; x++, out += 4) Put4(out, _mm_set1_epi32((int)src[x]), stream);
        }
#endif
        for (; x < width; x++, out += k)
            for (int j = 0; j < k; j++) out[j] = src[x];
    } else {
        for (int x = 0; x < outWidth; x++) out[x] = src[columns[x]];
    }
}

// Surface mode: each source row converted once, scaled into its first destination
// row, and copied to the rows that repeat it; the bars are drawn only when the
// picture's place changes.
static void PresentToSurface(SDL_Window* window, const void* pixels, int pitch, int width, int height, int bits,
                             bool inSync) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (!surface || surface->w <= 0 || surface->h <= 0) return;
    SDL_Rect dest = FitRect(surface->w, surface->h, width, height);
    if (dest.w <= 0 || dest.h <= 0) return;
    const SDL_PixelFormat* f = surface->format;
    if (f->BytesPerPixel != 4 || f->Rmask != 0xFF0000 || f->Gmask != 0xFF00 || f->Bmask != 0xFF) {
        // An unusual visual: SDL converts and scales.
        SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(
            (void*)pixels, width, height, bits, pitch, bits == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888);
        if (!frame) return;
        SDL_FillRect(surface, nullptr, 0);
        SDL_BlitScaled(frame, nullptr, surface, &dest);
        SDL_FreeSurface(frame);
        SDL_UpdateWindowSurface(window);
        return;
    }
    if (dest.w > s_present.columnCount || s_present.columnSource != width) {
        int* grown = (int*)realloc(s_present.columns, (size_t)dest.w * sizeof(int));
        if (!grown) return;
        s_present.columns = grown;
        s_present.columnCount = dest.w;
        s_present.columnSource = width;
        for (int x = 0; x < dest.w; x++) s_present.columns[x] = (int)((int64_t)x * width / dest.w);
    } else if (s_present.columnCount != dest.w) {
        s_present.columnCount = dest.w;
        for (int x = 0; x < dest.w; x++) s_present.columns[x] = (int)((int64_t)x * width / dest.w);
    }
    if (width > s_present.rowCapacity) {
        uint32_t* grown = (uint32_t*)realloc(s_present.row, (size_t)width * 4);
        if (!grown) return;
        s_present.row = grown;
        s_present.rowCapacity = width;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    const bool whole =
        !inSync || s_present.barsDoneOn != surface || memcmp(&s_present.barsDest, &dest, sizeof dest) != 0;
    if (whole) {
        SDL_FillRect(surface, nullptr, 0);
        s_present.barsDoneOn = surface;
        s_present.barsDest = dest;
    }
    const int* columns = s_present.columns;
    uint32_t* previous = nullptr;
    int previousY = -1;
    for (int y = 0; y < dest.h; y++) {
        int sy = (int)((int64_t)y * height / dest.h);
        if (!whole && !s_present.rowChanged[sy]) continue; // the surface still shows it
        uint32_t* out = (uint32_t*)((uint8_t*)surface->pixels + (size_t)(dest.y + y) * surface->pitch) + dest.x;
        const uint8_t* in = (const uint8_t*)pixels + (size_t)sy * pitch;
        if (sy == previousY && dest.w % width != 0) {
            memcpy(out, previous, (size_t)dest.w * 4);
        } else if (bits == 32) {
            ScaleRow((const uint32_t*)in, width, out, dest.w, columns);
        } else if (dest.w == width) {
            Widen565((const uint16_t*)in, out, width);
        } else {
            // A repeated row is scaled again from the widened row, still in the cache.
            if (sy != previousY) Widen565((const uint16_t*)in, s_present.row, width);
            ScaleRow(s_present.row, width, out, dest.w, columns);
        }
        previous = out;
        previousY = sy;
    }
#if defined(__SSE2__)
    _mm_sfence();
#endif
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    // Exposed parts of the bars come back with the next whole update.
    if (whole || SDL_AtomicSet(&s_present.exposed, 0)) SDL_UpdateWindowSurface(window);
    else SDL_UpdateWindowSurfaceRects(window, &dest, 1);
    s_present.surfaceInSync = 1;
}

// Makes *block hold at least `bytes` bytes; false (the block kept) when it cannot.
static bool GrowBytes(uint8_t** block, int* capacity, int64_t bytes) {
    if (bytes <= *capacity) return true;
    uint8_t* grown = (uint8_t*)realloc(*block, (size_t)bytes);
    if (!grown) return false;
    *block = grown;
    *capacity = (int)bytes;
    return true;
}

// Keeps the frame as it came (a copy, converted only when read back), noting
// which rows differ from the frame before: unchanged rows need not be redrawn.
static void KeepLastFrame(const void* pixels, int pitch, int width, int height, int bits) {
    int rowBytes = width * (bits / 8);
    int64_t bytes = (int64_t)rowBytes * height;
    const bool comparable =
        s_present.lastFrame && width == s_present.lastW && height == s_present.lastH && bits == s_present.lastBits;
    if (!GrowBytes(&s_present.lastFrame, &s_present.lastCapacity, bytes) ||
        !GrowBytes(&s_present.rowChanged, &s_present.rowsCapacity, height)) {
        s_present.surfaceInSync = 0; // rows can no longer be compared
        return;
    }
    for (int y = 0; y < height; y++) {
        uint8_t* kept = s_present.lastFrame + (size_t)y * rowBytes;
        const uint8_t* row = (const uint8_t*)pixels + (size_t)y * pitch;
        s_present.rowChanged[y] = !comparable || memcmp(kept, row, rowBytes) != 0;
        if (s_present.rowChanged[y]) memcpy(kept, row, rowBytes);
    }
    s_present.lastW = width;
    s_present.lastH = height;
    s_present.lastBits = bits;
}

// One pixel of the kept frame as XRGB8888.
static uint32_t LastFramePixel(int x, int y) {
    if (s_present.lastBits == 32)
        return ((const uint32_t*)s_present.lastFrame)[(size_t)y * s_present.lastW + x] & 0xFFFFFF;
    uint32_t c = ((const uint16_t*)s_present.lastFrame)[(size_t)y * s_present.lastW + x];
    uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
}

void PlatformPresent(const void* pixels, int pitch, int width, int height, int bitsPerPixel) {
    if (!pixels || width <= 0 || height <= 0 || width > 16384 || height > 16384) return;
    if (bitsPerPixel != 16 && bitsPerPixel != 32) return;
    if (pitch < width * (bitsPerPixel / 8)) return;
    KeepLastFrame(pixels, pitch, width, height, bitsPerPixel);
    const bool inSync = s_present.surfaceInSync; // the rows KeepLastFrame found unchanged are on the surface
    s_present.surfaceInSync = 0;
    SDL_Window* window = SdlMainWindow();
    if (!window) return;
    SDL_Renderer* renderer = CurrentRenderer(window);
    if (!renderer) {
        if (s_present.useSurface) PresentToSurface(window, pixels, pitch, width, height, bitsPerPixel, inSync);
        return;
    }
    if (!s_present.texture || s_present.textureW != width || s_present.textureH != height ||
        s_present.textureBits != bitsPerPixel) {
        if (s_present.texture) SDL_DestroyTexture(s_present.texture);
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
        s_present.texture =
            SDL_CreateTexture(renderer, bitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888,
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
    // Sleeps to the boundary: the blank is a timer, so a wake a few microseconds
    // late costs nothing, while spinning the last millisecond cost half the game's CPU.
    for (;;) {
        now = SDL_GetPerformanceCounter();
        if (now >= next) break;
        Uint64 remainingUs = (next - now) * 1000000 / frequency + 1;
        struct timespec pause = {(time_t)(remainingUs / 1000000), (long)(remainingUs % 1000000) * 1000};
        nanosleep(&pause, nullptr);
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
            if (s_present.lastFrame && x < s_present.lastW && y < s_present.lastH) c = LastFramePixel(x, y);
            pixels[(size_t)y * width + x] = c;
        }
    }
    return 0;
}
