// The screen mode and its changes: fall-backs, the three screen buffers, the
// graphics management around them, and the start-up and shutdown entry points.
#include "runtime/graphics/screen.h"

#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/graphics/blend_tables.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

// The text subsystem's font table; absent in builds without it.
int InitFontSystem(void) __attribute__((weak));
void DeleteAllFonts(void) __attribute__((weak));

ScreenState g_screen = {640, 480, 16, 0, 0, 0, -1, -1};

// Measures the refresh period; defined with the flip.
void MeasureRefresh(void);

int ScreenWidth(void) {
    return g_screen.width ? g_screen.width : 640;
}

int ScreenHeight(void) {
    return g_screen.height ? g_screen.height : 480;
}

int ScreenPixelKind(void) {
    return g_screen.colorBitDepth == 32 ? Xrgb8888 : Rgb565;
}

void GetScreenSize(int* width, int* height, int* depth) {
    if (width) *width = ScreenWidth();
    if (height) *height = ScreenHeight();
    if (depth) *depth = g_screen.colorBitDepth ? g_screen.colorBitDepth : 16;
}

int GetScreenSize(int* width, int* height) {
    API_LOCK();
    GetScreenSize(width, height, nullptr);
    return 0;
}

void SetFrontClientPosition(int x, int y) {
    g_screen.clientX = x;
    g_screen.clientY = y;
}

int SetFlipVBlankWait(int wait) {
    API_LOCK();
    g_screen.vblankWait = wait;
    return 0;
}

void InitGraphicsManagement(void) {
    LogWrite(SJ("グラフィック管理系の初期化を行います\n"));
    LogIndent();
    ReleaseAllGraphs(0);
    ResetDrawState();
    LogWrite(SJ("３Ｄグラフィック描画機能は使用しません\n"));
    g_screen.graphicsReady = 1;
    g_draw.target = DRAW_TARGET_FRONT;
    SelectDrawTarget(DRAW_TARGET_BACK);
    SelectDrawTarget(DRAW_TARGET_FRONT);
    SetClipArea(0, 0, ScreenWidth(), ScreenHeight());
    if (InitFontSystem) InitFontSystem();
    LogUnindent();
    LogWrite(SJ("グラフィック管理系の初期化は正常に終了しました\n"));
}

void EndGraphicsManagement(void) {
    ReleaseAllGraphs(0);
    if (DeleteAllFonts) DeleteAllFonts();
    g_screen.graphicsReady = 0;
    LogWrite(SJ("グラフィック管理系の終了処理は正常に終了しました\n"));
}

static void ReleaseScreenBuffers(void) {
    ReleaseMemImg(&g_screen.frontBuffer);
    ReleaseMemImg(&g_screen.backBuffer);
    ReleaseMemImg(&g_screen.depthBuffer);
    memset(&g_screen.frontBuffer, 0, sizeof(MEMIMG));
    memset(&g_screen.backBuffer, 0, sizeof(MEMIMG));
    memset(&g_screen.depthBuffer, 0, sizeof(MEMIMG));
    g_screen.surfacesReady = 0;
}

static void CreateScreenBuffers(void) {
    LogWrite(SJ("出力画面用の DirectDrawSurface を作成します\n"));
    LogIndent();
    int w = ScreenWidth(), h = ScreenHeight(), kind = ScreenPixelKind();
    if (SetupMemImg(&g_screen.frontBuffer, w, h, -1, 0, kind, 0, 0) != 0)
        FatalExit(SJ("プライマリサーフェス用の MEMIMG の作成に失敗しました\n"));
    if (SetupMemImg(&g_screen.backBuffer, w, h, -1, 0, kind, 0, 0) != 0)
        FatalExit(SJ("バックサーフェス用の MEMIMG の作成に失敗しました\n"));
    if (SetupMemImg(&g_screen.depthBuffer, w, h, -1, 0, Mono16, 0, 0) != 0)
        FatalExit(SJ("Ｚバッファサーフェス用の MEMIMG の作成に失敗しました\n"));
    FillMemImgRaw(&g_screen.backBuffer, nullptr, 0);
    FillMemImgRaw(&g_screen.frontBuffer, nullptr, 0);
    FillMemImgRaw(&g_screen.depthBuffer, nullptr, 0xFFFF);
    LogWrite(SJ("各スクリーンメモリの配置位置\n"));
    LogIndent();
    LogWrite("PrimaryBuffer : SYSTEMMEMORY( MEMIMG ) \n");
    LogWrite("BaskBuffer : SYSTEMMEMORY( MEMIMG ) \n");
    LogUnindent();
    LogUnindent();
    LogWrite(SJ("出力画面用の DirectDrawSurface の作成は正常に終了しました\n"));
    g_screen.surfacesReady = 1;
    g_screen.frontStale = 0;
}

