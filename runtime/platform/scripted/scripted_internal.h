// State shared by the scripted backend's files.
#pragma once

#include <stdint.h>

// Thread that created the window; only its sleeps advance the virtual clock.
bool ScriptedIsClockThread(void);
void ScriptedSetClockThread(void);
