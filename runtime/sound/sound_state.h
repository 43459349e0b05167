// The sound subsystem's one state record: the output device, its silent loop and
// the table of sounds (handle kind 2).
#pragma once

#include "runtime/core/handles.h"
#include "runtime/platform/platform.h"

#include <stdint.h>

// Most buffers one sound may own.
#define SOUND_MAX_BUFFERS 10
// Slots of the sound table.
#define SOUND_TABLE_CAPACITY 4096

struct SoundRecord {
    int check;                                       // handle check number (first field)
    PlatformSoundBuffer* buffers[SOUND_MAX_BUFFERS]; // 0: the static buffer; others duplicate it
    int bufferCount;                                 // buffers made (0 until they exist)
    int currentBuffer;                               // buffer played last
    WaveFormat pcmFormat;                            // format of the samples
    uint8_t* pcmImage;                               // decoded bytes, owned
    int pcmLength;                                   // their length
};

struct SoundState {
    int deviceOpen;                    // the output device exists (every operation tests it)
    int primaryBuffer;                 // the primary (mix) buffer exists
    WaveFormat primaryFormat;          // format asked for the primary buffer
    PlatformSoundBuffer* silentBuffer; // the looping silence; null when it could not be made
    HandleTable table;                 // the sounds
};

extern SoundState g_sound;

// The record of a valid sound handle while the device exists, else null.
SoundRecord* LookupSound(int handle);
