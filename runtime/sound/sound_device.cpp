// Sound device set-up and shutdown: the device, the primary format chosen from its
// capabilities, the 400-byte silent buffer looping for the whole run, and the
// device description written to the log.
#include "runtime/sound/sound_device.h"
#include "runtime/sound/sound_state.h"

#include "runtime/core/log.h"
#include "runtime/core/sjis.h"
#include "runtime/runtime.h"

#include <string.h>

SoundState g_sound = {
    0, 0, {}, nullptr, HANDLE_TABLE_INIT(HandleKindSound, SOUND_TABLE_CAPACITY, HandleAfterEnd, 0xF000)};

namespace {

const int kSilentBytes = 400;

const char* OkNo(int yes) {
    return yes ? "OK" : "NO";
}

WaveFormat PrimaryFormatFor(const PlatformAudioCaps& caps) {
    WaveFormat f;
    memset(&f, 0, sizeof(f));
    f.FormatTag = 1;
    f.Channels = caps.primaryStereo ? 2 : 1;
    int rate = caps.maxSecondaryRate;
    if (rate > 44100 || rate <= 0) rate = 44100;
    f.SamplesPerSec = (uint32_t)rate;
    f.BitsPerSample = caps.primary16Bit ? 16 : 8;
    f.BlockAlign = (uint16_t)(f.BitsPerSample / 8 * f.Channels);
    f.AvgBytesPerSec = f.BlockAlign * f.SamplesPerSec;
    f.ExtraSize = 0;
    return f;
}

void StartSilentBuffer(void) {
    WaveFormat f;
    memset(&f, 0, sizeof(f));
    f.FormatTag = 1;
    f.Channels = 2;
    f.SamplesPerSec = 44100;
    f.BitsPerSample = 16;
    f.BlockAlign = 4;
    f.AvgBytesPerSec = 176400;
    PlatformSoundBuffer* b = PlatformAudioCreateBuffer(&f, kSilentBytes, PlatformBufferGlobalFocus);
    if (!b) {
        LogWrite(SJ("無音バッファの作成に失敗しました"));
        return;
    }
    void* p1 = nullptr;
    void* p2 = nullptr;
    int n1 = 0, n2 = 0;
    if (PlatformAudioLockBuffer(b, 0, kSilentBytes, &p1, &n1, &p2, &n2) != 0) {
        LogWrite(SJ("無音バッファのロックに失敗しました"));
        PlatformAudioReleaseBuffer(b);
        return;
    }
    if (p1 && n1 > 0) memset(p1, 0, (size_t)n1);
    if (p2 && n2 > 0) memset(p2, 0, (size_t)n2);
    PlatformAudioUnlockBuffer(b, p1, n1, p2, n2);
    PlatformAudioPlayBuffer(b, 1);
    g_sound.silentBuffer = b;
}

void LogDeviceDescription(void) {
    LogIndent();
    PlatformAudioCaps caps;
    PlatformAudioGetCaps(&caps);
    LogWrite(SJ("DirectSound デバイスを列挙します\n"));
    int count = PlatformAudioDeviceCount();
    if (count == -2) {
        LogWrite(SJ("DSOUND.DLL のロードに失敗しました\n"));
        LogUnindent();
        return;
    }
    if (count < 0) {
        LogWrite(SJ("DirectSound デバイスの列挙用関数のポインタ取得に失敗しました\n"));
        LogUnindent();
        return;
    }
    LogIndent();
    for (int i = 0; i < count; i++) {
        char module[256], description[256];
        if (PlatformAudioDeviceInfo(i, module, sizeof(module), description, sizeof(description)) != 0) continue;
        LogPrintf(SJ("モジュール名:%15s  ドライバ記述:%s "), module, description);
    }
    LogUnindent();
    LogPrintf(SJ("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz "), caps.maxSecondaryRate * 0.001,
              caps.minSecondaryRate * 0.001);
    LogPrintf(SJ("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n"), caps.totalMemory / 1024.0,
              caps.freeMemory / 1024.0);
    LogWrite(SJ("利用可能サンプリング精度\n"));
    LogPrintf(SJ(" プライマリ １６bit = %s  ８bit = %s "), OkNo(caps.primary16Bit), OkNo(caps.primary8Bit));
    LogPrintf(SJ(" セカンダリ １６bit = %s  ８bit = %s \n"), OkNo(caps.secondary16Bit), OkNo(caps.secondary8Bit));
    LogWrite(SJ("利用可能チャンネル\n"));
    LogPrintf(SJ(" プライマリ MONO = %s  STEREO = %s "), OkNo(caps.primaryMono), OkNo(caps.primaryStereo));
    LogPrintf(SJ(" セカンダリ MONO = %s  STEREO = %s \n"), OkNo(caps.secondaryMono), OkNo(caps.secondaryStereo));
    LogUnindent();
}

} // namespace

int InitSoundSystem(void) {
    if (g_sound.deviceOpen) return -1;
    LogWrite(SJ("DirectSound の初期化を行います\n"));
    LogWrite(SJ("DirectSound インターフェースの取得を行います....  "));
    int opened = PlatformAudioOpen();
    if (opened == -1) {
        LogWrite(SJ("DirectSoundインターフェースの作成に失敗しました\n"));
        return -1;
    }
    LogWrite(SJ("成功\n"));
    LogWrite(SJ("引き続きインターフェースの初期化処理...  "));
    if (opened != 0) {
        LogWrite(SJ("初期化に失敗しました\n"));
        return -1;
    }
    LogWrite(SJ("成功\n"));
    g_sound.deviceOpen = 1;
    g_sound.primaryBuffer = 1;

    PlatformAudioCaps caps;
    PlatformAudioGetCaps(&caps);
    g_sound.primaryFormat = PrimaryFormatFor(caps);
    if (PlatformAudioSetPrimaryFormat(&g_sound.primaryFormat) != 0)
        LogWrite(SJ("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n"));

    StartSilentBuffer();
    LogDeviceDescription();
    LogWrite(SJ("DirectSound の初期化は正常に終了しました\n"));
    DeleteAllSoundHandles();
    return 0;
}

int EndSoundSystem(void) {
    if (!g_sound.deviceOpen) return -1;
    DeleteAllSoundHandles();
    g_sound.primaryBuffer = 0;
    if (g_sound.silentBuffer) {
        PlatformAudioStopBuffer(g_sound.silentBuffer);
        PlatformAudioReleaseBuffer(g_sound.silentBuffer);
        g_sound.silentBuffer = nullptr;
    }
    PlatformAudioClose();
    g_sound.deviceOpen = 0;
    LogWrite(SJ("DirectSound の終了処理は正常に終了しました\n"));
    return 0;
}
