// The sound table and playback: making and deleting sound handles, playing a
// sound on the next of its buffers in turn (once, in the background or looping),
// stopping it and asking whether it plays.
#include "runtime/sound/sound_state.h"

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/sjis.h"
#include "runtime/runtime.h"

SoundRecord* LookupSound(int handle) {
    if (!g_sound.deviceOpen) return nullptr;
    return (SoundRecord*)LookupHandle(&g_sound.table, handle);
}

// Whether the buffer plays: 1 or 0, or -1 when its status cannot be read.
static int BufferPlays(PlatformSoundBuffer* b) {
    int playing = 0;
    if (PlatformAudioGetStatus(b, &playing) != 0) return -1;
    return playing ? 1 : 0;
}

SoundHandle AddSoundData(void) {
    API_LOCK();
    if (!g_sound.deviceOpen) return -1;
    void* record = nullptr;
    int full = 0;
    int handle = MakeHandle(&g_sound.table, sizeof(SoundRecord), &record, &full);
    if (handle < 0) {
        if (full) return LogWrite(SJ("サウンドの数が許容量を越えました\n"));
        return LogWrite(SJ("メモリ領域の確保に失敗しました in AddSoundData"));
    }
    return handle;
}

int PlaySoundHandle(SoundHandle sound, int playType, int fromStart) {
    API_LOCK();
    SoundRecord* s = LookupSound(sound);
    if (!s || s->bufferCount <= 0) return -1; // a sound without buffers is never played
    int position = 0;
    PlatformAudioGetPosition(s->buffers[s->currentBuffer], &position);
    s->currentBuffer = (s->currentBuffer + 1) % s->bufferCount;
    PlatformSoundBuffer* b = s->buffers[s->currentBuffer];
    int playing = BufferPlays(b);
    if (playing < 0) return -1;
    if (playing) {
        if (fromStart == 0) return 0;
        PlatformAudioStopBuffer(b);
    }
    PlatformAudioSetPosition(b, fromStart == 1 ? 0 : position);
    if (PlatformAudioPlayBuffer(b, playType == 3) != 0) return -1;
    if (playType == 0) {
        while (ProcessMessage() == 0 && CheckSoundHandle(sound) == 1) {
        }
    }
    return 0;
}

int StopSoundHandle(SoundHandle sound) {
    API_LOCK();
    SoundRecord* s = LookupSound(sound);
    if (!s) return -1;
    for (int i = 0; i < s->bufferCount; i++) {
        int playing = BufferPlays(s->buffers[i]);
        if (playing < 0) return -1;
        if (playing) PlatformAudioStopBuffer(s->buffers[i]);
    }
    return 0;
}

int CheckSoundHandle(SoundHandle sound) {
    API_LOCK();
    SoundRecord* s = LookupSound(sound);
    if (!s) return -1;
    for (int i = 0; i < s->bufferCount; i++)
        if (BufferPlays(s->buffers[i]) == 1) return 1;
    return 0;
}

int DeleteSoundHandle(SoundHandle sound) {
    API_LOCK();
    SoundRecord* s = LookupSound(sound);
    if (!s) return -1;
    if (s->bufferCount > 0 && s->buffers[0]) StopSoundHandle(sound);
    for (int i = 0; i < SOUND_MAX_BUFFERS; i++) {
        if (s->buffers[i]) PlatformAudioReleaseBuffer(s->buffers[i]);
        s->buffers[i] = nullptr;
    }
    s->bufferCount = 0;
    if (s->pcmImage) RT_FREE(s->pcmImage);
    s->pcmImage = nullptr;
    return FreeHandle(&g_sound.table, sound);
}

int DeleteAllSoundHandles(void) {
    API_LOCK();
    if (!g_sound.deviceOpen) return -1;
    for (int slot = 0; slot < g_sound.table.slotEnd && g_sound.table.usedCount > 0; slot++) {
        int handle = HandleOfSlot(&g_sound.table, slot);
        if (handle != -1) DeleteSoundHandle(handle);
    }
    return 0;
}
