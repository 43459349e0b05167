// The scripted backend's window: a record of what the runtime asked for (size,
// style, caption, icon, cursor) and a queue of events that tests push, so window
// handling runs without a display.
#include <stdio.h>
#include <string.h>

#include <mutex>

#include "runtime/platform/common/ring_queue.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/platform/scripted/scripted_internal.h"

namespace {

const int kEventCapacity = 1024;
// A plausible frame: borders of 3 pixels and a 26-pixel caption.
const int kFrameLeft = 3, kFrameTop = 26, kFrameRight = 3, kFrameBottom = 3;

struct ScriptedWindow {
    std::mutex guard;                                // events may be pushed from a test thread
    int exists;                                      // a window was created and not destroyed
    int fullScreen;                                  // borderless full screen
    int clientWidth, clientHeight;                   // client size
    int outerLeft, outerTop;                         // outer top-left on the virtual desktop
    int cursorShown;                                 // last cursor request
    int iconBytes;                                   // size of the icon image last given (0 = default)
    char caption[1024];                              // caption last given (UTF-8)
    RingQueue<PlatformEvent, kEventCapacity> events; // pending events, oldest first
    int otherInstance;                               // pretend another instance holds the lock
    int instanceLocked;                              // this process holds the instance flag
    int failCreation;                                // the next creation fails
};

ScriptedWindow s_win;

} // namespace

int PlatformAcquireInstanceLock(const char* className) {
    std::lock_guard<std::mutex> g(s_win.guard);
    if (s_win.otherInstance || s_win.instanceLocked) return -1;
    s_win.instanceLocked = 1;
    return 0;
}

void PlatformReleaseInstanceLock(void) {
    std::lock_guard<std::mutex> g(s_win.guard);
    s_win.instanceLocked = 0;
}

int PlatformOpenDisplay(char* reason, int reasonSize) {
    // The headless backend's display is memory: always there.
    if (reason && reasonSize > 0) reason[0] = 0;
    return 0;
}

void PlatformGetDesktopMode(int* width, int* height, int* bitsPerPixel) {
    *width = 1280;
    *height = 1024;
    *bitsPerPixel = 32;
}

int PlatformCreateWindow(const char* captionUtf8, int clientWidth, int clientHeight, int fullScreen) {
    std::lock_guard<std::mutex> g(s_win.guard);
    if (s_win.failCreation) {
        s_win.failCreation = 0;
        return -1;
    }
    ScriptedSetClockThread();
    s_win.exists = 1;
    s_win.fullScreen = fullScreen;
    s_win.clientWidth = clientWidth;
    s_win.clientHeight = clientHeight;
    s_win.outerLeft = 0;
    s_win.outerTop = 0;
    snprintf(s_win.caption, sizeof(s_win.caption), "%s", captionUtf8 ? captionUtf8 : "");
    return 0;
}

void PlatformDestroyWindow(void) {
    std::lock_guard<std::mutex> g(s_win.guard);
    s_win.exists = 0;
    s_win.caption[0] = 0;
    RingClear(&s_win.events);
}

int PlatformWindowExists(void) {
    return s_win.exists;
}

void PlatformSetCaption(const char* captionUtf8) {
    std::lock_guard<std::mutex> g(s_win.guard);
    snprintf(s_win.caption, sizeof(s_win.caption), "%s", captionUtf8 ? captionUtf8 : "");
}

void PlatformSetIcon(const void* imageBytes, size_t byteCount) {
    s_win.iconBytes = imageBytes ? (int)byteCount : 0;
}

void PlatformSetWindowStyle(int fullScreen, int clientWidth, int clientHeight, int left, int top) {
    std::lock_guard<std::mutex> g(s_win.guard);
    s_win.fullScreen = fullScreen;
    s_win.clientWidth = clientWidth;
    s_win.clientHeight = clientHeight;
    s_win.outerLeft = fullScreen ? 0 : left;
    s_win.outerTop = fullScreen ? 0 : top;
}

int PlatformGetClientRect(PlatformRect* rect) {
    std::lock_guard<std::mutex> g(s_win.guard);
    if (!s_win.exists) return -1;
    int fl = s_win.fullScreen ? 0 : kFrameLeft, ft = s_win.fullScreen ? 0 : kFrameTop;
    rect->left = s_win.outerLeft + fl;
    rect->top = s_win.outerTop + ft;
    rect->right = rect->left + s_win.clientWidth;
    rect->bottom = rect->top + s_win.clientHeight;
    return 0;
}

void PlatformGetFrameExtents(int* left, int* top, int* right, int* bottom) {
    bool fs = s_win.fullScreen;
    *left = fs ? 0 : kFrameLeft;
    *top = fs ? 0 : kFrameTop;
    *right = fs ? 0 : kFrameRight;
    *bottom = fs ? 0 : kFrameBottom;
}

void PlatformShowCursor(int show) {
    s_win.cursorShown = show;
}

int PlatformPollEvent(PlatformEvent* event) {
    std::lock_guard<std::mutex> g(s_win.guard);
    return RingPop(&s_win.events, event) ? 1 : 0;
}

int PlatformPendingEvents(void) {
    std::lock_guard<std::mutex> g(s_win.guard);
    return s_win.events.count;
}

void PlatformRaiseWindow(void) {}

void ScriptedPushEvent(int kind, int x, int y, int w, int h, int bits) {
    std::lock_guard<std::mutex> g(s_win.guard);
    RingPush(&s_win.events, PlatformEvent{kind, x, y, w, h, bits});
}

int ScriptedWindowInfo(int* clientWidth, int* clientHeight, int* fullScreen) {
    std::lock_guard<std::mutex> g(s_win.guard);
    if (clientWidth) *clientWidth = s_win.exists ? s_win.clientWidth : 0;
    if (clientHeight) *clientHeight = s_win.exists ? s_win.clientHeight : 0;
    if (fullScreen) *fullScreen = s_win.exists ? s_win.fullScreen : 0;
    return s_win.exists;
}

const char* ScriptedCaption(void) {
    return s_win.caption;
}

void ScriptedSetOtherInstance(int running) {
    s_win.otherInstance = running;
}

void ScriptedFailWindowCreation(int fail) {
    s_win.failCreation = fail;
}
