// The SDL backend's window: creation in windowed or desktop full-screen style,
// the event drain that turns SDL events into platform events and keeps the key
// state (raising the window when a second copy asks, see sdl_instance_lock*.cpp),
// and the window icon.
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <png.h>

#include "runtime/platform/common/ring_queue.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_internal.h"

namespace {

const int kEventCapacity = 256;

struct SdlWindowState {
    SDL_Window* window;                              // the main window
    int videoStarted;                                // SDL video is initialised
    int fullScreen;                                  // desktop full screen
    SDL_Surface* icon;                               // current icon surface
    RingQueue<PlatformEvent, kEventCapacity> events; // window events not yet taken
    unsigned char keys[256];                         // key state by key code, bit 7 = held
    char failure[256];                               // why the display could not be opened
};

SdlWindowState s_sdl = {nullptr, 0, 0, nullptr, {}, {}, {}};

// A request from a second copy raises the window (and restores it when minimised).
void TakeRaiseRequests() {
    if (SdlTakeRaiseRequest() && s_sdl.window) {
        SDL_RestoreWindow(s_sdl.window);
        SDL_RaiseWindow(s_sdl.window);
    }
}

void QueueEvent(int kind, int x = 0, int y = 0, int w = 0, int h = 0, int bits = 0) {
    RingPush(&s_sdl.events, PlatformEvent{kind, x, y, w, h, bits});
}

void OnKey(const SDL_KeyboardEvent& k) {
    int code = SdlScancodeToKeyCode((int)k.keysym.scancode);
    if (code < 0 || code > 255) return;
    s_sdl.keys[code] = k.state == SDL_PRESSED ? 0x80 : 0;
    if (!k.repeat) QueueEvent(PlatformEventKey);
}

// Drains SDL's queue: keys go to the key state, window events to our queue.
void Drain() {
    if (!s_sdl.videoStarted) return;
    TakeRaiseRequests();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_QUIT:
                QueueEvent(PlatformEventClose);
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                OnKey(e.key);
                break;
            case SDL_DISPLAYEVENT: {
                SDL_DisplayMode mode;
                if (SDL_GetDesktopDisplayMode(0, &mode) == 0)
                    QueueEvent(PlatformEventDisplayChange, 0, 0, mode.w, mode.h, SDL_BITSPERPIXEL(mode.format));
                break;
            }
            case SDL_WINDOWEVENT:
                if (!s_sdl.window || e.window.windowID != SDL_GetWindowID(s_sdl.window)) break;
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                    case SDL_WINDOWEVENT_RESTORED:
                        QueueEvent(PlatformEventActivate);
                        break;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                    case SDL_WINDOWEVENT_MINIMIZED:
                        // Keys held while focus leaves would never see their release.
                        memset(s_sdl.keys, 0, sizeof(s_sdl.keys));
                        QueueEvent(PlatformEventDeactivate);
                        break;
                    case SDL_WINDOWEVENT_CLOSE:
                        QueueEvent(PlatformEventClose);
                        break;
                    case SDL_WINDOWEVENT_MOVED:
                        QueueEvent(PlatformEventMove, e.window.data1, e.window.data2);
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        QueueEvent(PlatformEventSize, 0, 0, e.window.data1, e.window.data2);
                        break;
                    case SDL_WINDOWEVENT_EXPOSED:
                        QueueEvent(PlatformEventExpose);
                        break;
                    default:
                        break;
                }
                break;
            default:
                break;
        }
    }
}

// Decodes PNG bytes into an ARGB surface; BMP goes through SDL itself.
SDL_Surface* DecodeIcon(const void* bytes, size_t size) {
    if (size >= 2 && memcmp(bytes, "BM", 2) == 0) {
        SDL_RWops* rw = SDL_RWFromConstMem(bytes, (int)size);
        return rw ? SDL_LoadBMP_RW(rw, 1) : nullptr;
    }
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, size)) return nullptr;
    image.format = PNG_FORMAT_BGRA;
    if (image.width > 1024 || image.height > 1024) {
        png_image_free(&image);
        return nullptr;
    }
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormat(0, (int)image.width, (int)image.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) {
        png_image_free(&image);
        return nullptr;
    }
    if (!png_image_finish_read(&image, nullptr, s->pixels, s->pitch, nullptr)) {
        SDL_FreeSurface(s);
        return nullptr;
    }
    return s;
}

