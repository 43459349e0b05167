// Compressed WAVE to PCM through libsndfile. libsndfile reads whole RIFF files, so
// it is given a virtual one: a small header of our own (RIFF, WAVE, the source's
// "fmt " chunk, a "data" header) followed by the caller's data, read in place.
// Each conversion step delivers the frames that belong to the source bytes it was
// given, so progress through the source follows the steps as a converter's would.
#include "runtime/platform/common/sound_codec_internal.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace {

void PutU32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

sf_count_t VirtualLength(void* user) {
    PlatformSoundCodec* c = (PlatformSoundCodec*)user;
    return (sf_count_t)c->headerSize + c->dataSize;
}

sf_count_t VirtualSeek(sf_count_t offset, int whence, void* user) {
    PlatformSoundCodec* c = (PlatformSoundCodec*)user;
    int64_t length = (int64_t)c->headerSize + c->dataSize;
    int64_t target = whence == SEEK_SET ? offset : whence == SEEK_CUR ? c->virtualPos + offset : length + offset;
    if (target < 0) return -1;
    if (target > length) target = length;
    c->virtualPos = target;
    return target;
}

sf_count_t VirtualRead(void* ptr, sf_count_t count, void* user) {
    PlatformSoundCodec* c = (PlatformSoundCodec*)user;
    uint8_t* out = (uint8_t*)ptr;
    sf_count_t done = 0;
    while (count > 0) {
        int64_t pos = c->virtualPos;
        const uint8_t* src;
        int64_t avail;
        if (pos < c->headerSize) {
            src = c->header + pos;
            avail = c->headerSize - pos;
        } else {
            int64_t at = pos - c->headerSize;
            if (at >= c->dataSize) break;
            src = c->data + at;
            avail = c->dataSize - at;
        }
        if (avail > count) avail = count;
        memcpy(out + done, src, (size_t)avail);
        done += avail;
        count -= avail;
        c->virtualPos += avail;
    }
    return done;
}

sf_count_t VirtualWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t VirtualTell(void* user) {
    return ((PlatformSoundCodec*)user)->virtualPos;
}

// Frames as 16-bit samples. Read as normalised floats so that floating-point
// files come out at the same scale as integer ones.
sf_count_t ReadFrames(PlatformSoundCodec* c, int16_t* out, sf_count_t frames) {
    const int channels = c->pcm.Channels;
    float chunk[4096];
    const sf_count_t perChunk = (sf_count_t)(4096 / channels);
    sf_count_t done = 0;
    while (done < frames) {
        sf_count_t want = frames - done < perChunk ? frames - done : perChunk;
        sf_count_t got = sf_readf_float(c->file, chunk, want);
        if (got <= 0) break;
        int16_t* o = out + done * channels;
        for (sf_count_t i = 0; i < got * channels; i++) {
            float v = chunk[i] * 32768.0f;
            o[i] = (int16_t)(v >= 32767.0f ? 32767 : v <= -32768.0f ? -32768 : lrintf(v));
        }
        done += got;
        if (got < want) break;
    }
    return done;
}

SF_VIRTUAL_IO g_virtualIo = {VirtualLength, VirtualSeek, VirtualRead, VirtualWrite, VirtualTell};

} // namespace

int WaveCodecOpen(PlatformSoundCodec* c, const void* sourceFormat, int formatSize) {
    if (formatSize > 0x10000) return -1;
    const uint8_t* f = (const uint8_t*)sourceFormat;
    int channels = f[2] | (f[3] << 8);
    if (channels < 1) return -1;
    int pad = formatSize & 1;
    c->headerSize = 12 + 8 + formatSize + pad + 8;
    c->header = (uint8_t*)calloc(1, (size_t)c->headerSize);
    if (!c->header) return -1;
    uint8_t* h = c->header;
    int64_t riffSize = (int64_t)c->headerSize - 8 + c->dataSize;
    memcpy(h, "RIFF", 4);
    PutU32(h + 4, riffSize > 0xFFFFFFFFLL ? 0xFFFFFFFFu : (uint32_t)riffSize);
    memcpy(h + 8, "WAVE", 4);
    memcpy(h + 12, "fmt ", 4);
    PutU32(h + 16, (uint32_t)formatSize);
    memcpy(h + 20, f, (size_t)formatSize);
    uint8_t* d = h + 20 + formatSize + pad;
    memcpy(d, "data", 4);
    PutU32(d + 4, (uint32_t)c->dataSize);

    SF_INFO info;
    memset(&info, 0, sizeof(info));
    c->virtualPos = 0;
    c->file = sf_open_virtual(&g_virtualIo, SFM_READ, &info, c);
    if (!c->file) return -1;
    if (info.channels < 1 || info.channels > 32 || info.samplerate < 1 || info.frames < 0 ||
        ((info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV && (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAVEX))
        return -1;

    c->totalFrames = info.frames;
    c->pcm.FormatTag = 1;
    c->pcm.Channels = (uint16_t)info.channels;
    c->pcm.SamplesPerSec = (uint32_t)info.samplerate;
    c->pcm.BitsPerSample = 16;
    c->pcm.BlockAlign = (uint16_t)(info.channels * 2);
    c->pcm.AvgBytesPerSec = c->pcm.BlockAlign * c->pcm.SamplesPerSec;
    c->pcm.ExtraSize = 0;
    return 0;
}

int WaveCodecConvert(PlatformSoundCodec* c, int offset, int sourceBytes, void* dest, int destCapacity, int* sourceUsed,
                     int* destProduced) {
    int64_t after = (int64_t)offset + sourceBytes;
    int64_t target = after >= c->dataSize || c->dataSize == 0 ? c->totalFrames : c->totalFrames * after / c->dataSize;
    int64_t want = target - c->framesRead;
    int64_t room = destCapacity / c->pcm.BlockAlign;
    int limited = 0;
    if (want > room) {
        want = room;
        limited = 1;
    }
    sf_count_t got = want > 0 ? ReadFrames(c, (int16_t*)dest, want) : 0;
    c->framesRead += got;
    *destProduced = (int)(got * c->pcm.BlockAlign);
    if (limited) {
        // Only the source bytes whose frames went out are used.
        int64_t reached = c->totalFrames > 0 ? c->framesRead * c->dataSize / c->totalFrames : after;
        int64_t used = reached - offset;
        *sourceUsed = used < 0 ? 0 : used > sourceBytes ? sourceBytes : (int)used;
    } else {
        *sourceUsed = sourceBytes;
    }
    if (got < want) c->failed = 1; // the library has no more: skip the rest
    return 0;
}

void WaveCodecClose(PlatformSoundCodec* c) {
    if (c->file) sf_close(c->file);
    c->file = nullptr;
    free(c->header);
    c->header = nullptr;
}
