// Figures of the SDL audio callback, for tests and measurements of the desktop
// backend: how often it ran and how long the mix took against its period.
#pragma once

#include <stdint.h>

struct SdlAudioStats {
    int64_t callbacks;     // callbacks since the device opened
    int64_t framesMixed;   // frames handed to SDL
    int64_t lateCallbacks; // mixes that took longer than one period
    double maxMixMs;       // longest mix in milliseconds
    double totalMixMs;     // all mixing time
    int periodFrames;      // frames per callback SDL asked for
    int deviceRate;        // the device's rate
};

void GetSdlAudioStats(SdlAudioStats* stats);
