// The input module's one state record and the helpers its files share.
#pragma once

#include <stdint.h>

#include "runtime/platform/platform.h"

#define INPUT_PAD_MAX 8

// One controller as the module keeps it.
struct PadEntry {
    int device;             // 1 while a platform controller stands behind this entry
    PlatformPadState state; // last state read; kept when a read fails
    uint32_t serial;        // the platform's new-data serial at the last read
    uint32_t readTime;      // millisecond count of the last read
    int readOnce;           // readTime and serial hold a real read
};

struct InputState {
    int noDirectInput;            // setting: plain mode (key state by time only, no device)
    int directInput;              // 0 before initialisation, 1 with devices, 2 = the plain-mode marker
    int mouseDevice;              // the mouse device is set up (mouse reading is not offered)
    int keyboardDevice;           // the keyboard device is set up and acquired
    int keyboardEvent;            // new key data arrived since the last refresh
    uint32_t keyboardReadTime;    // millisecond count of the last key-state refresh
    unsigned char keyState[256];  // by key code; bit 7 set = key held
    int padCount;                 // controllers found, 0..8
    PadEntry pads[INPUT_PAD_MAX]; // the controllers in platform order
};

#define INPUT_PLAIN_MARKER 2

extern InputState g_input;

// Refreshes the key state: 1 when it was read, 0 when nothing was read.
int ReadKeyState(void);
// Reads controller index into its entry: 0, or -1 for index >= 8 or when the
// quit state is reached during a retry.
int ReadPad(int index);
// Finds the attached controllers and logs each one (InitInput, after the input object is made).
void EnumeratePads(void);
// A query's lazy start: 1 when the module had to be started (its result is in
// *result), 0 when it was already running.
int LazyStartInput(int* result);
