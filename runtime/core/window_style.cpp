// The main window's style, size and place for windowed and full-screen mode,
// the mode switch, the cursor, the scale rate and the icon.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/core/subsystems.h"
#include "runtime/core/window.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

namespace {

struct IconResource {
    int id;           // resource number
    const void* data; // encoded image bytes (PNG or BMP)
    int size;         // their length
};

struct IconState {
    IconResource icons[16]; // icon resources the executable registered
    int iconCount;          // entries in icons
};

IconState s_icons;

} // namespace

void ScaledWindowSize(int* w, int* h) {
    int sw = 640, sh = 480, depth = 16;
    GetScreenSize(&sw, &sh, &depth);
    double rate = GetWindowScaleRate();
    *w = (int)(sw * rate);
    *h = (int)(sh * rate);
}

void LogicalScreenSize(int* w, int* h, int* depth) {
    *w = 640;
    *h = 480;
    *depth = 16;
    GetScreenSize(w, h, depth);
}

void ReadClientRect(void) {
    PlatformRect r;
    if (PlatformGetClientRect(&r) == 0) {
        g_runtime.window.clientRectOnScreen[0] = r.left;
        g_runtime.window.clientRectOnScreen[1] = r.top;
        g_runtime.window.clientRectOnScreen[2] = r.right;
        g_runtime.window.clientRectOnScreen[3] = r.bottom;
    }
}

// Centred as the window creation does.
void CentredOuterPosition(int w, int h, int* left, int* top) {
    int fl = 0, ft = 0, fr = 0, fb = 0;
    PlatformGetFrameExtents(&fl, &ft, &fr, &fb);
    int outerW = w + fl + fr, outerH = h + ft + fb;
    *left = -fl + (g_runtime.window.desktopWidth - outerW) / 2;
    *top = -ft + (g_runtime.window.desktopHeight - outerH) / 2;
}

double GetWindowScaleRate(void) {
    if (!(g_runtime.settings.windowScaleRate > 0.0)) g_runtime.settings.windowScaleRate = 1.0;
    return g_runtime.settings.windowScaleRate;
}

int ChangeWindowMode(int windowed) {
    API_LOCK();
    LogWrite(SJ("ChangeWindowMode実行 \n"));
    if (windowed == g_runtime.settings.windowed) return 0;
    g_runtime.window.windowVisibleBit = 1;
    g_runtime.settings.windowed = windowed;
    LogWrite(windowed ? SJ("ウインドウモードフラグが立てられました\n") : SJ("ウインドウモードフラグが倒されました\n"));
    if (!g_runtime.window.mainWindow) return 0;
    g_runtime.window.modeSwitching = 1;
    g_runtime.window.displayChangeSeen = 0;
    ApplyWindowStyle();
    int r = RecreateScreen();
    // The switch is a display change of its own; the platform sends none for a
    // desktop-sized full screen, so the runtime posts it.
    PostWindowMessage(
        WM_DISPLAYCHANGE, g_runtime.window.desktopBitsPerPixel,
        (long)((g_runtime.window.desktopWidth & 0xFFFF) | ((g_runtime.window.desktopHeight & 0xFFFF) << 16)));
    while (ProcessMessage() == 0 && !g_runtime.window.displayChangeSeen) {
    }
    g_runtime.window.modeSwitching = 0;
    return r;
}

