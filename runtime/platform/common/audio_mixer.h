// Our own software mixer behind the platform's sound-buffer services. Both backends
// share it: the SDL backend calls MixerRender from its audio callback, the scripted
// backend calls it on demand. Output is always interleaved stereo S16.
#pragma once

#include <stdint.h>

// The device rate every buffer is resampled to.
#define MIXER_DEVICE_RATE 44100

// Buffer rates the mixer accepts (also reported as the secondary rate range).
#define MIXER_MIN_RATE 100
#define MIXER_MAX_RATE 200000

// Failure injection for the backends' test controls: the next `count` calls of the
// kind fail (0 clears).
enum MixerFailKind {
    MixerFailCreate = 0,    // PlatformAudioCreateBuffer
    MixerFailDuplicate = 1, // PlatformAudioDuplicateBuffer
    MixerFailLock = 2,      // PlatformAudioLockBuffer
    MixerFailUnlock = 3,    // PlatformAudioUnlockBuffer
    MixerFailKindCount = 4
};
void MixerInjectFailures(int kind, int count);

// The backend opened or closed its device; buffers can be made only while open.
void MixerSetOpen(int open);
int MixerIsOpen(void);

// Mixes every playing buffer into frames stereo frames of out (S16, interleaved),
// advancing their positions. Takes the mixer lock; safe from the audio thread.
void MixerRender(int16_t* out, int frames);

// Buffers alive and buffers playing (tests, benchmarks).
int MixerBufferCount(void);
int MixerPlayingCount(void);
