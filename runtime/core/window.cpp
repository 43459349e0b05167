// The main window: creation and end, window and full-screen styles, the message
// pump with its five-message rule, the window procedure, the hold while the
// application is inactive, and the pump thread that keeps the window alive while
// the application is busy.
#include "runtime/core/window.h"

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

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
const int kQueueCapacity = 256;

struct Message {
    int message;
    long wParam;
    long lParam;
};

// A FIFO of messages.
struct MessageQueue {
    Message items[kQueueCapacity];
    int head;   // index of the oldest message
    int count;  // messages queued
};

struct IconResource {
    int id;              // resource number
    const void* data;    // encoded image bytes (PNG or BMP)
    int size;            // their length
};

struct WindowState {
    MessageQueue threadQueue;   // messages posted to the main thread itself (quit)
    MessageQueue windowQueue;   // messages posted to the window, then platform events
    int dispatched;             // messages dispatched since process start
    // MessagePumpThread; held by pointer so a process that exits without
    // RuntimeEnd is not stopped by a still-joinable thread object at its end.
    std::thread* pumpThread;
    std::atomic<uint32_t> mainThreadPumps;  // ProcessMessage calls made by the main thread
    std::atomic<int> pumpTurns;             // turns the pump thread has taken
    std::atomic<int> pumpSkips;             // turns it skipped because the main thread pumped
    // The pump thread's pause: made once and never destroyed, because a program
    // that exits without RuntimeEnd leaves the thread waiting on them while the
    // static destructors run.
    std::mutex* pumpPauseGuard;             // guards the pump thread's pause
    std::condition_variable* pumpWake;      // cuts that pause short when the window ends
    IconResource icons[16];     // icon resources the executable registered
    int iconCount;              // entries in icons
};

WindowState s_window;

bool Push(MessageQueue* q, int message, long wParam, long lParam) {
    if (q->count == kQueueCapacity) return false;
    Message& m = q->items[(q->head + q->count) % kQueueCapacity];
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    q->count++;
    return true;
}

bool Pop(MessageQueue* q, Message* out) {
    if (!q->count) return false;
    *out = q->items[q->head];
    q->head = (q->head + 1) % kQueueCapacity;
    q->count--;
    return true;
}

void Clear(MessageQueue* q) {
    q->head = 0;
    q->count = 0;
}

// Turns one platform event into the window message it stands for.
bool MessageFromEvent(const PlatformEvent& e, Message* m) {
    m->wParam = 0;
    m->lParam = 0;
    switch (e.kind) {
    case PlatformEventActivate:
    case PlatformEventDeactivate:
        m->message = WM_ACTIVATE;
        m->wParam = e.kind == PlatformEventActivate ? 1 : 0;
        return true;
    case PlatformEventClose:
        m->message = WM_CLOSE;
        return true;
    case PlatformEventMove:
        m->message = WM_MOVE;
        m->lParam = (long)(((uint32_t)e.x & 0xFFFF) | (((uint32_t)e.y & 0xFFFF) << 16));
        return true;
    case PlatformEventSize:
        m->message = WM_SIZE;
        m->lParam = (long)(((uint32_t)e.w & 0xFFFF) | (((uint32_t)e.h & 0xFFFF) << 16));
        return true;
    case PlatformEventExpose:
        m->message = WM_PAINT;
        return true;
    case PlatformEventDisplayChange:
        m->message = WM_DISPLAYCHANGE;
        m->wParam = e.bits;
        m->lParam = (long)(((uint32_t)e.w & 0xFFFF) | (((uint32_t)e.h & 0xFFFF) << 16));
        return true;
    case PlatformEventKey:
        m->message = WM_KEYDOWN;
        return true;
    case PlatformEventScreenSave:
        m->message = WM_SYSCOMMAND;
        m->wParam = SC_SCREENSAVE;
        return true;
    default:
        return false;
    }
}

