// Declarations shared by the SDL backend's files (not part of the platform interface).
#pragma once

#include <SDL.h>

// ---- Window (lead) -------------------------------------------------------------
// The main window, or null when none exists.
SDL_Window* SdlMainWindow(void);
// Starts the SDL video subsystem once (any backend file that needs SDL calls it).
int SdlEnsureVideo(void);

// ---- Single instance (sdl_instance_lock*.cpp) ---------------------------------
// Called by the event drain: 1 when a second copy asked since the last call that
// the running copy's window come to the front.
int SdlTakeRaiseRequest(void);

// ---- Keyboard (input subsystem) ---------------------------------------------
// Key code of an SDL scancode, or -1 for a key the runtime does not know.
int SdlScancodeToKeyCode(int scancode);
// Where a width x height picture goes in an outW x outH output: the largest whole
// scale that fits (fit with the aspect kept when even 1 does not), centred.
void SdlFitPicture(int width, int height, int outW, int outH, int* x, int* y, int* w, int* h);
