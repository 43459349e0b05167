// The compressed-sound services of the platform layer: picks the codec by the
// source's format tag (0x50 and 0x55 are MPEG frames, everything else goes to the
// WAVE codec) and checks the arguments of every step.
#include "runtime/platform/common/sound_codec_internal.h"

#include <stdlib.h>
#include <string.h>

namespace {

PlatformSoundCodec* OpenCodec(const void* sourceFormat, int formatSize, const void* sourceData, int dataSize) {
    int tag = SoundCodecTag(sourceFormat, formatSize);
    if (tag < 0 || dataSize < 0 || (dataSize > 0 && !sourceData)) return nullptr;
    PlatformSoundCodec* c = (PlatformSoundCodec*)calloc(1, sizeof(PlatformSoundCodec));
    if (!c) return nullptr;
    c->data = (const uint8_t*)sourceData;
    c->dataSize = dataSize;
    c->kind = (tag == 0x55 || tag == 0x50) ? SoundCodecMpeg : SoundCodecWave;
    int ok = c->kind == SoundCodecMpeg ? MpegCodecOpen(c, sourceFormat, formatSize)
                                       : WaveCodecOpen(c, sourceFormat, formatSize);
    if (ok != 0) {
        PlatformCodecClose(c);
        return nullptr;
    }
    return c;
}

} // namespace

int SoundCodecTag(const void* sourceFormat, int formatSize) {
    if (!sourceFormat || formatSize < 16) return -1;
    const uint8_t* p = (const uint8_t*)sourceFormat;
    return p[0] | (p[1] << 8);
}

int PlatformCodecSuggestPcm(const void* sourceFormat, int formatSize, const void* sourceData, int dataSize,
                            WaveFormat* pcm) {
    if (!pcm) return -1;
    PlatformSoundCodec* c = OpenCodec(sourceFormat, formatSize, sourceData, dataSize);
    if (!c) return -1;
    *pcm = c->pcm;
    PlatformCodecClose(c);
    return 0;
}

PlatformSoundCodec* PlatformCodecOpen(const void* sourceFormat, int formatSize, const void* sourceData, int dataSize,
                                      const WaveFormat* pcm) {
    PlatformSoundCodec* c = OpenCodec(sourceFormat, formatSize, sourceData, dataSize);
    if (!c) return nullptr;
    // Only the format this codec suggests can be produced.
    if (pcm && memcmp(pcm, &c->pcm, sizeof(WaveFormat)) != 0) {
        PlatformCodecClose(c);
        return nullptr;
    }
    return c;
}

int PlatformCodecConvert(PlatformSoundCodec* c, const void* source, int sourceBytes, void* dest, int destCapacity,
                         int* sourceUsed, int* destProduced) {
    if (!c || !sourceUsed || !destProduced) return -1;
    *sourceUsed = 0;
    *destProduced = 0;
    const uint8_t* s = (const uint8_t*)source;
    if (!s || s < c->data || sourceBytes < 0 || sourceBytes > 2048 || destCapacity < 0 || (destCapacity > 0 && !dest))
        return -1;
    int64_t offset = s - c->data;
    if (offset + sourceBytes > c->dataSize) return -1;
    if (c->failed) {
        *sourceUsed = sourceBytes; // skip what the library could not read
        return 0;
    }
    return c->kind == SoundCodecMpeg
               ? MpegCodecConvert(c, (int)offset, sourceBytes, dest, destCapacity, sourceUsed, destProduced)
               : WaveCodecConvert(c, (int)offset, sourceBytes, dest, destCapacity, sourceUsed, destProduced);
}

int PlatformCodecEstimateSize(PlatformSoundCodec* c) {
    if (!c) return -1;
    int64_t bytes = c->kind == SoundCodecMpeg ? c->estimate : c->totalFrames * (int64_t)c->pcm.BlockAlign;
    if (bytes < 0 || bytes > 0x7FFFFFFF) return -1;
    return (int)bytes;
}

void PlatformCodecClose(PlatformSoundCodec* c) {
    if (!c) return;
    if (c->kind == SoundCodecMpeg) MpegCodecClose(c);
    else WaveCodecClose(c);
    free(c);
}