// Moves platform events into the window queue until it holds one message.
void FillWindowQueue() {
    PlatformEvent e;
    while (s_window.windowQueue.count == 0 && PlatformPollEvent(&e)) {
        Message m;
        if (MessageFromEvent(e, &m)) Push(&s_window.windowQueue, m.message, m.wParam, m.lParam);
    }
}

// Takes the next message as the pump does: a screen-saver request first, then
// messages posted to the thread, then the window's messages.
bool TakeMessage(Message* m) {
    FillWindowQueue();
    MessageQueue* wq = &s_window.windowQueue;
    if (wq->count && wq->items[wq->head].message == WM_SYSCOMMAND && wq->items[wq->head].wParam == SC_SCREENSAVE)
        return Pop(wq, m);
    if (Pop(&s_window.threadQueue, m)) return true;
    return Pop(wq, m);
}

bool OnMainThread() { return g_runtime.window.mainThreadId != 0 && CurrentThreadId() == g_runtime.window.mainThreadId; }

void ScaledSize(int* w, int* h) {
    int sw = 640, sh = 480, depth = 16;
    GetScreenSize(&sw, &sh, &depth);
    double rate = GetWindowScaleRate();
    *w = (int)(sw * rate);
    *h = (int)(sh * rate);
}

void ScreenSize(int* w, int* h, int* depth) {
    *w = 640;
    *h = 480;
    *depth = 16;
    GetScreenSize(w, h, depth);
}

void ReadClientRect() {
    PlatformRect r;
    if (PlatformGetClientRect(&r) == 0) {
        g_runtime.window.clientRectOnScreen[0] = r.left;
        g_runtime.window.clientRectOnScreen[1] = r.top;
        g_runtime.window.clientRectOnScreen[2] = r.right;
        g_runtime.window.clientRectOnScreen[3] = r.bottom;
    }
}

// Outer top-left of a windowed window whose client area is w x h, centred on
// the desktop as the window creation does.
void CentredOuterPosition(int w, int h, int* left, int* top) {
    int fl = 0, ft = 0, fr = 0, fb = 0;
    PlatformGetFrameExtents(&fl, &ft, &fr, &fb);
    int outerW = w + fl + fr, outerH = h + ft + fb;
    *left = -fl + (g_runtime.window.desktopWidth - outerW) / 2;
    *top = -ft + (g_runtime.window.desktopHeight - outerH) / 2;
}

} // namespace

// The pump thread exists for an application too busy to pump. When the main thread
// has pumped since the last turn, taking the lock would gain nothing, yet with the
// lock's arrival order it would make the main thread's next call wait until this
// thread is scheduled, tens of ms on a loaded machine. So that turn is skipped; the
// period stays 17 ms and a main thread that stops pumping is covered next turn.
bool PumpTurnDue(uint32_t* seenMainPumps, uint32_t mainPumps) {
    if (mainPumps == *seenMainPumps) return true;
    *seenMainPumps = mainPumps;
    return false;
}

int PumpThreadTurns(void) { return s_window.pumpTurns.load(); }
int PumpThreadSkips(void) { return s_window.pumpSkips.load(); }

