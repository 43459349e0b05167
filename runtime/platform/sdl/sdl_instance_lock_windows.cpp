// The single-instance check on Windows: a named mutex per session (so per logged-on
// user) for the window class name, held while the program runs; the system drops
// it when the process ends, however it ends. A second copy signals a named event
// that the running copy polls while it drains its window events, and lets it take
// the foreground.
#include <windows.h>

#include <stdio.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_internal.h"

namespace {

struct SdlInstanceLock {
    HANDLE mutex; // the held instance mutex, null when none
    HANDLE raise; // auto-reset event a second copy sets, null when none
};

SdlInstanceLock s_lock = {nullptr, nullptr};

// "Local\<class>-<what>" in UTF-16; the class name is ASCII or Shift-JIS.
void ObjectName(const char* className, const char* what, wchar_t* out, int count) {
    char name[512];
    snprintf(name, sizeof name, "Local\\%s-%s", className ? className : "", what);
    if (MultiByteToWideChar(932, 0, name, -1, out, count) <= 0) out[0] = 0;
}

} // namespace

int PlatformAcquireInstanceLock(const char* className) {
    if (s_lock.mutex) return -1;
    wchar_t mutexName[600], raiseName[600];
    ObjectName(className, "instance", mutexName, 600);
    ObjectName(className, "raise", raiseName, 600);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, mutexName);
    if (!mutex) return 0; // no mutex to be had: do not refuse to start
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        // Ask the running copy to show itself; it may not listen, which is fine.
        HANDLE raise = OpenEventW(EVENT_MODIFY_STATE, FALSE, raiseName);
        if (raise) {
            AllowSetForegroundWindow(ASFW_ANY);
            SetEvent(raise);
            CloseHandle(raise);
        }
        return -1;
    }
    s_lock.mutex = mutex;
    s_lock.raise = CreateEventW(nullptr, FALSE, FALSE, raiseName);
    return 0;
}

void PlatformReleaseInstanceLock(void) {
    if (s_lock.raise) CloseHandle(s_lock.raise);
    s_lock.raise = nullptr;
    if (!s_lock.mutex) return;
    ReleaseMutex(s_lock.mutex);
    CloseHandle(s_lock.mutex);
    s_lock.mutex = nullptr;
}

int SdlTakeRaiseRequest(void) {
    return s_lock.raise && WaitForSingleObject(s_lock.raise, 0) == WAIT_OBJECT_0 ? 1 : 0;
}
