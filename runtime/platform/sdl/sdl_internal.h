// Declarations shared by the SDL backend's files (not part of the platform interface).
#pragma once

#include <SDL.h>

// ---- Window (lead) -------------------------------------------------------------
// The main window, or null when none exists.
SDL_Window* SdlMainWindow(void);
// Starts the SDL video subsystem once (any backend file that needs SDL calls it).
int SdlEnsureVideo(void);

// ---- Keyboard (input subsystem) ---------------------------------------------
// Key code of an SDL scancode, or -1 for a key the runtime does not know.
int SdlScancodeToKeyCode(int scancode);