void ApplyIcon() {
    if (s_sdl.window && s_sdl.icon) SDL_SetWindowIcon(s_sdl.window, s_sdl.icon);
}

// Desktop full screen. The window is first made to cover the display itself:
// without a window manager the full-screen request alone changes only SDL's idea
// of the size, and the picture would be drawn for a window it does not have.
void EnterFullScreen() {
    SDL_Window* w = s_sdl.window;
    SDL_Rect bounds = {0, 0, 0, 0};
    int display = SDL_GetWindowDisplayIndex(w);
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
        SDL_SetWindowResizable(w, SDL_FALSE);
        SDL_SetWindowBordered(w, SDL_FALSE);
        SDL_SetWindowPosition(w, bounds.x, bounds.y);
        SDL_SetWindowSize(w, bounds.w, bounds.h);
    }
    SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
    s_sdl.fullScreen = 1;
}

} // namespace

SDL_Window* SdlMainWindow(void) {
    return s_sdl.window;
}

int SdlEnsureVideo(void) {
    if (s_sdl.videoStarted) return 0;
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const char* display = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    const char* asked = getenv("SDL_VIDEODRIVER");
    bool namedDriver = asked && asked[0];
    bool hasX11 = display && display[0], hasWayland = wayland && wayland[0];
#ifdef _WIN32
    // Windows always has its desktop; the window classes take the icon resource.
    SDL_SetHint(SDL_HINT_WINDOWS_INTRESOURCE_ICON, "101");
    SDL_SetHint(SDL_HINT_WINDOWS_INTRESOURCE_ICON_SMALL, "101");
    namedDriver = true;
#endif
    if (!namedDriver) {
        if (!hasX11 && !hasWayland) {
            snprintf(s_sdl.failure, sizeof(s_sdl.failure), "no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
            return -1;
        }
        // Only the desktops that are there, in SDL's own order of preference.
        SDL_SetHint(SDL_HINT_VIDEODRIVER, hasX11 && hasWayland ? "x11,wayland" : hasX11 ? "x11" : "wayland");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        snprintf(s_sdl.failure, sizeof(s_sdl.failure), "no display: cannot open the display \"%s\" (%s)",
                 hasX11       ? display
                 : hasWayland ? wayland
                              : asked,
                 SDL_GetError());
        return -1;
    }
    // Without a display SDL settles on a driver that shows nothing; a window there
    // would run unseen for ever. Such drivers serve only when asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    bool invisible = driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy") || !strcmp(driver, "evdev"));
    if (invisible && !namedDriver) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        snprintf(s_sdl.failure, sizeof(s_sdl.failure), "no display: SDL found only its \"%s\" driver", driver);
        return -1;
    }
    s_sdl.videoStarted = 1;
    return 0;
}

int PlatformOpenDisplay(char* reason, int reasonSize) {
    if (reason && reasonSize > 0) reason[0] = 0;
    if (SdlEnsureVideo() == 0) return 0;
    if (reason && reasonSize > 0) snprintf(reason, (size_t)reasonSize, "%s", s_sdl.failure);
    return -1;
}

void PlatformGetDesktopMode(int* width, int* height, int* bitsPerPixel) {
    *width = 640;
    *height = 480;
    *bitsPerPixel = 32;
    if (SdlEnsureVideo() != 0) return;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        *width = mode.w;
        *height = mode.h;
        int bits = SDL_BITSPERPIXEL(mode.format);
        *bitsPerPixel = bits == 24 && SDL_BYTESPERPIXEL(mode.format) == 4 ? 32 : bits;
    }
}

