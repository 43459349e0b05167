// The input module's internal entry points, called by the runtime core: the
// lifecycle, ProcessMessage and the main window's activation handling.
#pragma once

// RuntimeInit: 0, -1 when the input service cannot be started, 1 when the
// keyboard's new-data signal could not be set up (the devices stay).
int InitInput(void);
// RuntimeEnd and the full-screen restore: 0.
int EndInput(void);
// ProcessMessage on the main thread, after its messages: refreshes the key state, at most once per
// millisecond unless new key data arrived.
void RefreshKeyState(void);
// ProcessMessage's per-call steps on every thread: takes in controllers plugged in or
// pulled out while running.
void UpdatePadDevices(void);
// Window activation: the devices are taken again, so the next reads are fresh.
void ReacquireInput(void);
// Window activation and deactivation: the controllers' activation step.
void PadActivationStep(int active);
// The window procedure saw new key data (the keyboard's signal): the next
// refresh reads even within the same millisecond.
void NoteKeyboardEvent(void);
// Before RuntimeInit: 1 selects the plain mode (no keyboard device, key state
// read at most once per millisecond). Never set by the game.
void SetInputPlainMode(int plain);
