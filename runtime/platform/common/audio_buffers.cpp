// The sound-buffer services of the platform layer over the software mixer:
// whole-PCM static buffers, duplicates sharing samples, locks for filling them,
// play, stop and positions. Every buffer field is under the device lock.
#include "runtime/platform/common/audio_mixer_state.h"

#include <stdlib.h>
#include <string.h>

using namespace mixer;

namespace {

int TakeFailure(int kind) {
    if (g_mixer.failures[kind] > 0) {
        g_mixer.failures[kind]--;
        return 1;
    }
    return 0;
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
