// Scripted controllers: eight plug-in slots a test fills with ScriptedSetPad;
// the platform pad services report the connected ones in slot order.
#include <stdio.h>
#include <string.h>

#include <mutex>

#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"

namespace {

struct ScriptedPadSlot {
    int connected;    // the test has plugged this slot in
    int x, y;         // raw axes -32768..32767
    uint32_t buttons; // bit i = button i + 1
    uint32_t serial;  // bumped on every change
};

struct ScriptedPadState {
    std::mutex lock;                         // tests may set pads from another thread
    ScriptedPadSlot slots[PLATFORM_PAD_MAX]; // what the test set
    int open;                                // PlatformOpenPads ran
    int seen[PLATFORM_PAD_MAX];              // slots visible to the runtime, in order
    int seenCount;                           // entries in seen
};

ScriptedPadState s_pads;

// Rebuilds the visible list from the slots; 1 when it changed.
int RescanLocked(void) {
    int list[PLATFORM_PAD_MAX];
    int count = 0;
    for (int i = 0; i < PLATFORM_PAD_MAX; i++)
        if (s_pads.slots[i].connected) list[count++] = i;
    int changed = count != s_pads.seenCount || memcmp(list, s_pads.seen, sizeof(int) * count) != 0;
    memcpy(s_pads.seen, list, sizeof list);
    s_pads.seenCount = count;
    return changed;
}

} // namespace

void ScriptedSetPad(int slot, int connected, int x, int y, uint32_t buttons) {
    if (slot < 0 || slot >= PLATFORM_PAD_MAX) return;
    std::lock_guard<std::mutex> guard(s_pads.lock);
    ScriptedPadSlot* pad = &s_pads.slots[slot];
    pad->connected = connected != 0;
    pad->x = x < -32768 ? -32768 : (x > 32767 ? 32767 : x);
    pad->y = y < -32768 ? -32768 : (y > 32767 ? 32767 : y);
    pad->buttons = buttons;
    pad->serial++;
}

void PlatformOpenPads(void) {
    std::lock_guard<std::mutex> guard(s_pads.lock);
    s_pads.open = 1;
    RescanLocked();
}

void PlatformClosePads(void) {
    std::lock_guard<std::mutex> guard(s_pads.lock);
    s_pads.open = 0;
    s_pads.seenCount = 0;
}

int PlatformUpdatePads(void) {
    std::lock_guard<std::mutex> guard(s_pads.lock);
    if (!s_pads.open) return 0;
    return RescanLocked();
}

int PlatformPadCount(void) {
    std::lock_guard<std::mutex> guard(s_pads.lock);
    return s_pads.open ? s_pads.seenCount : 0;
}

int PlatformPadNames(int index, char* name, int nameSize, char* product, int productSize) {
    std::lock_guard<std::mutex> guard(s_pads.lock);
    if (!s_pads.open || index < 0 || index >= s_pads.seenCount) return -1;
    if (name && nameSize > 0) snprintf(name, nameSize, "Scripted Pad %d", s_pads.seen[index] + 1);
    if (product && productSize > 0) snprintf(product, productSize, "Scripted Pad");
    return 0;
}

int PlatformGetPadState(int index, PlatformPadState* state) {
    std::lock_guard<std::mutex> guard(s_pads.lock);
    if (!state || !s_pads.open || index < 0 || index >= s_pads.seenCount) return -1;
    const ScriptedPadSlot* pad = &s_pads.slots[s_pads.seen[index]];
    memset(state, 0, sizeof *state);
    for (int i = 0; i < 4; i++) state->pov[i] = 0xFFFFFFFFu;
    state->x = PlatformScaleAxis(pad->x);
    state->y = PlatformScaleAxis(pad->y);
    for (int i = 0; i < 32; i++)
        if (pad->buttons & (1u << i)) state->buttons[i] = 0x80;
    return 0;
}

uint32_t PlatformPadSerial(int index) {
    std::lock_guard<std::mutex> guard(s_pads.lock);
    if (!s_pads.open || index < 0 || index >= s_pads.seenCount) return 0;
    return s_pads.slots[s_pads.seen[index]].serial;
}
