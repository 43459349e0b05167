// The screen: its mode, the back, front and depth buffers, and the entry points
// the runtime core calls at start-up, mode changes, painting and shutdown.
#pragma once

#include <stdint.h>

#include "runtime/graphics/color_format.h"

#include "runtime/runtime.h" // DRAW_TARGET_BACK, DRAW_TARGET_FRONT

struct ScreenState {
    int width, height;           // logical screen size; a stored 0 reads as 640 / 480
    int colorBitDepth;           // requested depth, 16 when unset; picks the back buffer kind
    int refreshRate;             // requested full-screen refresh rate, 0 = platform default
    int displayBitDepth;         // depth of the surface the window is shown on
    int vblankWait;              // FlipScreen waits for the vertical blank
    int frameTime;               // milliseconds per display refresh, -1 when unmeasured
    int waitThreshold;           // (2 * frameTime - 4) / 3, or -1
    uint32_t lastBlankTime;      // millisecond count when the last blank wait ended
    int presentDuration;         // milliseconds the last present took
    int frontStale;              // the window changed since the front buffer was read
    uint64_t frameCount;         // presents since the last mode change
    int started;                 // InitScreen ran: mode changes now rebuild the screen
    int surfacesReady;           // the three buffers exist
    int graphicsReady;           // graphics management is initialised
    int modeChangedBefore;       // lastModeChangeTime holds a time
    uint32_t lastModeChangeTime; // when the last mode change began (pacing)
    int clientX, clientY;        // window client origin, for front-buffer presents
    ColorFormat displayFormat;   // pixel format of the display surface
    MEMIMG backBuffer;           // target -2, what FlipScreen presents
    MEMIMG frontBuffer;          // target -4, mirrors the window
    MEMIMG depthBuffer;          // Mono16, cleared with the back buffer
    uint8_t palette[256][4];     // 8-bit screen palette (red, green, blue, flags)
};

extern ScreenState g_screen;

// RuntimeInit: builds the screen in the stored mode. 0, or negative on failure.
int InitScreen(void);
// RuntimeEnd: deletes every graph and font and releases the buffers.
void EndScreen(void);
// ChangeWindowMode: forced mode change with the current values. 0, -2 on fall-back.
int RecreateScreen(void);
// Rebuilds lost buffers (a software screen never loses them). 0.
int RestoreScreenSurfaces(void);
// Screen size (a stored 0 reads as 640 / 480) and colour depth; any pointer may be null.
void GetScreenSize(int* width, int* height, int* depth);
// WM_PAINT: shows the back buffer again. 0, or -1 when there is no screen.
int PresentBackBuffer(void);
// The window's client origin moved.
void SetFrontClientPosition(int x, int y);
// Re-applies the draw area after a window change.
void ReapplyDrawArea(void);

// The mode change shared by SetScreenMode and ChangeWindowMode.
int RunModeChange(int width, int height, int depth, int refreshRate, int forced);
// Screen width / height with the 0 defaults applied.
int ScreenWidth(void);
int ScreenHeight(void);
// The back buffer's pixel kind for the current colour depth.
int ScreenPixelKind(void);
// 8-bit screens only: nearest palette entry.
int NearestScreenPaletteIndex(int red, int green, int blue);