namespace {

// The pump thread's 17 ms between turns, cut short by EndMainWindow: otherwise the
// main thread spins through the rest of the pause waiting for this thread to end.
void PumpPause() {
    std::unique_lock<std::mutex> g(*s_window.pumpPauseGuard);
    s_window.pumpWake->wait_for(g, std::chrono::milliseconds(17), [] { return QuitRequested() == 1; });
}

void MessagePumpThread() {
    uint32_t seen = s_window.mainThreadPumps.load();
    while (QuitRequested() != 1) {
        if (!PumpTurnDue(&seen, s_window.mainThreadPumps.load())) {
            s_window.pumpSkips++;
            PumpPause();
            continue;
        }
        s_window.pumpTurns++;
        if (EnterApiLockPump() != 0) break;
        int r = ProcessMessage();
        LeaveApiLockPump();
        if (r < 0) break;
        PumpPause();
    }
    RemoveApiLockWaiter();
    SetPumpThreadEnded(1);
}

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
    ScreenSize(&sw, &sh, &sb);
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

double GetWindowScaleRate(void) {
    if (!(g_runtime.settings.windowScaleRate > 0.0)) g_runtime.settings.windowScaleRate = 1.0;
    return g_runtime.settings.windowScaleRate;
}

void PostWindowMessage(int message, long wParam, long lParam) {
    Push(&s_window.windowQueue, message, wParam, lParam);
}

int PendingWindowMessages(void) { return s_window.windowQueue.count + s_window.threadQueue.count + PlatformPendingEvents(); }

int DispatchedWindowMessages(void) { return s_window.dispatched; }

long MainWindowProc(int message, long wParam, long lParam) {
    switch (message) {
    case WM_DESTROY:
        LogWrite(SJ("ウインドウが破棄されようとしています\n"));
        LogWrite(SJ("ソフトを終了する準備が整いました\n"));
        Push(&s_window.threadQueue, WM_QUIT, 0, 0);
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
        if (g_runtime.settings.windowed && g_runtime.window.initialised && !g_runtime.window.creatingWindow && !g_runtime.window.modeSwitching) {
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

int ProcessMessage(void) {
    API_LOCK();
    if (!g_runtime.window.mainWindow) return QuitRequested() ? -1 : 0;
    bool mainThread = OnMainThread();
    if (mainThread) s_window.mainThreadPumps++;
    int n = 0, pass = 0;
    while ((g_runtime.window.closePosted == 0 && g_runtime.window.appActive == 0) || (pass == 0 && QuitRequested() == 0)) {
        pass = 1;
        if (!g_runtime.window.appActive) PlatformSleep(1);
        bool leaveAll = false;
        // Only the thread that owns the window sees its messages.
        while (mainThread) {
            Message m;
            if (!TakeMessage(&m)) break;
            if (m.message == WM_ACTIVATE || m.message == WM_ACTIVATEAPP) g_runtime.window.appActive = (m.wParam & 0xFFFF) != 0;
            if (QuitRequested()) {
                leaveAll = true;
                break;
            }
            if (m.message == WM_QUIT) SetQuitRequested(1);
            else MainWindowProc(m.message, m.wParam, m.lParam);
            s_window.dispatched++;
            n++;
            if (n >= 5) break;
            pass = 0;
        }
        if (leaveAll) break;
        if (!g_runtime.window.appActive) PlatformSleep(1);
        if (QuitRequested()) break;
        if (!mainThread) break;
    }
    if (mainThread) {
        if (!g_runtime.settings.windowed) UpdateCursorVisibility(g_runtime.window.cursorWanted);
        RefreshKeyState();
    }
    UpdatePadDevices();
    return QuitRequested() ? -1 : 0;
}

int InitMainWindow(void) {
    // A new run: the settings, the log and the clock stay, the rest starts at zero.
    g_runtime.window = WindowRunState{};
    Clear(&s_window.threadQueue);
    Clear(&s_window.windowQueue);
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

    PlatformGetDesktopMode(&g_runtime.window.desktopWidth, &g_runtime.window.desktopHeight, &g_runtime.window.desktopBitsPerPixel);
    LogWrite(SJ("ソフトの実行優先レベルを上げました\n"));

    g_runtime.window.creatingWindow = 1;
    LogWrite(SJ("ウインドウクラスを登録します... "));
    LogWrite(SJ("登録に成功しました\n"));
    if (!g_runtime.settings.windowTitle[0]) snprintf(g_runtime.settings.windowTitle, sizeof(g_runtime.settings.windowTitle), "%s", kClassName);

    int sw, sh, sb;
    ScreenSize(&sw, &sh, &sb);
    int created;
    if (g_runtime.settings.windowed) {
        LogWrite(SJ("ウインドウモード起動用のウインドウを作成します\n"));
        g_runtime.window.cursorWanted = 1;
        int w, h;
        ScaledSize(&w, &h);
        created = PlatformCreateWindow(g_runtime.settings.windowTitle, w, h, 0);
        if (created == 0) {
            int left, top;
            CentredOuterPosition(w, h, &left, &top);
            PlatformSetWindowStyle(0, w, h, left, top);
        }
    } else {
        LogWrite(SJ("フルスクリーンモード用のウインドウを作成します\n"));
        g_runtime.window.cursorWanted = 0;
        created = PlatformCreateWindow(g_runtime.settings.windowTitle, sw, sh, 1);
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

    SetPumpThreadEnded(0);
    if (!s_window.pumpWake) {
        s_window.pumpPauseGuard = new std::mutex;
        s_window.pumpWake = new std::condition_variable;
    }
    s_window.pumpThread = new std::thread(MessagePumpThread);
    g_runtime.window.pumpThreadStarted = 1;
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
    if (g_runtime.window.pumpThreadStarted) {
        // The pump thread may be waiting for the lock we hold: let it go by.
        while (!PumpThreadEnded()) {
            {
                std::lock_guard<std::mutex> g(*s_window.pumpPauseGuard);
            }
            s_window.pumpWake->notify_all();
            LeaveApiLock();
            PlatformSleep(1);
            EnterApiLock();
        }
        if (s_window.pumpThread) {
            if (s_window.pumpThread->joinable()) s_window.pumpThread->join();
            delete s_window.pumpThread;
            s_window.pumpThread = nullptr;
        }
        g_runtime.window.pumpThreadStarted = 0;
    }
    PlatformReleaseInstanceLock();
    g_runtime.window.mainWindow = 0;
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
    PostWindowMessage(WM_DISPLAYCHANGE, g_runtime.window.desktopBitsPerPixel,
                      (long)((g_runtime.window.desktopWidth & 0xFFFF) | ((g_runtime.window.desktopHeight & 0xFFFF) << 16)));
    while (ProcessMessage() == 0 && !g_runtime.window.displayChangeSeen) {
    }
    g_runtime.window.modeSwitching = 0;
    return r;
}

int ApplyWindowStyle(void) {
    if (!g_runtime.window.mainWindow) return 0;
    int sw, sh, sb;
    ScreenSize(&sw, &sh, &sb);
    if (g_runtime.settings.windowed) {
        LogWrite(SJ("ウインドウスタイルをウインドウモード用に変更します... "));
        int w, h;
        ScaledSize(&w, &h);
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
        ScaledSize(&w, &h);
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

void BringMainWindowToFront(int topmost) { PlatformRaiseWindow(); }

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
    if (g_runtime.window.mainWindow) PlatformSetCaption(g_runtime.settings.windowTitle);
    return 0;
}

int RegisterIconResource(int id, const void* imageBytes, int size) {
    API_LOCK();
    if (!imageBytes || size <= 0) return -1;
    for (int i = 0; i < s_window.iconCount; i++) {
        if (s_window.icons[i].id == (id & 0xFFFF)) {
            s_window.icons[i].data = imageBytes;
            s_window.icons[i].size = size;
            return 0;
        }
    }
    if (s_window.iconCount == (int)(sizeof(s_window.icons) / sizeof(s_window.icons[0]))) return -1;
    s_window.icons[s_window.iconCount++] = IconResource{id & 0xFFFF, imageBytes, size};
    return 0;
}

void ApplyWindowIcon(void) {
    if (!g_runtime.window.mainWindow) return;
    int id = g_runtime.settings.iconResourceId & 0xFFFF;
    for (int i = 0; i < s_window.iconCount; i++) {
        if (s_window.icons[i].id == id) {
            PlatformSetIcon(s_window.icons[i].data, (size_t)s_window.icons[i].size);
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
