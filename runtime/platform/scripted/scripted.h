// Controls of the headless backend, for tests, replays and benchmarks: the
// virtual clock, scripted keys, window events and the frames it was given.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

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
// Caption last given (UTF-8), empty when no window.
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
// Key code of a script key name (ESCAPE Z X C A S D Q W SPACE UP DOWN LEFT RIGHT RETURN
// NUMPADENTER), -1 if unknown.
int ScriptedKeyCodeOfName(const char* name);
// Plugs a controller into slot 0..7 (connected 1) or pulls it out (0). Axes are
// raw values -32768..32767, scaled like a real controller's; buttons bit i =
// button i + 1 pressed. The change is seen at the next pad-device update.
void ScriptedSetPad(int slot, int connected, int x, int y, uint32_t buttons);

// ---- Audio ------------------------------------------------------------------
// The virtual device mixes only when asked: tests read what would have been heard.
// (So a play of type 0 waits until something, another thread say, mixes its end.)
// Mixes frames of every playing buffer into out (44100 Hz, stereo, S16,
// interleaved), advancing them. Returns frames, or -1 while no device is open.
int ScriptedMixAudio(int16_t* out, int frames);
// 1 while the virtual device is open.
int ScriptedAudioDeviceOpen(void);
// Result of the next device opens: 0 opens, -1 no audio service, -2 device fails.
void ScriptedSetAudioOpenResult(int result);
// Capabilities of the virtual device: highest buffer rate, stereo and 16-bit
// primary output (defaults 200000, 1, 1).
void ScriptedSetAudioCaps(int maxSecondaryRate, int primaryStereo, int primary16Bit);
// Makes primary format requests fail (1) or succeed (0).
void ScriptedRefusePrimaryFormat(int refuse);
// The primary format last accepted; 0 when none was, else 1.
int ScriptedPrimaryFormat(int* channels, int* samplesPerSec, int* bitsPerSample);
// The next count calls of a buffer service fail: 0 create, 1 duplicate, 2 lock, 3 unlock.
void ScriptedFailAudioBuffers(int kind, int count);
// Device list: the number of devices (default 1), -1 cannot be listed, -2 no service.
void ScriptedSetAudioDeviceList(int result);
// Buffers alive and playing in the mixer.
int ScriptedAudioBufferCount(void);
int ScriptedAudioPlayingCount(void);

#ifdef __cplusplus
}
#endif
