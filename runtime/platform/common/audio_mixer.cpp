// The render side of the software mixer: MixerRender converts each playing buffer
// to stereo S16 at the device rate and sums them with clipping. Buffers at the
// device rate are copied as they are; the others go through the band-limited
// converter of audio_resample.cpp. Everything runs under the device lock.
#include "runtime/platform/common/audio_mixer_state.h"

#include <stdlib.h>
#include <string.h>

namespace mixer {

MixerState g_mixer;

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

namespace {

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

} // namespace

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

namespace {

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

} // namespace

} // namespace mixer

using namespace mixer;

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
