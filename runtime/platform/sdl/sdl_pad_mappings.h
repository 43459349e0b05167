// Loading of the controller mapping database before controllers are opened.
#pragma once

// Adds, on top of SDL's built-in mappings: the file named by the environment
// variable SDL_GAMECONTROLLERCONFIG_FILE, the user's "gamecontrollerdb.txt" in
// the current folder (the game's per-user folder), and last, so that it wins,
// the mappings in SDL_GAMECONTROLLERCONFIG. Returns the mappings added or updated.
int SdlLoadPadMappings(void);
