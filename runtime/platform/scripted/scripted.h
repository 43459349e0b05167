// Controls of the headless backend, for tests, replays and benchmarks: the
// virtual clock, scripted keys, window events and the frames it was given.
#pragma once

#include <stdint.h>

// ---- Clock ------------------------------------------------------------------
// The virtual millisecond clock advances only by sleeps (and by these calls).
void ScriptedAdvanceClock(uint32_t milliseconds);
void ScriptedSetClock(uint32_t milliseconds);
void ScriptedSetCalendarSeconds(int64_t seconds);

// ---- Window -----------------------------------------------------------------
// Queues a window event as if the user or the system had caused it.
void ScriptedPushEvent(int kind, int x, int y, int w, int h, int bits);
// Client size and full-screen flag of the (virtual) window; 0 when none exists.
int ScriptedWindowInfo(int* clientWidth, int* clientHeight, int* fullScreen);
// Caption last given (Shift-JIS), empty when no window.
const char* ScriptedCaption(void);
// Makes the double-start check fail (as if another instance ran).
void ScriptedSetOtherInstance(int running);
// Makes the next window creation fail.
void ScriptedFailWindowCreation(int fail);

// ---- Present ----------------------------------------------------------------
// Frames presented so far (the replay script's frame index).
int ScriptedPresentCount(void);
// The last presented picture as XRGB8888 (width*height pixels); null before any.
const uint32_t* ScriptedLastFrame(int* width, int* height);
// Saves the last presented picture as PNG. 0 or -1.
int ScriptedSaveLastFrame(const char* path);

// ---- Keyboard ---------------------------------------------------------------
// Holds exactly these key codes from now on (count may be 0).
void ScriptedSetKeys(const unsigned char* keyCodes, int count);
// Loads a replay script ("FRAME KEY KEY ..." lines); keys then follow the
// presented-frame count. 0, or -1 with a message in error (if non-null).
int ScriptedLoadInputScript(const char* text, char* error, int errorSize);
// Key code of a script key name (ESCAPE Z X C A S D Q W SPACE UP DOWN LEFT RIGHT), -1 if unknown.
int ScriptedKeyCodeOfName(const char* name);
// (input section: scripted controllers added by the input subsystem)

// ---- Audio ------------------------------------------------------------------
// (audio section: mixing into memory added by the sound subsystem)
