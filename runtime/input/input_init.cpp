// Starting and ending the input module: the keyboard and mouse devices, the
// controllers found at start, and re-acquisition on activation.
#include <string.h>

#include "runtime/core/log.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/input/input.h"
#include "runtime/input/input_state.h"
#include "runtime/runtime.h"

InputState g_input;

void SetInputPlainMode(int plain) {
    g_input.settings.noDirectInput = plain != 0;
}

namespace {

// UTF-8 text as Shift-JIS for the log; characters it cannot hold become "?".
void ToLogText(const char* utf8, char* out, int outSize) {
    int length = (int)strnlen(utf8, 127);
    int n = PlatformConvertText("UTF-8", "CP932", utf8, length, out, outSize - 1);
    if (n >= 0) {
        out[n] = 0;
        return;
    }
    int o = 0;
    for (int i = 0; i < length && o < outSize - 1; i++) {
        unsigned char c = (unsigned char)utf8[i];
        if (c < 0x80) out[o++] = (char)c;
        else if ((c & 0xC0) != 0x80) out[o++] = '?';
    }
    out[o] = 0;
}

} // namespace

void EnumeratePads(void) {
    int available = PlatformPadCount();
    g_input.padCount = 0;
    memset(g_input.pads, 0, sizeof g_input.pads);
    for (int i = 0; i < available && g_input.padCount < INPUT_PAD_MAX; i++) {
        LogWrite(SJ("入力装置を見つけました\n"));
        char name[128];
        char product[128];
        if (PlatformPadNames(i, name, sizeof name, product, sizeof product) != 0) {
            LogWrite(SJ("入力装置の取得に失敗しました\n"));
            continue;
        }
        // The platform names devices in UTF-8; the log is Shift-JIS.
        char nameSjis[256];
        char productSjis[256];
        ToLogText(name, nameSjis, sizeof nameSjis);
        ToLogText(product, productSjis, sizeof productSjis);
        LogIndent();
        LogPrintf(SJ("デバイスの登録名:%s"), nameSjis);
        LogPrintf(SJ("デバイスの製品登録名:%s"), productSjis);
        LogUnindent();
        PadEntry* pad = &g_input.pads[g_input.padCount];
        pad->device = 1;
        for (int h = 0; h < 4; h++) pad->state.pov[h] = 0xFFFFFFFFu;
        g_input.padCount++;
        LogWrite(SJ("ジョイパッドの追加は正常に終了しました\n"));
    }
}

int InitInput(void) {
    if (g_input.directInput) return 0;
    InputSettings settings = g_input.settings;
    g_input = InputState{};
    g_input.settings = settings;
    int plain = settings.noDirectInput;

    if (plain) {
        PlatformOpenPads();
        g_input.padCount = PlatformPadCount();
        if (g_input.padCount > INPUT_PAD_MAX) g_input.padCount = INPUT_PAD_MAX;
        for (int i = 0; i < g_input.padCount; i++) {
            g_input.pads[i].device = 1;
            for (int h = 0; h < 4; h++) g_input.pads[i].state.pov[h] = 0xFFFFFFFFu;
        }
        g_input.directInput = INPUT_PLAIN_MARKER;
        LogWrite(SJ("入力関連の初期化をしました\n"));
        return 0;
    }

    LogWrite(SJ("DirectInput関係初期化処理\n"));
    LogIndent();
    LogWrite(SJ("DirectInputオブジェクトの取得中... "));
    // The platform's input service cannot fail to exist; the object is a flag.
    g_input.directInput = 1;
    LogWrite(SJ("成功\n"));
    LogIndent();
    LogWrite(SJ("引き続き初期化処理... "));
    LogWrite(SJ("初期化成功\n"));
    LogUnindent();

    if (g_runtime.window.mainWindow) {
        PlatformRaiseWindow();
        ProcessMessage();
    }

    LogWrite(SJ("ジョイパッドの初期化... \n"));
    PlatformOpenPads();
    EnumeratePads();
    LogWrite(SJ("ジョイパッドの初期化は正常に終了しました\n"));

    LogWrite(SJ("マウスデバイスの初期化... "));
    g_input.mouseDevice = 1;
    LogWrite(SJ("初期化成功\n"));

    g_input.keyboardReadTime = PlatformMilliseconds();
    g_input.keyboardDevice = 0;
    LogWrite(SJ("キーボードデバイスの初期化... "));
    // Acquiring the keyboard is reading it once; a second failure is fatal.
    unsigned char probe[256];
    if (PlatformGetKeyState(probe) != 0 && PlatformGetKeyState(probe) != 0) {
        PlatformClosePads();
        g_input.directInput = 0;
        g_input.mouseDevice = 0;
        FatalExit(SJ("キーボードデバイスの取得に失敗しました"));
    }
    g_input.keyboardDevice = 1;
    LogWrite(SJ("初期化成功\n"));
    g_input.keyboardReadTime = PlatformMilliseconds();

    LogUnindent();
    LogWrite(SJ("DirectInput 関連の初期化は正常に終了しました\n"));
    return 0;
}

int EndInput(void) {
    if (!g_input.directInput) return 0;
    if (g_input.directInput == INPUT_PLAIN_MARKER) {
        LogWrite(SJ("入力関連の終了処理... 完了\n"));
        PlatformClosePads();
        g_input.directInput = 0;
        g_input.padCount = 0;
        return 0;
    }
    LogWrite(SJ("DirectInput 関連の終了処理... 完了\n"));
    PlatformClosePads();
    memset(g_input.pads, 0, sizeof g_input.pads);
    g_input.padCount = 0;
    g_input.keyboardDevice = 0;
    g_input.keyboardEvent = 0;
    g_input.mouseDevice = 0;
    g_input.directInput = 0;
    return 0;
}

void ReacquireInput(void) {
    if (!g_input.directInput || g_input.directInput == INPUT_PLAIN_MARKER) return;
    // Taking a device again means its next read is a real one.
    for (int i = 0; i < g_input.padCount; i++) g_input.pads[i].readOnce = 0;
    if (g_input.keyboardDevice) g_input.keyboardEvent = 1;
}

void NoteKeyboardEvent(void) {
    if (g_input.keyboardDevice) g_input.keyboardEvent = 1;
}

int LazyStartInput(int* result) {
    if (g_input.directInput) return 0;
    // Before RuntimeInit and after RuntimeEnd the input service cannot be had
    // (the component step it stands on is not up): the query fails.
    if (!g_runtime.comInitialised) {
        *result = -1;
        return 1;
    }
    // No start while the runtime is closing itself down: the query reads the
    // (empty) state instead.
    if (g_runtime.window.ending || g_runtime.window.closePosted) return 0;
    *result = InitInput();
    return 1;
}
