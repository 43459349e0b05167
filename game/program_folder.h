// The folder the game keeps its data and its files in.
#pragma once

// Called by main before WinMain: makes the game's folder the current one. On
// Windows that is the executable's own folder (the game, its data, the log,
// "config.ini" and "score.dat" sit together); when that folder cannot be written
// the player is told at once that the ranking and the setting will not be kept.
// Elsewhere the launcher has already chosen the folder. 0, or -1 when the folder
// cannot be entered.
int EnterProgramFolder(void);
