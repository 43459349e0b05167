// Sound effects synthesised from a short description (.snd): layers of simple
// oscillators with pitch sweeps, envelopes and filters, mixed and normalised.
#pragma once
#include "wave_write.h"
#include <string>
#include <vector>

struct SoundEffect {
    WaveEncoding encoding;      // how the file stores the samples
    int rate;                   // samples per second
    std::vector<float> samples; // mono, peak normalised to the requested level
};

SoundEffect RenderSoundEffect(const std::string& path);
