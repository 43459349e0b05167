// MainWindowProc: what the runtime does with each window message, including the
// paint, the activation hold and the display changes it can or cannot survive.
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

void HandlePaint() {
    g_runtime.window.paintInProgress = 1;
    if (g_runtime.window.initialised) PresentBackBuffer();
    // Before the screen exists the platform shows black on its own.
    g_runtime.window.paintInProgress = 0;
}

void HandleDisplayChange(long wParam, long lParam) {
    int bits = (int)wParam, w = (int)(lParam & 0xFFFF), h = (int)((lParam >> 16) & 0xFFFF);
    if (!g_runtime.settings.windowed) {
        g_runtime.window.displayChangeSeen = 1;
        return;
    }
    if (g_runtime.window.modeSwitching) {
        g_runtime.window.displayChangeSeen = 1;
        return;
    }
    int sw, sh, sb;
    LogicalScreenSize(&sw, &sh, &sb);
    if (w == sw && h == sh && bits == sb) {
        g_runtime.window.displayChangeSeen = 1;
    } else if (bits != 24 && (bits == sb || bits != 8) && sw <= w && sh <= h) {
        RestoreScreen();
        g_runtime.window.displayChangeSeen = 1;
    } else {
        LogWrite(SJ("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n"));
        LogWrite(SJ("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n"));
        if (!g_runtime.window.closePosted) {
            g_runtime.window.closePosted = 1;
            PostWindowMessage(WM_CLOSE, 0, 0);
        }
    }
}

} // namespace

long MainWindowProc(int message, long wParam, long lParam) {
    switch (message) {
        case WM_DESTROY:
            LogWrite(SJ("ウインドウが破棄されようとしています\n"));
            LogWrite(SJ("ソフトを終了する準備が整いました\n"));
            PostQuitToMainThread();
            SetQuitRequested(1);
            return 0;
        case WM_CLOSE:
            LogWrite(SJ("ウインドウを閉じようとしています\n"));
            PlatformDestroyWindow();
            MainWindowProc(WM_DESTROY, 0, 0);
            return 0;
        case WM_MOVE:
            if (g_runtime.settings.windowed && !g_runtime.window.modeSwitching) {
                int x = (int16_t)(lParam & 0xFFFF), y = (int16_t)((lParam >> 16) & 0xFFFF);
                int w = g_runtime.window.clientRectOnScreen[2] - g_runtime.window.clientRectOnScreen[0];
                int h = g_runtime.window.clientRectOnScreen[3] - g_runtime.window.clientRectOnScreen[1];
                PlatformRect r;
                if (PlatformGetClientRect(&r) == 0) {
                    w = r.right - r.left;
                    h = r.bottom - r.top;
                }
                g_runtime.window.clientRectOnScreen[0] = x;
                g_runtime.window.clientRectOnScreen[1] = y;
                g_runtime.window.clientRectOnScreen[2] = x + w;
                g_runtime.window.clientRectOnScreen[3] = y + h;
                SetFrontClientPosition(x, y);
                ReapplyDrawArea();
            }
            return 0;
        case WM_SIZE:
            // A window the player resized keeps its size; the picture is scaled into it.
            if (g_runtime.settings.windowed && g_runtime.window.initialised && !g_runtime.window.creatingWindow &&
                !g_runtime.window.modeSwitching) {
                ReadClientRect();
                return 0;
            }
            if (wParam != SIZE_MAXIMIZED) FitWindowToClient();
            return 0;
        case WM_ACTIVATE: {
            g_runtime.window.appActive = (wParam & 0xFFFF) != 0;
            if (g_runtime.window.creatingWindow) return 0;
            if (g_runtime.window.appActive) {
                RestoreScreenSurfaces();
                if (!g_runtime.settings.windowed && g_runtime.window.restorePending && g_runtime.window.initialised) {
                    RestoreScreen();
                    g_runtime.window.restorePending = 0;
                }
                ReacquireInput();
            } else if (!g_runtime.settings.windowed && g_runtime.window.initialised) {
                g_runtime.window.restorePending = 1;
            }
            PadActivationStep(g_runtime.window.appActive);
            return 0;
        }
        case WM_PAINT:
            HandlePaint();
            return 0;
        case WM_SETCURSOR:
            if (!g_runtime.window.cursorShown) PlatformShowCursor(0);
            return 0;
        case WM_DISPLAYCHANGE:
            HandleDisplayChange(wParam, lParam);
            return 0;
        case WM_SYSCOMMAND:
            if (wParam == SC_SCREENSAVE) return 1;
            return 0;
        case WM_KEYDOWN:
            // Text input is not part of this runtime; the key state just learns of new data.
            NoteKeyboardEvent();
            return 0;
        default:
            return 0;
    }
}
