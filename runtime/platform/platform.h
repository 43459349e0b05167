// Every operating-system service the runtime needs, grouped by subsystem.
// Two backends implement it: sdl/ (the desktop) and scripted/ (headless, for tests,
// replays and benchmarks). The runtime never includes SDL or POSIX window/audio
// headers anywhere else; the backend is chosen at link time.
#pragma once

#include <stddef.h>
#include <stdint.h>

// ---- Window -----------------------------------------------------------------

enum PlatformEventKind {
    PlatformEventNone = 0,
    PlatformEventActivate,      // the window gained input focus
    PlatformEventDeactivate,    // the window lost input focus (or was minimised)
    PlatformEventClose,         // the user asked to close the window
    PlatformEventMove,          // the window moved; x, y = client origin on screen
    PlatformEventSize,          // the client area changed; w, h = new size
    PlatformEventExpose,        // the client area must be repainted
    PlatformEventDisplayChange, // the desktop mode changed; w, h, bits = new mode
    PlatformEventKey,           // key data changed (input refreshes its state)
    PlatformEventScreenSave,    // the system wants to start the screen saver
};

struct PlatformEvent {
    int kind;       // PlatformEventKind
    int x, y;       // Move: client origin
    int w, h;       // Size: client size; DisplayChange: desktop size
    int bits;       // DisplayChange: bits per pixel
};

struct PlatformRect {
    int left, top, right, bottom;
};

// Called by InitMainWindow: takes the per-user single-instance lock for the class
// name. Returns 0, or -1 when another instance holds it.
int PlatformAcquireInstanceLock(const char* className);
// Called by EndMainWindow: releases the lock taken above.
void PlatformReleaseInstanceLock(void);

// Called by InitMainWindow: desktop size and bits per pixel.
void PlatformGetDesktopMode(int* width, int* height, int* bitsPerPixel);
// Called by InitMainWindow: creates the window with the given client size,
// windowed (caption, border) or borderless full screen. 0 or -1.
int PlatformCreateWindow(const char* captionSjis, int clientWidth, int clientHeight, int fullScreen);
// Called by EndMainWindow and the WM_CLOSE handling: destroys the window.
void PlatformDestroyWindow(void);
// 1 while a window exists.
int PlatformWindowExists(void);
// SetMainWindowTitle: the caption (Shift-JIS).
void PlatformSetCaption(const char* captionSjis);
// SetWindowIconResource: icon from encoded image bytes (BMP or PNG); null clears it.
void PlatformSetIcon(const void* imageBytes, size_t byteCount);
// ApplyWindowStyle: windowed or full screen, client size, outer top-left position.
void PlatformSetWindowStyle(int fullScreen, int clientWidth, int clientHeight, int left, int top);
// FitWindowToClient / ApplyWindowStyle: client rectangle in screen coordinates. 0 or -1.
int PlatformGetClientRect(PlatformRect* rect);
// Size of the frame around the client area (caption and borders), for centring.
void PlatformGetFrameExtents(int* left, int* top, int* right, int* bottom);
// UpdateCursorVisibility.
void PlatformShowCursor(int show);
// ProcessMessage: takes the next pending window event without blocking; 1 if taken.
int PlatformPollEvent(PlatformEvent* event);
// Number of window events pending (tests and the message-count rules).
int PlatformPendingEvents(void);
// BringMainWindowToFront.
void PlatformRaiseWindow(void);

// ---- Present ----------------------------------------------------------------

// FlipScreen and WM_PAINT: shows the pixels (16 = RGB565, 32 = XRGB8888), scaled
// with nearest-neighbour sampling into the client area (full screen: scaled to fit,
// aspect kept, black bars).
void PlatformPresent(const void* pixels, int pitch, int width, int height, int bitsPerPixel);
// FlipScreen: waits for the start of the next vertical blank.
void PlatformWaitVBlank(void);
// 1 while the display is in its vertical blank.
int PlatformInVBlank(void);
// Reads back what the window shows, as XRGB8888 rows of width*4 bytes. 0 or -1.
int PlatformReadWindowImage(uint32_t* pixels, int width, int height);
// Refresh rate of the display in Hz, 0 when unknown.
int PlatformRefreshRate(void);

// ---- Clocks -----------------------------------------------------------------

// Milliseconds since an arbitrary start, wrapping at 2^32.
uint32_t PlatformMilliseconds(void);
// A fine counter and its frequency in counts per second.
int64_t PlatformFineCounter(void);
int64_t PlatformFineFrequency(void);
// Smallest sleep period in milliseconds the platform offers.
int PlatformTimerPeriod(void);
// Sleeps the calling thread (0 yields).
void PlatformSleep(int milliseconds);
// Calendar time in seconds since 1970.
int64_t PlatformCalendarSeconds(void);

// ---- System information -----------------------------------------------------

struct PlatformSystemInfo {
    char osName[128];        // kernel name and release
    int osBuild;             // a build number when the platform has one
    char osExtra[128];       // version text
    uint32_t memoryTotal;    // physical memory in bytes, saturated at 4 GB - 1
    uint32_t memoryAvailable;
    int oemCodePage;         // 932 unless the system is Korean (949)
};
void PlatformGetSystemInfo(PlatformSystemInfo* info);

// ---- Text encodings ---------------------------------------------------------

// Converts text between encodings ("UTF-8", "CP932" for Shift-JIS, "CP949",
// "UTF-32LE"). Returns the bytes written to out, or -1 on an invalid sequence or
// when out is too small.
int PlatformConvertText(const char* fromCode, const char* toCode, const char* in, int inBytes,
                        char* out, int outBytes);

// ---- Keyboard ---------------------------------------------------------------

// Input: copies the 256-byte key state by key code (bit 7 set = held). 0 or -1.
int PlatformGetKeyState(unsigned char keys[256]);
// (input section: controller services added by the input subsystem)

// ---- Audio ------------------------------------------------------------------
// (audio section: device and buffer services added by the sound subsystem)

// ---- Fonts ------------------------------------------------------------------
// (font section: rasteriser services added by the text subsystem)

// ---- Compressed sound -------------------------------------------------------
// (codec section: WAVE codec and MPEG services added by the sound subsystem)