// The display side of a mode: 16- and 32-bit pictures only (an 8-bit screen is
// not drawn in software); windowed needs a desktop that is not 24-bit.
static int TryDisplayMode(int width, int height, int depth, int refreshRate, int windowed, int desktopBits) {
    (void)refreshRate;
    if (width <= 0 || height <= 0) return -1;
    if (depth != 16 && depth != 32) return -1;
    if (windowed) {
        if (desktopBits == 24) return -1;
        g_screen.displayBitDepth = desktopBits == 16 ? 16 : 32;
    } else {
        g_screen.displayBitDepth = depth;
    }
    return 0;
}

static void LogDisplayFormat(void) {
    if (g_screen.displayBitDepth == 16) SetupColorFormat(&g_screen.displayFormat, 16, 0xF800, 0x07E0, 0x001F, 0);
    else SetupColorFormat(&g_screen.displayFormat, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    LogWrite(SJ("カラー情報\n"));
    LogIndent();
    const ColorFormat* f = &g_screen.displayFormat;
    LogPrintf("A:%08x  B:%08x  G:%08x  B:%08x", f->AlphaMask, f->RedMask, f->GreenMask, f->BlueMask);
    LogUnindent();
}

static void StoreMode(int width, int height, int depth, int refreshRate) {
    g_screen.width = width;
    g_screen.height = height;
    g_screen.colorBitDepth = depth;
    g_screen.refreshRate = refreshRate;
}

int RunModeChange(int width, int height, int depth, int refreshRate, int forced) {
    int oldW = g_screen.width, oldH = g_screen.height, oldDepth = g_screen.colorBitDepth,
        oldRate = g_screen.refreshRate;
    if (!forced && width == oldW && height == oldH && depth == oldDepth && refreshRate == oldRate &&
        g_screen.surfacesReady)
        return 0;
    LogWrite(SJ("画面モード変更処理を開始します\n"));
    LogIndent();
    StoreMode(width, height, depth, refreshRate);
    if (!g_screen.started) {
        LogUnindent();
        return 0;
    }

    // Pace repeated changes so the display can settle.
    uint32_t now = PlatformMilliseconds();
    if (g_screen.modeChangedBefore && now - g_screen.lastModeChangeTime < 2000)
        PlatformSleep((int)(2060 - (now - g_screen.lastModeChangeTime)));
    else PlatformSleep(60);
    g_screen.lastModeChangeTime = PlatformMilliseconds();
    g_screen.modeChangedBefore = 1;

    if (g_screen.graphicsReady) EndGraphicsManagement();
    ReleaseAllGraphs(0);
    ReleaseScreenBuffers();

    int result = 0;
    const int windowed = g_runtime.settings.windowed;
    int desktopW = 0, desktopH = 0, desktopBits = 0;
    PlatformGetDesktopMode(&desktopW, &desktopH, &desktopBits);
    if (windowed) {
        double rate = g_runtime.settings.windowScaleRate > 0 ? g_runtime.settings.windowScaleRate : 1.0;
        if (desktopW > 0 && desktopH > 0 && (ScreenWidth() * rate > desktopW || ScreenHeight() * rate > desktopH))
            FatalExit(SJ("デスクトップ画面のサイズが足りません、ソフトを終了します"));
        if (TryDisplayMode(ScreenWidth(), ScreenHeight(), depth, refreshRate, 1, desktopBits) != 0) {
            if (TryDisplayMode(oldW ? oldW : 640, oldH ? oldH : 480, oldDepth, oldRate, 1, desktopBits) == 0) {
                StoreMode(oldW, oldH, oldDepth, oldRate);
            } else if (TryDisplayMode(640, 480, 16, 0, 1, desktopBits) == 0) {
                StoreMode(640, 480, 16, 0);
                result = -2;
            } else {
                FatalExit(SJ("予期せぬ画面モード変更不能現象が起きました\n"));
            }
        }
    } else {
        if (TryDisplayMode(ScreenWidth(), ScreenHeight(), depth, refreshRate, 0, desktopBits) == 0) {
        } else if (TryDisplayMode(ScreenWidth(), ScreenHeight(), depth, 0, 0, desktopBits) == 0) {
            g_screen.refreshRate = 0;
        } else if (TryDisplayMode(oldW ? oldW : 640, oldH ? oldH : 480, oldDepth, oldRate, 0, desktopBits) == 0) {
            StoreMode(oldW, oldH, oldDepth, oldRate);
        } else if (TryDisplayMode(640, 480, 16, 0, 0, desktopBits) == 0) {
            StoreMode(640, 480, 16, 0);
            result = -2;
        } else {
            FatalExit(SJ("予期せぬ画面モード変更不能現象が起きました2\n"));
        }
    }
    LogDisplayFormat();
    BuildBlendTables();
    CreateScreenBuffers();
    InitGraphicsManagement();
    MeasureRefresh();
    LogUnindent();
    LogWrite(SJ("画面モード変更処理は正常に終了しました\n"));
    if (g_runtime.window.mainWindow && !g_runtime.window.modeSwitching) ProcessMessage();
    g_screen.frameCount = 0;
    return result;
}

int SetScreenMode(int width, int height, int colorBitDepth, int refreshRate) {
    API_LOCK();
    ReleaseAllGraphs(0);
    if (width == -1) width = g_screen.width;
    if (height == -1) height = g_screen.height;
    if (colorBitDepth == -1) colorBitDepth = g_screen.colorBitDepth;
    if (refreshRate == -1) refreshRate = g_screen.refreshRate;
    if (width == 0 || height == 0 || width < 0 || height < 0) return -1;
    if (colorBitDepth != 8 && colorBitDepth != 16 && colorBitDepth != 32) return -1;
    if (width > 16384 || height > 16384) return -1; // keeps buffer sizes in range
    int oldW = g_screen.width, oldH = g_screen.height, oldDepth = g_screen.colorBitDepth,
        oldRate = g_screen.refreshRate;
    RunModeChange(width, height, colorBitDepth, refreshRate, 0);
    int w = g_screen.width, h = g_screen.height, d = g_screen.colorBitDepth, r = g_screen.refreshRate;
    if (w == width && h == height && d == colorBitDepth && r == refreshRate) return 0;
    if (w == oldW && h == oldH && d == oldDepth && r == oldRate) return -1;
    if (w == 640 && h == 480 && d == 16 && r == 0) return -2;
    return -1;
}

int InitScreen(void) {
    g_screen.started = 1;
    int r = RunModeChange(g_screen.width, g_screen.height, g_screen.colorBitDepth ? g_screen.colorBitDepth : 16,
                          g_screen.refreshRate, 1);
    return g_screen.surfacesReady ? (r == -2 ? 0 : r) : -1;
}

void EndScreen(void) {
    if (g_screen.graphicsReady) EndGraphicsManagement();
    ReleaseAllGraphs(0);
    ReleaseScreenBuffers();
    g_screen.started = 0;
}

int RecreateScreen(void) {
    if (!g_screen.started) return 0;
    return RunModeChange(g_screen.width, g_screen.height, g_screen.colorBitDepth, g_screen.refreshRate, 1);
}

int RestoreScreenSurfaces(void) {
    // Software buffers are never lost; only missing ones are rebuilt.
    if (g_screen.started && !g_screen.surfacesReady) return RecreateScreen();
    return 0;
}
