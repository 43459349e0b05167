// The software mixer's shared records: the samples, the buffers and the mixer's
// state with its lock, used by the render side (audio_mixer.cpp) and the buffer
// services (audio_buffers.cpp).
#pragma once

#include "runtime/platform/common/audio_mixer.h"
#include "runtime/platform/common/audio_resample.h"
#include "runtime/platform/platform.h"

#include <mutex>

namespace mixer {

// Sample data shared by a buffer and its duplicates.
struct MixSamples {
    int users;              // buffers referring to these samples
    uint8_t* bytes;         // the PCM image (null when empty)
    int size;               // bytes
    int frames;             // whole sample frames in bytes
    int channels;           // interleaved channels (1..32)
    int sampleBytes;        // 1 = unsigned 8-bit, 2 = signed 16-bit little-endian
    int blockAlign;         // bytes per frame
    int rate;               // frames per second
    ResampleKernel* kernel; // the rate converter, null at the device rate
};

} // namespace mixer

struct PlatformSoundBuffer {
    mixer::MixSamples* samples;      // shared samples
    int flags;                       // creation flags (kept only)
    int playing;                     // 1 from play until its end or a stop
    int looping;                     // plays again from 0 at the end
    uint64_t position;               // frame position, 32.32 fixed point
    uint64_t step;                   // source frames per device frame, 32.32
    int wrapped;                     // looped since the last start: the sound's end precedes frame 0
    PlatformSoundBuffer* prevActive; // playing list links
    PlatformSoundBuffer* nextActive;
    int lockedBytes; // bytes handed out by an open lock
};

namespace mixer {

enum { kChunkFrames = 1024 };
// Converted voices run in blocks of at most kBlockFrames device frames, whose source
// frames (at most 512 x 200000 / 44100 + 224 taps) fit in kScratchFrames.
enum { kBlockFrames = 512, kScratchFrames = 4096 };
// A converted voice stopped while playing fades out over kFadeFrames (2.9 ms) from
// a copy of its state, so a stop or a restart does not cut its wave mid-swing.
enum { kFadeFrames = 128, kFadeBits = 7, kTails = 16 };

// The fading copy of a stopped voice; it holds a reference to the samples.
struct MixTail {
    PlatformSoundBuffer voice; // position and loop state at the stop
    int left;                  // frames still to fade (0: slot free)
};

struct MixerState {
    std::mutex lock;                       // the device lock: every buffer field is under it
    int open;                              // the backend's device is open
    int bufferCount;                       // buffers alive
    int playingCount;                      // buffers in the playing list
    PlatformSoundBuffer* active;           // head of the playing list
    int failures[MixerFailKindCount];      // injected failures still to give
    int32_t accumulator[kChunkFrames * 2]; // one chunk of the sum before clipping
    ResampleKernel* kernels;               // converters in use, one per source rate
    float scratchLeft[kScratchFrames];     // one block of a converted voice's source frames
    float scratchRight[kScratchFrames];
    MixTail tails[kTails];                     // stopped converted voices fading out
    int32_t tailAccumulator[kChunkFrames * 2]; // one chunk of a tail before its fade
};

extern MixerState g_mixer;

// Adds or removes a buffer in the playing list (no-ops when already so).
void LinkActive(PlatformSoundBuffer* b);
void UnlinkActive(PlatformSoundBuffer* b);
// The shared converter for a source rate; may unlock guard while designing it.
// Null when out of memory.
ResampleKernel* AcquireKernel(int rate, std::unique_lock<std::mutex>& guard);
// Drops one user of a converter, freeing it with the last.
void ReleaseKernel(ResampleKernel* k);
// Drops one user of the samples, freeing them and their converter with the last.
void ReleaseSamples(MixSamples* s);
// A stopped converted voice keeps sounding from where it was, fading to silence.
void StartTail(const PlatformSoundBuffer* b);
void EndTail(MixTail& t);

} // namespace mixer