int PlatformCreateWindow(const char* captionUtf8, int clientWidth, int clientHeight, int fullScreen) {
    if (SdlEnsureVideo() != 0) return -1;
    const char* caption = captionUtf8 ? captionUtf8 : "";
    // Windowed, the player may resize: the picture is scaled into whatever size.
    Uint32 flags = SDL_WINDOW_HIDDEN | (fullScreen ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE);
    // A full-screen window starts out covering the display.
    SDL_Rect place = {(int)SDL_WINDOWPOS_CENTERED, (int)SDL_WINDOWPOS_CENTERED, clientWidth, clientHeight};
    SDL_Rect bounds;
    if (fullScreen && SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) place = bounds;
    s_sdl.window = SDL_CreateWindow(caption, place.x, place.y, place.w, place.h, flags);
    if (!s_sdl.window) {
        snprintf(s_sdl.failure, sizeof(s_sdl.failure), "%s", SDL_GetError());
        return -1;
    }
    s_sdl.fullScreen = 0;
    ApplyIcon();
    SDL_ShowWindow(s_sdl.window);
    if (fullScreen) EnterFullScreen();
    memset(s_sdl.keys, 0, sizeof(s_sdl.keys));
    return 0;
}

void PlatformDestroyWindow(void) {
    if (!s_sdl.window) return;
    SDL_DestroyWindow(s_sdl.window);
    s_sdl.window = nullptr;
    RingClear(&s_sdl.events);
    memset(s_sdl.keys, 0, sizeof(s_sdl.keys));
}

int PlatformWindowExists(void) {
    return s_sdl.window != nullptr;
}

void PlatformSetCaption(const char* captionUtf8) {
    if (!s_sdl.window) return;
    SDL_SetWindowTitle(s_sdl.window, captionUtf8 ? captionUtf8 : "");
}

void PlatformSetIcon(const void* imageBytes, size_t byteCount) {
    if (s_sdl.icon) SDL_FreeSurface(s_sdl.icon);
    s_sdl.icon = imageBytes ? DecodeIcon(imageBytes, byteCount) : nullptr;
    ApplyIcon();
}

void PlatformSetWindowStyle(int fullScreen, int clientWidth, int clientHeight, int left, int top) {
    if (!s_sdl.window) return;
    if (fullScreen) {
        if (!s_sdl.fullScreen) EnterFullScreen();
    } else {
        if (s_sdl.fullScreen) SDL_SetWindowFullscreen(s_sdl.window, 0);
        SDL_SetWindowBordered(s_sdl.window, SDL_TRUE);
        SDL_SetWindowResizable(s_sdl.window, SDL_TRUE);
        SDL_SetWindowSize(s_sdl.window, clientWidth, clientHeight);
        int fl = 0, ft = 0, fr = 0, fb = 0;
        PlatformGetFrameExtents(&fl, &ft, &fr, &fb);
        // SDL positions the client area; the runtime speaks of the outer corner.
        SDL_SetWindowPosition(s_sdl.window, left + fl, top + ft);
    }
    s_sdl.fullScreen = fullScreen;
}

int PlatformGetClientRect(PlatformRect* rect) {
    if (!s_sdl.window) return -1;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(s_sdl.window, &x, &y);
    SDL_GetWindowSize(s_sdl.window, &w, &h);
    rect->left = x;
    rect->top = y;
    rect->right = x + w;
    rect->bottom = y + h;
    return 0;
}

void PlatformGetFrameExtents(int* left, int* top, int* right, int* bottom) {
    *left = *top = *right = *bottom = 0;
    if (!s_sdl.window || s_sdl.fullScreen) return;
    int t = 0, l = 0, b = 0, r = 0;
    if (SDL_GetWindowBordersSize(s_sdl.window, &t, &l, &b, &r) == 0) {
        *left = l;
        *top = t;
        *right = r;
        *bottom = b;
    }
}

void PlatformShowCursor(int show) {
    if (s_sdl.videoStarted) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

int PlatformPollEvent(PlatformEvent* event) {
    if (!s_sdl.events.count) Drain();
    return RingPop(&s_sdl.events, event) ? 1 : 0;
}

int PlatformPendingEvents(void) {
    Drain();
    return s_sdl.events.count;
}

void PlatformRaiseWindow(void) {
    if (s_sdl.window) SDL_RaiseWindow(s_sdl.window);
}

int PlatformGetKeyState(unsigned char keys[256]) {
    Drain();
    memcpy(keys, s_sdl.keys, 256);
    return 0;
}
