// Loading sounds: a file read whole into memory, decoded whole to PCM, and copied
// into a static buffer and its duplicates (one per overlapping play).
#include "runtime/sound/sound_decoder.h"
#include "runtime/sound/sound_state.h"

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/file/file_ops.h"
#include "runtime/runtime.h"

#include <string.h>

namespace {

// Buffer 0 in the PCM format, then duplicates of it; the process stops when even
// the plainer second request for buffer 0 is refused.
void MakeBuffers(SoundRecord* s, int count, const WaveFormat* format, int length) {
    PlatformSoundBuffer* first = PlatformAudioCreateBuffer(
        format, length, PlatformBufferVolume | PlatformBufferPan | PlatformBufferFrequency | PlatformBufferGlobalFocus);
    if (!first) first = PlatformAudioCreateBuffer(format, length, PlatformBufferVolume | PlatformBufferPan);
    if (!first) FatalExit(SJ("DirectSoundBuffer の作成に失敗しました"));
    s->buffers[0] = first;
    int made = 1;
    for (; made < count; made++) {
        PlatformSoundBuffer* dup = PlatformAudioDuplicateBuffer(first);
        if (!dup) break;
        s->buffers[made] = dup;
    }
    s->bufferCount = made;
    s->currentBuffer = 0;
}

// Copies the PCM image into every buffer through lock and unlock. 0 or -1.
int FillBuffers(SoundRecord* s) {
    for (int i = 0; i < s->bufferCount; i++) {
        void* p1 = nullptr;
        void* p2 = nullptr;
        int n1 = 0, n2 = 0;
        if (PlatformAudioLockBuffer(s->buffers[i], 0, s->pcmLength, &p1, &n1, &p2, &n2) != 0)
            return LogWrite(SJ("サウンドデータの転送に失敗しました_1"));
        if (p1 && n1 > 0) memcpy(p1, s->pcmImage, (size_t)n1);
        if (p2 && n2 > 0) memcpy(p2, s->pcmImage + n1, (size_t)n2);
        if (PlatformAudioUnlockBuffer(s->buffers[i], p1, n1, p2, n2) != 0)
            return LogWrite(SJ("サウンドデータの転送に失敗しました_2"));
    }
    return 0;
}

} // namespace

int LoadSoundFileToMemory(const char* path, void** image, int* size) {
    API_LOCK();
    if (!path || !image || !size || !g_fileOps) return -1;
    FileHandle file = g_fileOps->open(path, 0, 1);
    if (!file) return LogPrintf(SJ("右記のファイルのオープンに失敗しました：%s"), path);
    g_fileOps->seek(file, 0, 2);
    int length = g_fileOps->tell(file);
    g_fileOps->seek(file, 0, 0);
    if (length < 0) length = 0;
    void* block = RT_ALLOC(length > 0 ? length : 1);
    if (!block) {
        LogPrintf(SJ("右記のファイルのロードに必要なメモリの確保に失敗しました：%s"), path);
        g_fileOps->close(file);
        return -1;
    }
    int got = length > 0 ? g_fileOps->read(block, 1, length, file) : 0;
    g_fileOps->close(file);
    *image = block;
    *size = got < 0 ? 0 : got > length ? length : got;
    return 0;
}

int FreeSoundFileImage(void* image) {
    API_LOCK();
    if (!image) return -1;
    RT_FREE(image);
    return 0;
}

SoundHandle LoadSoundMemory(const void* image, int size, int bufferCount) {
    API_LOCK();
    if (!g_sound.deviceOpen || bufferCount > SOUND_MAX_BUFFERS) return -1;
    if (bufferCount < 1) bufferCount = 1;
    if (!image || size < 0) return -1;
    SoundHandle handle = AddSoundData();
    if (handle == -1) return -1;
    SoundRecord* s = LookupSound(handle);

    SoundDecoder decoder;
    PcmImage pcm = {nullptr, 0, {}};
    MemoryStream* stream = OpenMemoryStream(image, size);
    int streamOpen = stream != nullptr;
    int failed = 0;
    memset(&decoder, 0, sizeof(decoder));
    if (!stream || SetupSoundDecoder(&g_memoryStream, (intptr_t)stream, &decoder) != 0) {
        LogPrintf("%s", SJ("音声ファイルのＰＣＭへの変換に失敗しました"));
        failed = 1;
    } else if (DecodeSoundToPcm(&decoder, &pcm) != 0) {
        LogPrintf("%s", SJ("音声ファイルを格納するメモリ領域の確保に失敗しました"));
        failed = 1;
    } else if (!PlatformAudioFormatSupported(&pcm.format)) {
        // A format no buffer can hold (a rate or channel count out of range) is
        // refused here rather than stopping the process at buffer creation.
        LogPrintf("%s", SJ("音声ファイルのＰＣＭへの変換に失敗しました"));
        failed = 1;
    }
    if (!failed) {
        TerminateSoundDecoder(&decoder);
        g_memoryStream.close((intptr_t)stream);
        streamOpen = 0;
        MakeBuffers(s, bufferCount, &pcm.format, pcm.length);
        s->pcmFormat = pcm.format;
        s->pcmImage = pcm.bytes;
        s->pcmLength = pcm.length;
        pcm.bytes = nullptr;
        if (FillBuffers(s) != 0) failed = 1;
    }
    if (failed) {
        if (pcm.bytes) RT_FREE(pcm.bytes);
        DeleteSoundHandle(handle);
        if (decoder.ready) TerminateSoundDecoder(&decoder);
        if (streamOpen) g_memoryStream.close((intptr_t)stream);
        return -1;
    }
    return handle;
}

SoundHandle LoadSoundFile(const char* path, int bufferCount) {
    API_LOCK();
    if (!g_sound.deviceOpen) return -1;
    if (bufferCount > SOUND_MAX_BUFFERS) bufferCount = SOUND_MAX_BUFFERS;
    void* image = nullptr;
    int size = 0;
    if (LoadSoundFileToMemory(path, &image, &size) != 0)
        return LogPrintf(SJ("右記の音声ファイルのロードに失敗しました_1：%s"), path);
    SoundHandle handle = LoadSoundMemory(image, size, bufferCount);
    RT_FREE(image);
    if (handle == -1) return LogPrintf(SJ("右記の音声ファイルのロードに失敗しました_2：%s"), path);
    return handle;
}
