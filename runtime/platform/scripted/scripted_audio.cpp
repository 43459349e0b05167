// The headless audio device: no sound card, the shared mixer run on demand into
// memory, and controls that let tests shape what the device reports or refuses.
#include "runtime/platform/common/audio_mixer.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"

#include <stdio.h>
#include <string.h>

namespace {

struct ScriptedAudioState {
    int openResult;     // what the next PlatformAudioOpen returns
    int maxRate;        // highest buffer rate reported
    int primaryStereo;  // reports stereo primary output
    int primary16Bit;   // reports 16-bit primary output
    int refusePrimary;  // primary format requests fail
    int primarySet;     // a primary format was accepted
    WaveFormat primary; // the last accepted primary format
    int deviceList;     // device count, or -1 / -2 listing failures
};

ScriptedAudioState g_audio = {0, MIXER_MAX_RATE, 1, 1, 0, 0, {}, 1};

} // namespace

int PlatformAudioOpen(void) {
    if (g_audio.openResult != 0) return g_audio.openResult;
    g_audio.primarySet = 0;
    MixerSetOpen(1);
    return 0;
}

void PlatformAudioClose(void) {
    MixerSetOpen(0);
}

void PlatformAudioGetCaps(PlatformAudioCaps* caps) {
    memset(caps, 0, sizeof(*caps));
    caps->primaryStereo = g_audio.primaryStereo;
    caps->primaryMono = 1;
    caps->primary16Bit = g_audio.primary16Bit;
    caps->primary8Bit = 1;
    caps->secondaryStereo = 1;
    caps->secondaryMono = 1;
    caps->secondary16Bit = 1;
    caps->secondary8Bit = 1;
    caps->minSecondaryRate = MIXER_MIN_RATE;
    caps->maxSecondaryRate = g_audio.maxRate;
}

int PlatformAudioSetPrimaryFormat(const WaveFormat* format) {
    if (g_audio.refusePrimary || !format) return -1;
    g_audio.primary = *format;
    g_audio.primarySet = 1;
    return 0;
}

int PlatformAudioDeviceCount(void) {
    return g_audio.deviceList;
}

int PlatformAudioDeviceInfo(int index, char* module, int moduleSize, char* description, int descriptionSize) {
    if (index < 0 || index >= g_audio.deviceList) return -1;
    snprintf(module, moduleSize, "scripted");
    snprintf(description, descriptionSize, "memory mix %d", index);
    return 0;
}

int ScriptedMixAudio(int16_t* out, int frames) {
    if (!MixerIsOpen() || frames < 0) return -1;
    MixerRender(out, frames);
    return frames;
}

int ScriptedAudioDeviceOpen(void) {
    return MixerIsOpen();
}

void ScriptedSetAudioOpenResult(int result) {
    g_audio.openResult = result;
}

void ScriptedSetAudioCaps(int maxSecondaryRate, int primaryStereo, int primary16Bit) {
    g_audio.maxRate = maxSecondaryRate;
    g_audio.primaryStereo = primaryStereo;
    g_audio.primary16Bit = primary16Bit;
}

void ScriptedRefusePrimaryFormat(int refuse) {
    g_audio.refusePrimary = refuse;
}

int ScriptedPrimaryFormat(int* channels, int* samplesPerSec, int* bitsPerSample) {
    if (!g_audio.primarySet) return 0;
    if (channels) *channels = g_audio.primary.Channels;
    if (samplesPerSec) *samplesPerSec = (int)g_audio.primary.SamplesPerSec;
    if (bitsPerSample) *bitsPerSample = g_audio.primary.BitsPerSample;
    return 1;
}

void ScriptedFailAudioBuffers(int kind, int count) {
    MixerInjectFailures(kind, count);
}

void ScriptedSetAudioDeviceList(int result) {
    g_audio.deviceList = result;
}

int ScriptedAudioBufferCount(void) {
    return MixerBufferCount();
}

int ScriptedAudioPlayingCount(void) {
    return MixerPlayingCount();
}
