// Game-side set-up shared by the stage, ranking and settings targets: the game's
// pictures and fonts loaded once, and a fresh GameState for every input.
#pragma once

#include "game/game_state.h"

#include <stddef.h>
#include <stdint.h>

// Starts the runtime in the scratch folder and loads the game's assets (once).
void FuzzStartGame(void);
// ResetGameState with the loaded asset handles kept, and WinMain's object set-up.
void FuzzFreshGameState(void);
// The start of every game-file input: the game started, the input written as the
// scratch file `name`, a fresh GameState. Returns the tracked block count before.
int FuzzBeginGameInput(const char* name, const uint8_t* data, size_t size);
