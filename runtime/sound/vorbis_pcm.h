// Vorbis float samples to interleaved 16-bit PCM, with the same rounding and
// clipping as vorbisfile's own 16-bit output, but a vector loop for the usual
// one- and two-channel sounds.
#pragma once

#include <stdint.h>

// One sample the reference way: round to nearest even, out of int range (and NaN)
// as the processor's integer indefinite, then clipped to 16 bits.
int16_t VorbisSampleToPcm16(float sample);
// Interleaves `frames` frames of `channels` planes into out (frames * channels values).
void VorbisFloatToPcm16(float* const* planes, int channels, int frames, int16_t* out);
// The plain loop, for tests and for channel counts without a vector loop.
void VorbisFloatToPcm16Plain(float* const* planes, int channels, int frames, int16_t* out);
