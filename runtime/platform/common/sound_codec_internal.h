// The conversion stream record shared by the two codecs behind the platform's
// compressed-sound services (libsndfile for WAVE, libmpg123 for MPEG frames).
#pragma once

#include "runtime/platform/platform.h"

#include <mpg123.h>
#include <sndfile.h>

enum SoundCodecKind {
    SoundCodecWave = 0, // compressed WAVE through libsndfile
    SoundCodecMpeg = 1  // MPEG audio frames through libmpg123's feed interface
};

struct PlatformSoundCodec {
    int kind;            // SoundCodecKind
    const uint8_t* data; // the caller's source data (not owned)
    int dataSize;        // its length in bytes
    WaveFormat pcm;      // output format
    int failed;          // the library reported an error; the rest is skipped
    // WAVE: a RIFF image made of our header in front of the caller's data.
    uint8_t* header;     // "RIFF", "WAVE", the "fmt " chunk and the "data" header
    int headerSize;      // its length
    int64_t virtualPos;  // read position in header + data
    SNDFILE* file;       // libsndfile over the virtual image
    int64_t totalFrames; // frames libsndfile announces
    int64_t framesRead;  // frames delivered so far
    // MPEG
    mpg123_handle* mpg; // feed decoder
    int needMore;       // the decoder wants input before it can give more
    int fedAhead;       // bytes fed but not yet reported as used
    int64_t estimate;   // PCM bytes expected for the whole source
};

// Format tag of a source format record, -1 when the record is too short.
int SoundCodecTag(const void* sourceFormat, int formatSize);

int WaveCodecOpen(PlatformSoundCodec* c, const void* sourceFormat, int formatSize);
int WaveCodecConvert(PlatformSoundCodec* c, int offset, int sourceBytes, void* dest, int destCapacity, int* sourceUsed,
                     int* destProduced);
void WaveCodecClose(PlatformSoundCodec* c);

int MpegCodecOpen(PlatformSoundCodec* c, const void* sourceFormat, int formatSize);
int MpegCodecConvert(PlatformSoundCodec* c, int offset, int sourceBytes, void* dest, int destCapacity, int* sourceUsed,
                     int* destProduced);
void MpegCodecClose(PlatformSoundCodec* c);
