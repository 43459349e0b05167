// The 256-byte key state by key code: refreshed from the platform at most once
// per millisecond unless new key data arrived, and the CheckKeyDown query.
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/window.h"
#include "runtime/input/input.h"
#include "runtime/input/input_state.h"
#include "runtime/runtime.h"

int ReadKeyState(void) {
    uint32_t now = PlatformMilliseconds();
    if (g_input.settings.noDirectInput || !g_input.keyboardDevice) {
        if (now == g_input.keyboardReadTime) return 0;
        g_input.keyboardReadTime = now;
        unsigned char keys[256];
        memset(g_input.keyState, 0, sizeof g_input.keyState);
        if (PlatformGetKeyState(keys) == 0) memcpy(g_input.keyState, keys, sizeof keys);
        return 1;
    }
    if (now == g_input.keyboardReadTime && !g_input.keyboardEvent) return 0;
    unsigned char keys[256];
    // A failed read is retried once (the device taken again); then the old
    // state stays.
    if (PlatformGetKeyState(keys) != 0 && PlatformGetKeyState(keys) != 0) return 0;
    memcpy(g_input.keyState, keys, sizeof keys);
    g_input.keyboardReadTime = now;
    g_input.keyboardEvent = 0;
    return 1;
}

void RefreshKeyState(void) {
    ReadKeyState();
}

int CheckKeyDown(int keyCode) {
    API_LOCK();
    WaitWhileInactive();
    int started;
    if (LazyStartInput(&started)) return started;
    ReadKeyState();
    // Codes outside 0..255 name no key.
    if (keyCode < 0 || keyCode > 255) return 0;
    return (g_input.keyState[keyCode] & 0x80) ? 1 : 0;
}
