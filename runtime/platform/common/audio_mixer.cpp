// The sound-buffer services of the platform layer as a software mixer: whole-PCM
// static buffers, duplicates sharing samples, and MixerRender, which converts each
// playing buffer to stereo S16 at the device rate (linear interpolation) and sums
// them with clipping. Everything runs under one lock, the device lock.
#include "runtime/platform/common/audio_mixer.h"
#include "runtime/platform/platform.h"

#include <mutex>
#include <stdlib.h>
#include <string.h>

namespace {

// Sample data shared by a buffer and its duplicates.
struct MixSamples {
    int users;        // buffers referring to these samples
    uint8_t* bytes;   // the PCM image (null when empty)
    int size;         // bytes
    int frames;       // whole sample frames in bytes
    int channels;     // interleaved channels (1..32)
    int sampleBytes;  // 1 = unsigned 8-bit, 2 = signed 16-bit little-endian
    int blockAlign;   // bytes per frame
    int rate;         // frames per second
};

} // namespace

struct PlatformSoundBuffer {
    MixSamples* samples;             // shared samples
    int flags;                       // creation flags (kept only)
    int playing;                     // 1 from play until its end or a stop
    int looping;                     // plays again from 0 at the end
    uint64_t position;               // frame position, 32.32 fixed point
    uint64_t step;                   // source frames per device frame, 32.32
    PlatformSoundBuffer* prevActive; // playing list links
    PlatformSoundBuffer* nextActive;
    int lockedBytes;                 // bytes handed out by an open lock
};

namespace {

enum { kChunkFrames = 1024 };

struct MixerState {
    std::mutex lock;                    // the device lock: every buffer field is under it
    int open;                           // the backend's device is open
    int bufferCount;                    // buffers alive
    int playingCount;                   // buffers in the playing list
    PlatformSoundBuffer* active;        // head of the playing list
    int failures[MixerFailKindCount];   // injected failures still to give
    int32_t accumulator[kChunkFrames * 2]; // one chunk of the sum before clipping
};

MixerState g_mixer;

int TakeFailure(int kind) {
    if (g_mixer.failures[kind] > 0) {
        g_mixer.failures[kind]--;
        return 1;
    }
    return 0;
}

void LinkActive(PlatformSoundBuffer* b) {
    if (b->prevActive || b->nextActive || g_mixer.active == b) return;
    b->nextActive = g_mixer.active;
    if (g_mixer.active) g_mixer.active->prevActive = b;
    g_mixer.active = b;
    g_mixer.playingCount++;
}

void UnlinkActive(PlatformSoundBuffer* b) {
    if (!(b->prevActive || b->nextActive || g_mixer.active == b)) return;
    if (b->prevActive) b->prevActive->nextActive = b->nextActive;
    else g_mixer.active = b->nextActive;
    if (b->nextActive) b->nextActive->prevActive = b->prevActive;
    b->prevActive = b->nextActive = nullptr;
    g_mixer.playingCount--;
}

template <int SB>
inline int SampleAt(const uint8_t* p) {
    if (SB == 1) return ((int)p[0] - 128) << 8;
    return (int16_t)(uint16_t)(p[0] | (p[1] << 8));
}

// One frame as left and right: mono goes to both sides, wider sources give their
// first two channels.
template <int SB, int CH>
inline void FrameAt(const uint8_t* frame, int* left, int* right) {
    *left = SampleAt<SB>(frame);
    *right = CH == 1 ? *left : SampleAt<SB>(frame + SB);
}

// Mixes count device frames of one buffer into acc. The inner loop is chosen per
// call by sample width and channel layout, never per sample.
template <int SB, int CH>
void MixVoice(PlatformSoundBuffer* b, int32_t* acc, int count) {
    const MixSamples* s = b->samples;
    const uint8_t* data = s->bytes;
    const int stride = s->blockAlign;
    const int frames = s->frames;
    const uint64_t end = (uint64_t)frames << 32;
    const uint64_t step = b->step;
    uint64_t pos = b->position;
    int done = 0;
    while (done < count) {
        if (pos >= end) {
            if (!b->looping) {
                b->playing = 0;
                pos = 0; // a buffer that ran out starts again from its beginning
                break;
            }
            pos %= end;
        }
        uint64_t left = (end - pos + step - 1) / step;
        int n = count - done;
        if (left < (uint64_t)n) n = (int)left;
        int32_t* out = acc + done * 2;
        if (step == ((uint64_t)1 << 32)) {
            const uint8_t* p = data + (size_t)(pos >> 32) * stride;
            for (int k = 0; k < n; k++, p += stride) {
                int l, r;
                FrameAt<SB, CH>(p, &l, &r);
                out[k * 2] += l;
                out[k * 2 + 1] += r;
            }
            pos += (uint64_t)n << 32;
        } else {
            for (int k = 0; k < n; k++) {
                int idx = (int)(pos >> 32);
                int next = idx + 1;
                if (next >= frames) next = b->looping ? 0 : idx;
                int frac = (int)((pos >> 17) & 0x7FFF); // 15 bits keep the product in 32 bits
                int l0, r0, l1, r1;
                FrameAt<SB, CH>(data + (size_t)idx * stride, &l0, &r0);
                FrameAt<SB, CH>(data + (size_t)next * stride, &l1, &r1);
                out[k * 2] += l0 + (((l1 - l0) * frac) >> 15);
                out[k * 2 + 1] += r0 + (((r1 - r0) * frac) >> 15);
                pos += step;
            }
        }
        done += n;
    }
    b->position = pos;
}

void MixOne(PlatformSoundBuffer* b, int32_t* acc, int count) {
    const MixSamples* s = b->samples;
    if (s->frames <= 0) {
        b->playing = 0;
        b->position = 0;
        return;
    }
    int wide = s->channels >= 2;
    if (s->sampleBytes == 1) {
        if (wide) MixVoice<1, 2>(b, acc, count);
        else MixVoice<1, 1>(b, acc, count);
    } else {
        if (wide) MixVoice<2, 2>(b, acc, count);
        else MixVoice<2, 1>(b, acc, count);
    }
}

int ValidPcm(const WaveFormat* f) {
    if (!f || f->FormatTag != 1) return 0;
    if (f->Channels < 1 || f->Channels > 32) return 0;
    if (f->SamplesPerSec < MIXER_MIN_RATE || f->SamplesPerSec > MIXER_MAX_RATE) return 0;
    if (f->BlockAlign % f->Channels) return 0;
    int sampleBytes = f->BlockAlign / f->Channels;
    return sampleBytes == 1 || sampleBytes == 2;
}

} // namespace

