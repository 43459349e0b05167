// The main window's life: creation during RuntimeInit, the end during RuntimeEnd,
// its caption, and the hold while the application is inactive.
#include "runtime/core/window.h"

#include <stdio.h>
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/clock.h"
#include "runtime/core/log.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/core/subsystems.h"
#include "runtime/core/text_encoding.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

namespace {

const char kClassName[] = "QmApp";

} // namespace

int InitMainWindow(void) {
    // A new run: the settings, the log and the clock stay, the rest starts at zero.
    g_runtime.window = WindowRunState{};
    ClearWindowMessages();
    g_runtime.window.mainThreadId = CurrentThreadId();

    LogWrite(SJ("ソフトの二重起動検査... "));
    if (PlatformAcquireInstanceLock(kClassName) != 0) {
        LogWrite(SJ("二重起動されています、ソフトを終了します\n"));
        ReportRefusal("another copy is already running for this user; it was asked to come to the front");
        SetQuitRequested(1);
        return -1;
    }
    LogWrite(SJ("二重起動はされていませんでした\n"));

    PlatformSystemInfo info;
    memset(&info, 0, sizeof(info));
    PlatformGetSystemInfo(&info);
    LogPrintf(SJ("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB "), info.memoryTotal / 1048576.0,
              info.memoryAvailable / 1048576.0);

    PlatformGetDesktopMode(&g_runtime.window.desktopWidth, &g_runtime.window.desktopHeight,
                           &g_runtime.window.desktopBitsPerPixel);
    LogWrite(SJ("ソフトの実行優先レベルを上げました\n"));

    g_runtime.window.creatingWindow = 1;
    LogWrite(SJ("ウインドウクラスを登録します... "));
    LogWrite(SJ("登録に成功しました\n"));
    if (!g_runtime.settings.windowTitle[0]) {
        snprintf(g_runtime.settings.windowTitle, sizeof(g_runtime.settings.windowTitle), "%s", kClassName);
        snprintf(g_runtime.settings.windowCaptionUtf8, sizeof(g_runtime.settings.windowCaptionUtf8), "%s", kClassName);
    }

    int sw, sh, sb;
    LogicalScreenSize(&sw, &sh, &sb);
    int created;
    if (g_runtime.settings.windowed) {
        LogWrite(SJ("ウインドウモード起動用のウインドウを作成します\n"));
        g_runtime.window.cursorWanted = 1;
        int w, h;
        ScaledWindowSize(&w, &h);
        created = PlatformCreateWindow(g_runtime.settings.windowCaptionUtf8, w, h, 0);
        if (created == 0) {
            int left, top;
            CentredOuterPosition(w, h, &left, &top);
            PlatformSetWindowStyle(0, w, h, left, top);
        }
    } else {
        LogWrite(SJ("フルスクリーンモード用のウインドウを作成します\n"));
        g_runtime.window.cursorWanted = 0;
        created = PlatformCreateWindow(g_runtime.settings.windowCaptionUtf8, sw, sh, 1);
    }
    if (created != 0) {
        SetQuitRequested(1);
        g_runtime.window.creatingWindow = 0;
        PlatformReleaseInstanceLock();
        ReportRefusal("cannot create the main window");
        return LogWrite(SJ("ウインドウの作成に失敗しました\n")), -1;
    }
    g_runtime.window.mainWindow = 1;
    ApplyWindowIcon();
    g_runtime.window.closePosted = 0;
    g_runtime.window.appActive = 1;
    if (!g_runtime.settings.windowed) {
        LogWrite(SJ("カーソルを不可視にしました\n"));
        PlatformShowCursor(0);
    }
    LogWrite(SJ("ＩＭＥを無効にしました\n"));
    if (g_runtime.settings.windowed) ReadClientRect();
    PlatformSystemInfo sys;
    memset(&sys, 0, sizeof(sys));
    PlatformGetSystemInfo(&sys);
    g_runtime.window.textCodePage = sys.oemCodePage == 949 ? 2 : 1;
    UpdateCursorVisibility(g_runtime.window.cursorWanted);
    g_runtime.window.ending = 0;
    RunTimerTest();

    PlatformRaiseWindow();
    uint32_t start = PlatformMilliseconds();
    while (PlatformMilliseconds() - start < 200u) {
        ProcessMessage();
        // Yield between passes instead of spinning on the clock.
        PlatformSleep(1);
    }
    FitWindowToClient();
    g_runtime.window.creatingWindow = 0;

    StartMessagePump();
    return 0;
}

void EndMainWindow(void) {
    if (!g_runtime.window.mainWindow) return;
    UpdateCursorVisibility(1);
    if (!g_runtime.window.closePosted) {
        g_runtime.window.closePosted = 1;
        PostWindowMessage(WM_CLOSE, 0, 0);
    }
    while (ProcessMessage() == 0) {
    }
    StopMessagePump();
    PlatformReleaseInstanceLock();
    g_runtime.window.mainWindow = 0;
}

void BringMainWindowToFront(int topmost) {
    PlatformRaiseWindow();
}

void WaitWhileInactive(void) {
    if (g_runtime.window.paintInProgress || g_runtime.window.appActive) return;
    // Without a window no activation can ever arrive (before RuntimeInit, after
    // RuntimeEnd): waiting would spin for good.
    if (!g_runtime.window.mainWindow) return;
    while (ProcessMessage() == 0 && !g_runtime.window.appActive) {
    }
    RestoreScreenSurfaces();
}

int RestoreScreen(void) {
    EndInput();
    RecreateScreen();
    RecreateAllFonts();
    RestoreAllGraphs();
    return 0;
}

int SetMainWindowTitle(const char* text) {
    API_LOCK();
    CallerTextToSjis(text, g_runtime.settings.windowTitle, sizeof(g_runtime.settings.windowTitle));
    CallerTextToUtf8(text, g_runtime.settings.windowCaptionUtf8, sizeof(g_runtime.settings.windowCaptionUtf8));
    if (g_runtime.window.mainWindow) PlatformSetCaption(g_runtime.settings.windowCaptionUtf8);
    return 0;
}
