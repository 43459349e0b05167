// The main window's message queues and ProcessMessage, the pump with its
// five-message rule: platform events become window messages here, and only the
// thread that made the window dispatches them.
#include <stdint.h>

#include <atomic>

#include "runtime/core/api_lock.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/subsystems.h"
#include "runtime/core/window.h"
#include "runtime/platform/common/ring_queue.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

namespace {

const int kQueueCapacity = 256;

struct Message {
    int message;
    long wParam;
    long lParam;
};

using MessageQueue = RingQueue<Message, kQueueCapacity>;

struct MessageState {
    MessageQueue threadQueue;              // messages posted to the main thread itself (quit)
    MessageQueue windowQueue;              // messages posted to the window, then platform events
    int dispatched;                        // messages dispatched since process start
    std::atomic<uint32_t> mainThreadPumps; // ProcessMessage calls made by the main thread
};

MessageState s_messages;

bool Push(MessageQueue* q, int message, long wParam, long lParam) {
    return RingPush(q, Message{message, wParam, lParam});
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
    while (s_messages.windowQueue.count == 0 && PlatformPollEvent(&e)) {
        Message m;
        if (MessageFromEvent(e, &m)) Push(&s_messages.windowQueue, m.message, m.wParam, m.lParam);
    }
}

// Takes the next message as the pump does: a screen-saver request first, then
// messages posted to the thread, then the window's messages.
bool TakeMessage(Message* m) {
    FillWindowQueue();
    MessageQueue* wq = &s_messages.windowQueue;
    const Message* next = RingFront(wq);
    if (next && next->message == WM_SYSCOMMAND && next->wParam == SC_SCREENSAVE) return RingPop(wq, m);
    if (RingPop(&s_messages.threadQueue, m)) return true;
    return RingPop(wq, m);
}

bool OnMainThread() {
    return g_runtime.window.mainThreadId != 0 && CurrentThreadId() == g_runtime.window.mainThreadId;
}

} // namespace

void PostWindowMessage(int message, long wParam, long lParam) {
    Push(&s_messages.windowQueue, message, wParam, lParam);
}

void PostQuitToMainThread(void) {
    Push(&s_messages.threadQueue, WM_QUIT, 0, 0);
}

void ClearWindowMessages(void) {
    RingClear(&s_messages.threadQueue);
    RingClear(&s_messages.windowQueue);
}

int PendingWindowMessages(void) {
    return s_messages.windowQueue.count + s_messages.threadQueue.count + PlatformPendingEvents();
}

int DispatchedWindowMessages(void) {
    return s_messages.dispatched;
}

uint32_t MainThreadPumps(void) {
    return s_messages.mainThreadPumps.load();
}

int ProcessMessage(void) {
    API_LOCK();
    if (!g_runtime.window.mainWindow) return QuitRequested() ? -1 : 0;
    bool mainThread = OnMainThread();
    if (mainThread) s_messages.mainThreadPumps++;
    int n = 0, pass = 0;
    while ((g_runtime.window.closePosted == 0 && g_runtime.window.appActive == 0) ||
           (pass == 0 && QuitRequested() == 0)) {
        pass = 1;
        if (!g_runtime.window.appActive) PlatformSleep(1);
        bool leaveAll = false;
        // Only the thread that owns the window sees its messages.
        while (mainThread) {
            Message m;
            if (!TakeMessage(&m)) break;
            if (m.message == WM_ACTIVATE || m.message == WM_ACTIVATEAPP)
                g_runtime.window.appActive = (m.wParam & 0xFFFF) != 0;
            if (QuitRequested()) {
                leaveAll = true;
                break;
            }
            if (m.message == WM_QUIT) SetQuitRequested(1);
            else MainWindowProc(m.message, m.wParam, m.lParam);
            s_messages.dispatched++;
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
