// The sound-buffer services of the platform layer as a software mixer: whole-PCM
// static buffers, duplicates sharing samples, and MixerRender, which converts each
// playing buffer to stereo S16 at the device rate and sums them with clipping.
// Buffers at the device rate are copied as they are; the others go through the
// band-limited converter of audio_resample.cpp. Everything runs under one lock, the
// device lock.
#include "runtime/platform/common/audio_mixer.h"
#include "runtime/platform/common/audio_resample.h"
#include "runtime/platform/platform.h"

#include <mutex>
#include <stdlib.h>
#include <string.h>

namespace {

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

} // namespace

struct PlatformSoundBuffer {
    MixSamples* samples;             // shared samples
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

namespace {

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

// Mixes count device frames of a buffer at the device rate into acc, sample for
// sample. The inner loop is chosen per call by sample width and channel layout,
// never per sample.
template <int SB, int CH>
void MixVoice(PlatformSoundBuffer* b, int32_t* acc, int count) {
    const MixSamples* s = b->samples;
    const uint8_t* data = s->bytes;
    const int stride = s->blockAlign;
    const uint64_t end = (uint64_t)s->frames << 32;
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
        uint64_t left = (end - pos + 0xFFFFFFFFu) >> 32;
        int n = count - done;
        if (left < (uint64_t)n) n = (int)left;
        int32_t* out = acc + done * 2;
        const uint8_t* p = data + (size_t)(pos >> 32) * stride;
        for (int k = 0; k < n; k++, p += stride) {
            int l, r;
            FrameAt<SB, CH>(p, &l, &r);
            out[k * 2] += l;
            out[k * 2 + 1] += r;
        }
        pos += (uint64_t)n << 32;
        done += n;
    }
    b->position = pos;
}

// Source frames first .. first + count - 1 of a converted voice as planar floats.
// Outside the sound: past the end the start follows when looping, before frame 0
// the end precedes once the loop has wrapped; anything else is silence, so a sound
// starts from and ends into silence.
template <int SB, int CH>
void GatherFrames(const PlatformSoundBuffer* b, int64_t first, int count, float* left, float* right) {
    const MixSamples* s = b->samples;
    const int64_t frames = s->frames;
    for (int m = 0; m < count; m++) {
        int64_t k = first + m;
        if (k < 0 || k >= frames) {
            if (!(k < 0 ? b->wrapped : b->looping)) {
                left[m] = 0;
                if (CH == 2) right[m] = 0;
                continue;
            }
            k %= frames;
            if (k < 0) k += frames;
        }
        int l, r;
        FrameAt<SB, CH>(s->bytes + (size_t)k * s->blockAlign, &l, &r);
        left[m] = (float)l;
        if (CH == 2) right[m] = (float)r;
    }
}

// Mixes count device frames of a buffer at another rate into acc through its
// converter. The position is the output instant in source frames; its fraction and
// the wrapped flag are all the state the converter needs between periods.
template <int SB, int CH>
void MixConverted(PlatformSoundBuffer* b, int32_t* acc, int count) {
    const ResampleKernel* kernel = b->samples->kernel;
    const uint64_t end = (uint64_t)b->samples->frames << 32;
    const uint64_t step = b->step;
    uint64_t pos = b->position;
    if (!b->looping) {
        uint64_t left = pos < end ? (end - pos + step - 1) / step : 0;
        if (left < (uint64_t)count) count = (int)left;
    }
    float* right = CH == 2 ? g_mixer.scratchRight : nullptr;
    for (int done = 0; done < count;) {
        int n = count - done < kBlockFrames ? count - done : kBlockFrames;
        int64_t i0 = (int64_t)(pos >> 32);
        int span = (int)(((pos + (uint64_t)(n - 1) * step) >> 32) - (uint64_t)i0) + kernel->taps;
        GatherFrames<SB, CH>(b, i0 - (kernel->half - 1), span, g_mixer.scratchLeft, right);
        uint64_t rel = ((uint64_t)(kernel->half - 1) << 32) | (pos & 0xFFFFFFFFu);
        ResampleRun(kernel, g_mixer.scratchLeft, right, rel, step, n, acc + done * 2);
        pos += (uint64_t)n * step;
        done += n;
        if (b->looping && pos >= end) {
            pos %= end;
            b->wrapped = 1;
        }
    }
    if (!b->looping && pos >= end) {
        b->playing = 0;
        b->wrapped = 0;
        pos = 0; // a buffer that ran out starts again from its beginning
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
    if (s->kernel) {
        if (s->sampleBytes == 1) {
            if (wide) MixConverted<1, 2>(b, acc, count);
            else MixConverted<1, 1>(b, acc, count);
        } else {
            if (wide) MixConverted<2, 2>(b, acc, count);
            else MixConverted<2, 1>(b, acc, count);
        }
    } else if (s->sampleBytes == 1) {
        if (wide) MixVoice<1, 2>(b, acc, count);
        else MixVoice<1, 1>(b, acc, count);
    } else {
        if (wide) MixVoice<2, 2>(b, acc, count);
        else MixVoice<2, 1>(b, acc, count);
    }
}

ResampleKernel* FindKernel(int rate) {
    for (ResampleKernel* k = g_mixer.kernels; k; k = k->next)
        if (k->rate == rate) return k;
    return nullptr;
}

// The shared converter for a source rate, designed on first use outside the lock
// (a few milliseconds that the audio thread should not wait for). Null when out of
// memory.
ResampleKernel* AcquireKernel(int rate, std::unique_lock<std::mutex>& guard) {
    ResampleKernel* k = FindKernel(rate);
    if (!k) {
        guard.unlock();
        ResampleKernel* made = (ResampleKernel*)calloc(1, sizeof(ResampleKernel));
        if (made && ResampleMakeKernel(made, rate, MIXER_DEVICE_RATE) != 0) {
            free(made);
            made = nullptr;
        }
        guard.lock();
        if (!made) return nullptr;
        k = FindKernel(rate); // another thread may have made it meanwhile
        if (k) {
            ResampleFreeKernel(made);
            free(made);
        } else {
            k = made;
            k->next = g_mixer.kernels;
            g_mixer.kernels = k;
        }
    }
    k->users++;
    return k;
}

void ReleaseKernel(ResampleKernel* k) {
    if (!k || --k->users > 0) return;
    ResampleKernel** link = &g_mixer.kernels;
    while (*link != k) link = &(*link)->next;
    *link = k->next;
    ResampleFreeKernel(k);
    free(k);
}

void ReleaseSamples(MixSamples* s) {
    if (--s->users > 0) return;
    ReleaseKernel(s->kernel);
    free(s->bytes);
    free(s);
}

// A stopped converted voice keeps sounding from where it was, fading to silence.
// Voices at the device rate stop dead, as they always have.
void StartTail(const PlatformSoundBuffer* b) {
    if (!b->playing || !b->samples->kernel) return;
    for (MixTail& t : g_mixer.tails) {
        if (t.left) continue;
        t.voice = *b;
        t.voice.prevActive = t.voice.nextActive = nullptr;
        t.voice.samples->users++;
        t.left = kFadeFrames;
        return;
    }
}

void EndTail(MixTail& t) {
    ReleaseSamples(t.voice.samples);
    t.left = 0;
}

// Adds the fading tails to count frames of acc.
void MixTails(int32_t* acc, int count) {
    for (MixTail& t : g_mixer.tails) {
        if (!t.left) continue;
        int n = count < t.left ? count : t.left;
        int32_t* tail = g_mixer.tailAccumulator;
        memset(tail, 0, sizeof(int32_t) * 2 * n);
        MixOne(&t.voice, tail, n);
        for (int k = 0; k < n; k++) {
            int gain = t.left - k - 1; // kFadeFrames - 1 down to 0
            acc[k * 2] += (tail[k * 2] * gain) >> kFadeBits;
            acc[k * 2 + 1] += (tail[k * 2 + 1] * gain) >> kFadeBits;
        }
        t.left -= n;
        if (!t.left || !t.voice.playing) EndTail(t);
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
    for (MixTail& t : g_mixer.tails) // a closed device plays nothing more
        if (t.left) EndTail(t);
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
        MixTails(acc, n);
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
    std::unique_lock<std::mutex> guard(g_mixer.lock);
    if (!g_mixer.open || TakeFailure(MixerFailCreate)) return nullptr;
    ResampleKernel* kernel = nullptr;
    if (format->SamplesPerSec != MIXER_DEVICE_RATE) {
        kernel = AcquireKernel((int)format->SamplesPerSec, guard);
        if (!kernel) return nullptr;
        if (!g_mixer.open) { // closed while the kernel was designed
            ReleaseKernel(kernel);
            return nullptr;
        }
    }
    MixSamples* s = (MixSamples*)calloc(1, sizeof(MixSamples));
    PlatformSoundBuffer* b = (PlatformSoundBuffer*)calloc(1, sizeof(PlatformSoundBuffer));
    uint8_t* data = bytes > 0 ? (uint8_t*)calloc(1, (size_t)bytes) : nullptr;
    if (!s || !b || (bytes > 0 && !data)) {
        ReleaseKernel(kernel);
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
    s->kernel = kernel;
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
    StartTail(buffer); // a sound deleted while playing fades like a stopped one
    UnlinkActive(buffer);
    ReleaseSamples(buffer->samples);
    free(buffer);
    g_mixer.bufferCount--;
}

int PlatformAudioLockBuffer(PlatformSoundBuffer* buffer, int offset, int bytes, void** part1, int* bytes1, void** part2,
                            int* bytes2) {
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

int PlatformAudioUnlockBuffer(PlatformSoundBuffer* buffer, void* part1, int bytes1, void* part2, int bytes2) {
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
    StartTail(buffer);
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
    buffer->wrapped = 0; // what precedes the new position is no longer the sound's end
    return 0;
}
