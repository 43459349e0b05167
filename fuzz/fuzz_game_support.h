// Game-side set-up shared by the stage, ranking and settings targets: the game's
// pictures and fonts loaded once, and a fresh GameState for every input.
#pragma once

#include "game/game_state.h"

// Starts the runtime in the scratch folder and loads the game's assets (once).
void FuzzStartGame(void);
// ResetGameState with the loaded asset handles kept, and WinMain's object set-up.
void FuzzFreshGameState(void);