void MixerInjectFailures(int kind, int count) {
    if (kind < 0 || kind >= MixerFailKindCount) return;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    g_mixer.failures[kind] = count < 0 ? 0 : count;
}

void MixerSetOpen(int open) {
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    g_mixer.open = open ? 1 : 0;
}

int MixerIsOpen(void) {
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    return g_mixer.open;
}

int MixerBufferCount(void) {
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    return g_mixer.bufferCount;
}

int MixerPlayingCount(void) {
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    return g_mixer.playingCount;
}

void MixerRender(int16_t* out, int frames) {
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    while (frames > 0) {
        int n = frames < kChunkFrames ? frames : kChunkFrames;
        int32_t* acc = g_mixer.accumulator;
        memset(acc, 0, sizeof(int32_t) * 2 * n);
        PlatformSoundBuffer* b = g_mixer.active;
        while (b) {
            PlatformSoundBuffer* next = b->nextActive;
            MixOne(b, acc, n);
            if (!b->playing) UnlinkActive(b);
            b = next;
        }
        for (int i = 0; i < n * 2; i++) {
            int32_t v = acc[i];
            out[i] = (int16_t)(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
        }
        out += n * 2;
        frames -= n;
    }
}

int PlatformAudioFormatSupported(const WaveFormat* format) {
    return ValidPcm(format);
}

PlatformSoundBuffer* PlatformAudioCreateBuffer(const WaveFormat* format, int bytes, int flags) {
    if (!ValidPcm(format) || bytes < 0) return nullptr;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    if (!g_mixer.open || TakeFailure(MixerFailCreate)) return nullptr;
    MixSamples* s = (MixSamples*)calloc(1, sizeof(MixSamples));
    PlatformSoundBuffer* b = (PlatformSoundBuffer*)calloc(1, sizeof(PlatformSoundBuffer));
    uint8_t* data = bytes > 0 ? (uint8_t*)calloc(1, (size_t)bytes) : nullptr;
    if (!s || !b || (bytes > 0 && !data)) {
        free(s);
        free(b);
        free(data);
        return nullptr;
    }
    s->users = 1;
    s->bytes = data;
    s->size = bytes;
    s->channels = format->Channels;
    s->blockAlign = format->BlockAlign;
    s->sampleBytes = format->BlockAlign / format->Channels;
    s->frames = bytes / format->BlockAlign;
    s->rate = (int)format->SamplesPerSec;
    b->samples = s;
    b->flags = flags;
    b->step = ((uint64_t)s->rate << 32) / MIXER_DEVICE_RATE;
    g_mixer.bufferCount++;
    return b;
}

PlatformSoundBuffer* PlatformAudioDuplicateBuffer(PlatformSoundBuffer* source) {
    if (!source) return nullptr;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    if (!g_mixer.open || TakeFailure(MixerFailDuplicate)) return nullptr;
    PlatformSoundBuffer* b = (PlatformSoundBuffer*)calloc(1, sizeof(PlatformSoundBuffer));
    if (!b) return nullptr;
    b->samples = source->samples;
    b->samples->users++;
    b->flags = source->flags;
    b->step = source->step;
    g_mixer.bufferCount++;
    return b;
}

void PlatformAudioReleaseBuffer(PlatformSoundBuffer* buffer) {
    if (!buffer) return;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    UnlinkActive(buffer);
    MixSamples* s = buffer->samples;
    if (--s->users == 0) {
        free(s->bytes);
        free(s);
    }
    free(buffer);
    g_mixer.bufferCount--;
}

int PlatformAudioLockBuffer(PlatformSoundBuffer* buffer, int offset, int bytes, void** part1,
                            int* bytes1, void** part2, int* bytes2) {
    if (!buffer || !part1 || !bytes1) return -1;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    MixSamples* s = buffer->samples;
    if (TakeFailure(MixerFailLock)) return -1;
    if (offset < 0 || bytes < 0 || offset > s->size || bytes > s->size) return -1;
    int first = s->size - offset;
    if (first > bytes) first = bytes;
    *part1 = s->bytes ? s->bytes + offset : nullptr;
    *bytes1 = first;
    int rest = bytes - first;
    if (part2) *part2 = rest > 0 ? s->bytes : nullptr;
    if (bytes2) *bytes2 = rest;
    if (rest > 0 && (!part2 || !bytes2)) return -1;
    buffer->lockedBytes = bytes;
    return 0;
}

int PlatformAudioUnlockBuffer(PlatformSoundBuffer* buffer, void* part1, int bytes1, void* part2,
                              int bytes2) {
    if (!buffer) return -1;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    if (TakeFailure(MixerFailUnlock)) return -1;
    buffer->lockedBytes = 0;
    return 0;
}

int PlatformAudioPlayBuffer(PlatformSoundBuffer* buffer, int loop) {
    if (!buffer) return -1;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    buffer->looping = loop ? 1 : 0;
    if (buffer->samples->frames <= 0) {
        buffer->playing = 0; // nothing to sound: ends at once
        return 0;
    }
    buffer->playing = 1;
    LinkActive(buffer);
    return 0;
}

int PlatformAudioStopBuffer(PlatformSoundBuffer* buffer) {
    if (!buffer) return -1;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    buffer->playing = 0;
    UnlinkActive(buffer);
    return 0;
}

int PlatformAudioGetStatus(PlatformSoundBuffer* buffer, int* playing) {
    if (!buffer || !playing) return -1;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    *playing = buffer->playing;
    return 0;
}

int PlatformAudioGetPosition(PlatformSoundBuffer* buffer, int* position) {
    if (!buffer || !position) return -1;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    uint64_t frame = buffer->position >> 32;
    if (frame > (uint64_t)buffer->samples->frames) frame = buffer->samples->frames;
    *position = (int)frame * buffer->samples->blockAlign;
    return 0;
}

int PlatformAudioSetPosition(PlatformSoundBuffer* buffer, int position) {
    if (!buffer || position < 0) return -1;
    std::lock_guard<std::mutex> guard(g_mixer.lock);
    int frame = position / buffer->samples->blockAlign;
    if (frame > buffer->samples->frames) frame = buffer->samples->frames;
    buffer->position = (uint64_t)frame << 32;
    return 0;
}
