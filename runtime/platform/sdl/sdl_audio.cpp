// The desktop audio device: SDL's default output opened for 44100 Hz stereo S16
// with a 512-frame period; its callback runs the shared mixer. SDL converts to the
// hardware's own format when that differs, so the mixer always sees ours.
#include "runtime/platform/sdl/sdl_audio.h"

#include "runtime/platform/common/audio_mixer.h"
#include "runtime/platform/platform.h"

#include <SDL.h>
#include <stdio.h>
#include <string.h>

namespace {

struct SdlAudioState {
    int subsystemUp;          // SDL's audio subsystem was started by us
    SDL_AudioDeviceID device; // 0 when closed
    SDL_AudioSpec obtained;   // what the device gave
    SdlAudioStats stats;      // callback figures (written by the audio thread)
};

SdlAudioState g_sdlAudio;

void SDLCALL AudioCallback(void* userdata, Uint8* stream, int len) {
    Uint64 start = SDL_GetPerformanceCounter();
    int frames = len / 4;
    MixerRender((int16_t*)stream, frames);
    double ms = (double)(SDL_GetPerformanceCounter() - start) * 1000.0 / (double)SDL_GetPerformanceFrequency();
    SdlAudioStats& st = g_sdlAudio.stats;
    st.callbacks++;
    st.framesMixed += frames;
    st.totalMixMs += ms;
    if (ms > st.maxMixMs) st.maxMixMs = ms;
    if (ms * MIXER_DEVICE_RATE > frames * 1000.0) st.lateCallbacks++;
}

} // namespace

int PlatformAudioOpen(void) {
    if (g_sdlAudio.device) return -2;
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return -1;
        g_sdlAudio.subsystemUp = 1;
    }
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = MIXER_DEVICE_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = AudioCallback;
    // No allowed changes: SDL converts whatever the hardware wants from our format.
    g_sdlAudio.device = SDL_OpenAudioDevice(nullptr, 0, &want, &g_sdlAudio.obtained, 0);
    if (!g_sdlAudio.device) {
        if (g_sdlAudio.subsystemUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_sdlAudio.subsystemUp = 0;
        return -2;
    }
    SDL_zero(g_sdlAudio.stats);
    g_sdlAudio.stats.periodFrames = g_sdlAudio.obtained.samples;
    g_sdlAudio.stats.deviceRate = g_sdlAudio.obtained.freq;
    MixerSetOpen(1);
    SDL_PauseAudioDevice(g_sdlAudio.device, 0);
    return 0;
}

void PlatformAudioClose(void) {
    if (g_sdlAudio.device) {
        SDL_CloseAudioDevice(g_sdlAudio.device);
        g_sdlAudio.device = 0;
    }
    MixerSetOpen(0);
    if (g_sdlAudio.subsystemUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_sdlAudio.subsystemUp = 0;
}

void PlatformAudioGetCaps(PlatformAudioCaps* caps) {
    memset(caps, 0, sizeof(*caps));
    const SDL_AudioSpec& s = g_sdlAudio.obtained;
    // The primary figures are what the opened device runs; buffers take anything
    // the mixer converts. SDL tells nothing about sound memory.
    caps->primaryStereo = s.channels >= 2;
    caps->primaryMono = s.channels == 1;
    caps->primary16Bit = SDL_AUDIO_BITSIZE(s.format) == 16;
    caps->primary8Bit = SDL_AUDIO_BITSIZE(s.format) == 8;
    caps->secondaryStereo = 1;
    caps->secondaryMono = 1;
    caps->secondary16Bit = 1;
    caps->secondary8Bit = 1;
    caps->minSecondaryRate = MIXER_MIN_RATE;
    caps->maxSecondaryRate = MIXER_MAX_RATE;
}

int PlatformAudioSetPrimaryFormat(const WaveFormat* format) {
    if (!g_sdlAudio.device || !format) return -1;
    // The mix runs at the rate we opened with; a request for it is granted.
    if (format->FormatTag != 1 || format->SamplesPerSec != MIXER_DEVICE_RATE || format->Channels != 2 ||
        format->BitsPerSample != 16)
        return -1;
    return 0;
}

int PlatformAudioDeviceCount(void) {
    if (!SDL_WasInit(SDL_INIT_AUDIO)) return -2;
    return SDL_GetNumAudioDevices(0);
}

int PlatformAudioDeviceInfo(int index, char* module, int moduleSize, char* description, int descriptionSize) {
    const char* name = SDL_GetAudioDeviceName(index, 0);
    if (!name) return -1;
    const char* driver = SDL_GetCurrentAudioDriver();
    snprintf(module, moduleSize, "%s", driver ? driver : "");
    snprintf(description, descriptionSize, "%s", name);
    return 0;
}

void GetSdlAudioStats(SdlAudioStats* stats) {
    if (g_sdlAudio.device) SDL_LockAudioDevice(g_sdlAudio.device);
    *stats = g_sdlAudio.stats;
    if (g_sdlAudio.device) SDL_UnlockAudioDevice(g_sdlAudio.device);
}
