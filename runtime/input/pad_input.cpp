// Controllers and the pad bit set: reading a controller at most once per
// millisecond unless it has new data, merging it with the keyboard bits, and
// taking in controllers plugged in while running.
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/sjis.h"
#include "runtime/core/window.h"
#include "runtime/input/input.h"
#include "runtime/input/input_state.h"
#include "runtime/runtime.h"

namespace {

// Keyboard part of the pad bits: each bit with its two keys (0 = none).
struct PadKeyPair {
    int bit;
    unsigned char key1, key2;
};

const PadKeyPair kPadKeys[] = {
    {0x1, 0xD0, 0x50}, // down: down arrow, numeric pad 2
    {0x2, 0xCB, 0x4B}, // left: left arrow, numeric pad 4
    {0x4, 0xCD, 0x4D}, // right: right arrow, numeric pad 6
    {0x8, 0xC8, 0x48}, // up: up arrow, numeric pad 8
    {0x10, 0x2C, 0},   // button 1: Z
    {0x20, 0x2D, 0},   // button 2: X
    {0x40, 0x2E, 0},   // button 3: C
    {0x80, 0x1E, 0},   // button 4: A
    {0x100, 0x1F, 0},  // button 5: S
    {0x200, 0x20, 0},  // button 6: D
    {0x400, 0x10, 0},  // button 7: Q
    {0x800, 0x11, 0},  // button 8: W
    {0x1000, 0x01, 0}, // button 9: Escape
    {0x2000, 0x39, 0}, // button 10: Space
};

int KeyHeld(unsigned char code) {
    return code != 0 && (g_input.keyState[code] & 0x80) != 0;
}

} // namespace

int ReadPad(int index) {
    if (index < 0 || index >= INPUT_PAD_MAX) return -1;
    PadEntry* pad = &g_input.pads[index];
    uint32_t now = PlatformMilliseconds();
    uint32_t serial = PlatformPadSerial(index);
    if (pad->readOnce && now == pad->readTime && serial == pad->serial) return 0;
    pad->readTime = now;
    pad->readOnce = 1;
    pad->serial = serial;
    PlatformPadState fresh;
    if (PlatformGetPadState(index, &fresh) != 0) {
        // Retry once after letting the window breathe; the entry keeps its
        // previous state for this call either way.
        if (ProcessMessage() != 0) return -1;
        PlatformUpdatePads();
        if (ProcessMessage() != 0) return -1;
        PlatformGetPadState(index, &fresh);
        return 0;
    }
    pad->state = fresh;
    return 0;
}

int GetPadInputState(int inputType) {
    API_LOCK();
    WaitWhileInactive();
    int started;
    if (LazyStartInput(&started)) return started;
    int n = (inputType & ~0x1000) - 1;
    int wantKeys = (inputType & 0x1000) != 0;
    if ((n < -1 || n >= g_input.padCount) && g_input.padCount > 0 && !wantKeys) return 0;
    int bits = 0;
    if (n >= 0 && n < g_input.padCount) {
        ReadPad(n);
        const PlatformPadState* s = &g_input.pads[n].state;
        if (s->x < 0) bits |= 0x2;
        else if (s->x > 0) bits |= 0x4;
        if (s->y < 0) bits |= 0x8;
        else if (s->y > 0) bits |= 0x1;
        for (int i = 0; i < 24; i++)
            if (s->buttons[i] & 0x80) bits |= 1 << (i + 4);
    }
    if (wantKeys) {
        ReadKeyState();
        for (const PadKeyPair& pair : kPadKeys)
            if (KeyHeld(pair.key1) || KeyHeld(pair.key2)) bits |= pair.bit;
    }
    return bits;
}

void UpdatePadDevices(void) {
    if (!g_input.directInput) return;
    if (!PlatformUpdatePads()) return;
    // The set of controllers changed: find them again as at start.
    if (g_input.directInput == INPUT_PLAIN_MARKER) {
        int count = PlatformPadCount();
        g_input.padCount = count > INPUT_PAD_MAX ? INPUT_PAD_MAX : count;
        memset(g_input.pads, 0, sizeof g_input.pads);
        for (int i = 0; i < g_input.padCount; i++) {
            g_input.pads[i].device = 1;
            for (int h = 0; h < 4; h++) g_input.pads[i].state.pov[h] = 0xFFFFFFFFu;
        }
        return;
    }
    LogWrite(SJ("ジョイパッドの初期化... \n"));
    EnumeratePads();
    LogWrite(SJ("ジョイパッドの初期化は正常に終了しました\n"));
}

void PadActivationStep(int active) {
    if (!g_input.directInput) return;
    // Controllers are read only while the application is in front: on either
    // change the next read is a fresh one, and on activation controllers
    // plugged in meanwhile are taken in.
    for (int i = 0; i < g_input.padCount; i++) g_input.pads[i].readOnce = 0;
    if (active) UpdatePadDevices();
}
