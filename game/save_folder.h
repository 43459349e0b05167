// The folder that holds the player's "config.ini" and "score.dat": the current
// folder, unless a replay names another so the player's own files stay untouched.
#pragma once

// Sets the save folder; null or "" means the current folder.
void SetSaveFolder(const char* folder);
// The path of a save file ("config.ini", "score.dat") inside the save folder.
const char* SaveFilePath(const char* name, char* out, int size);