int ApplyWindowStyle(void) {
    if (!g_runtime.window.mainWindow) return 0;
    int sw, sh, sb;
    LogicalScreenSize(&sw, &sh, &sb);
    if (g_runtime.settings.windowed) {
        LogWrite(SJ("ウインドウスタイルをウインドウモード用に変更します... "));
        int w, h;
        ScaledWindowSize(&w, &h);
        int left, top;
        CentredOuterPosition(w, h, &left, &top);
        PlatformSetWindowStyle(0, w, h, left, top);
        ReadClientRect();
        // A window that does not fit goes to the desktop's corner on both axes:
        // moving only the negative one would leave the client area half off-centre.
        if (g_runtime.window.clientRectOnScreen[0] < 0 || g_runtime.window.clientRectOnScreen[1] < 0) {
            int dx = -g_runtime.window.clientRectOnScreen[0];
            int dy = -g_runtime.window.clientRectOnScreen[1];
            PlatformSetWindowStyle(0, w, h, left + dx, top + dy);
            ReadClientRect();
        }
        UpdateCursorVisibility(1);
        LogWrite(SJ("完了\n"));
    } else {
        LogWrite(SJ("ウインドウスタイルをフルスクリーンモード用に変更します... "));
        g_runtime.window.clientRectOnScreen[0] = 0;
        g_runtime.window.clientRectOnScreen[1] = 0;
        g_runtime.window.clientRectOnScreen[2] = sw;
        g_runtime.window.clientRectOnScreen[3] = sh;
        PlatformSetWindowStyle(1, sw, sh, 0, 0);
        UpdateCursorVisibility(0);
        LogWrite(SJ("完了\n"));
    }
    PostWindowMessage(WM_SETCURSOR, 0, 0);
    return 0;
}

int FitWindowToClient(void) {
    PlatformRect c;
    if (PlatformGetClientRect(&c) != 0) return 0;
    if (g_runtime.settings.windowed) {
        int w, h;
        ScaledWindowSize(&w, &h);
        int fl = 0, ft = 0, fr = 0, fb = 0;
        PlatformGetFrameExtents(&fl, &ft, &fr, &fb);
        // The outer top-left stays where it was.
        PlatformSetWindowStyle(0, w, h, c.left - fl, c.top - ft);
        ReadClientRect();
        if (!g_runtime.window.windowVisibleBit) {
            g_runtime.window.windowVisibleBit = 1;
            ApplyWindowStyle();
        }
    }
    return 0;
}

int UpdateCursorVisibility(int wanted) {
    g_runtime.window.cursorWanted = wanted;
    int show = wanted == 1;
    if (show == g_runtime.window.cursorShown) return 0;
    PlatformShowCursor(show);
    PostWindowMessage(WM_SETCURSOR, 0, 0);
    g_runtime.window.cursorShown = show;
    return 0;
}

int RegisterIconResource(int id, const void* imageBytes, int size) {
    API_LOCK();
    if (!imageBytes || size <= 0) return -1;
    for (int i = 0; i < s_icons.iconCount; i++) {
        if (s_icons.icons[i].id == (id & 0xFFFF)) {
            s_icons.icons[i].data = imageBytes;
            s_icons.icons[i].size = size;
            return 0;
        }
    }
    if (s_icons.iconCount == (int)(sizeof(s_icons.icons) / sizeof(s_icons.icons[0]))) return -1;
    s_icons.icons[s_icons.iconCount++] = IconResource{id & 0xFFFF, imageBytes, size};
    return 0;
}

void ApplyWindowIcon(void) {
    if (!g_runtime.window.mainWindow) return;
    int id = g_runtime.settings.iconResourceId & 0xFFFF;
    for (int i = 0; i < s_icons.iconCount; i++) {
        if (s_icons.icons[i].id == id) {
            PlatformSetIcon(s_icons.icons[i].data, (size_t)s_icons.icons[i].size);
            return;
        }
    }
    // No such resource: the system's default icon.
    PlatformSetIcon(nullptr, 0);
}

int SetWindowIconResource(int id) {
    API_LOCK();
    g_runtime.settings.iconResourceId = id;
    ApplyWindowIcon();
    return 0;
}

int SetWindowScaleRate(double rate) {
    API_LOCK();
    if (rate != rate || g_runtime.settings.windowScaleRate != g_runtime.settings.windowScaleRate) return 0;
    if (rate == g_runtime.settings.windowScaleRate) return 0;
    g_runtime.settings.windowScaleRate = rate;
    if (!(g_runtime.settings.windowScaleRate > 0.0)) g_runtime.settings.windowScaleRate = 1.0;
    if (g_runtime.window.mainWindow) ApplyWindowStyle();
    return 0;
}
