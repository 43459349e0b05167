// RuntimeInit and RuntimeEnd in their fixed order, the fatal stop, the settings
// made before RuntimeInit, and the system information written to the log.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

#include "runtime/core/api_lock.h"
#include "runtime/core/clock.h"
#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/core/subsystems.h"
#include "runtime/core/window.h"
#include "runtime/file/file_ops.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

RuntimeState g_runtime;

namespace {

const char kRuntimeVersion[] = "2.21e";

char s_noDisplayHint[256]; // SetNoDisplayHint's text, UTF-8

std::atomic<uint64_t> s_nextThreadId{1};
thread_local uint64_t t_threadId = 0;

int InitCom() {
    if (g_runtime.comInitialised) return -1;
    LogWrite(SJ("ＣＯＭの初期化... "));
    // There is no component system to start here; the step keeps its state and log.
    LogWrite(SJ("成功しました\n"));
    g_runtime.comInitialised = 1;
    return 0;
}

void EndCom() {
    if (!g_runtime.comInitialised) return;
    LogWrite(SJ("ＣＯＭを終了... 完了\n"));
    g_runtime.comInitialised = 0;
}

void OutputSystemInfo() {
    LogWrite(SJ("システムの情報を出力します\n"));
    LogIndent();
    LogPrintf(SJ("ＱＭライブラリ Ver%s"), kRuntimeVersion);
    LogWrite(SJ("ＯＳ  "));
    PlatformSystemInfo info;
    memset(&info, 0, sizeof(info));
    PlatformGetSystemInfo(&info);
    char osDescription[256];
    snprintf(osDescription, sizeof(osDescription), "%s ( Build %d %s )", info.osName, info.osBuild, info.osExtra);
    LogPrintf("%s", osDescription);
    RaiseTimerResolution();

    bool hasCpuid = false;
    char vendor[13] = {0};
    char brand[49] = {0};
    int mmx = 0;
#if defined(__x86_64__) || defined(__i386__)
    int tsc = 0; // the processor has a time-stamp counter
    unsigned a, b, c, d;
    if (__get_cpuid(0, &a, &b, &c, &d)) {
        hasCpuid = true;
        memcpy(vendor, &b, 4);
        memcpy(vendor + 4, &d, 4);
        memcpy(vendor + 8, &c, 4);
        unsigned a1, b1, c1, d1;
        if (__get_cpuid(1, &a1, &b1, &c1, &d1)) {
            tsc = (d1 >> 4) & 1;
            mmx = (d1 >> 23) & 1;
        }
        if (__get_cpuid(0x80000000, &a, &b, &c, &d) && a >= 0x80000004) {
            unsigned regs[12];
            for (unsigned i = 0; i < 3; i++)
                __get_cpuid(0x80000002 + i, &regs[i * 4], &regs[i * 4 + 1], &regs[i * 4 + 2], &regs[i * 4 + 3]);
            memcpy(brand, regs, 48);
        }
    }
    if (tsc) {
        uint64_t t0 = __rdtsc();
        uint32_t m0 = PlatformMilliseconds();
        while (PlatformMilliseconds() - m0 < 100u) PlatformSleep(1);
        uint64_t dlt = __rdtsc() - t0;
        int cpuMhz = (int)(dlt * 0.00001);
        LogPrintf(SJ("ＣＰＵ動作速度：大体%.2fGHz"), cpuMhz * 0.001);
    }
#endif
    if (!hasCpuid) {
        LogWrite(SJ("ＣＰＵＩＤ命令は使えません\n"));
    } else if (!mmx) {
        LogWrite(SJ("ＭＭＸは使えません\n"));
    } else {
        LogWrite(SJ("ＭＭＸ命令を使用します\n"));
    }
    if (hasCpuid) {
        LogWrite(SJ("ＣＰＵベンダ："));
        char part[5] = {0};
        for (int i = 0; i < 3; i++) {
            memcpy(part, vendor + i * 4, 4);
            LogWrite(part);
        }
        LogWrite("\n");
        // The brand text is often padded with leading spaces.
        const char* b0 = brand;
        while (*b0 == ' ') b0++;
        if (*b0) LogPrintf(SJ("ＣＰＵ名：%s"), b0);
    }
    LogUnindent();
}

int RequestedColorDepth() {
    int w = 640, h = 480, depth = 16;
    GetScreenSize(&w, &h, &depth);
    return depth;
}

} // namespace

uint64_t CurrentThreadId(void) {
    if (!t_threadId) t_threadId = s_nextThreadId.fetch_add(1);
    return t_threadId;
}

void RunEndSequence(void) {
    g_runtime.window.ending = 1;
    // No network, download or MIDI music is ever started: nothing to stop before the screen.
    EndScreen();
    EndInput();
    EndSoundSystem();
    bool hadWindow = g_runtime.window.mainWindow != 0;
    EndMainWindow();
    EndCom();
    g_runtime.window.initialised = 0;
    // Without a window that ever reached the quit state ProcessMessage would
    // return 0 for good, so only pump while there is something to close.
    while (ProcessMessage() == 0 && !QuitRequested()) {
        if (!hadWindow || !g_runtime.window.mainWindow) break;
    }
    if (g_runtime.startDirectory[0] && g_fileOps) g_fileOps->setCurrentDirectory(g_runtime.startDirectory);
    CloseIdleArchives();
    DumpTrackedMemory();
}

void FatalExit(const char* message) {
    LogWrite(message);
    LogWrite("\n");
    RunEndSequence();
    DestroyApiLock();
    exit(-1);
}

void FatalExitF(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    FatalExit(buffer);
}

int RuntimeInit(void) {
    API_LOCK();
    // Archive bookkeeping and the file-operation set.
    ClearArchiveBookkeeping();
    InstallFileOps();
    // The start directory.
    if (g_fileOps) g_fileOps->getCurrentDirectory(g_runtime.startDirectory);
    // The log file.
    InitLogFile();
    // A display to show the window on, and not a 24-bit one; refused before
    // anything needs tearing down.
    char why[256];
    if (PlatformOpenDisplay(why, (int)sizeof(why)) != 0) {
        return ReportRefusal("%s%s%s", why, s_noDisplayHint[0] ? "; " : "", s_noDisplayHint);
    }
    int dw = 0, dh = 0, dbits = 0;
    PlatformGetDesktopMode(&dw, &dh, &dbits);
    if ((dbits == 24 && g_runtime.settings.windowed) || RequestedColorDepth() == 24) {
        ReportRefusal(dbits == 24 && g_runtime.settings.windowed
                          ? "no usable screen mode: the display has 24-bit colour, which a window cannot use"
                          : "no usable screen mode: 24-bit colour was asked for, which the runtime does not draw");
        return LogWrite(SJ("ＱＭライブラリは２４ビットカラーモードに対応していません\n"));
    }
    // The fine counter.
    g_runtime.clock.performanceFrequency = PlatformFineFrequency();
    g_runtime.clock.usePerformanceCounter = g_runtime.clock.performanceFrequency != 0;
    // System information.
    OutputSystemInfo();
    // Streams and the graph restore routine.
    InstallDefaultGraphRestore();
    // COM, the window, input, sound and the screen: a failure in any of them
    // (but sound) runs the end sequence.
    bool ok = InitCom() == 0;
    if (!ok) ReportRefusal("RuntimeInit was called a second time without RuntimeEnd");
    if (ok) ok = InitMainWindow() == 0; // reports its own refusals
    if (ok) {
        // The table of network downloads would be cleared here; this system has none.
        ok = InitInput() != -1;
        if (!ok) ReportRefusal("cannot start the keyboard and controller input");
    }
    if (ok) {
        InitSoundSystem();
        ok = InitScreen() >= 0;
        if (!ok) {
            int w = 0, h = 0, depth = 0;
            GetScreenSize(&w, &h, &depth);
            ReportRefusal("no usable screen mode: cannot set up a %d x %d screen at %d bits", w, h, depth);
        }
    }
    if (!ok) {
        RunEndSequence();
        return -1;
    }
    // Text-input buffers (text input itself is not part of this runtime).
    LogWrite(SJ("文字コードバッファの初期化を行います... "));
    LogWrite(SJ("完了しました\n"));
    g_runtime.window.initialised = 1;
    SetFlipVBlankWait(1);
    if (!g_runtime.settings.windowed) BringMainWindowToFront(0);
    SetDrawTarget(-2);
    SetDrawTarget(-4);
    // Warm-up: the graph table's check counter advances by one.
    int warmUp = CreateBlankGraph(256, 256, 0, 0);
    SetDrawTarget(warmUp);
    SetDrawTarget(-4);
    ReleaseGraph(warmUp, 0);
    return 0;
}

int RuntimeEnd(void) {
    EnterApiLock();
    RunEndSequence();
    LeaveApiLock();
    DestroyApiLock();
    return 0;
}

int SetLogOutputEnabled(int enabled) {
    API_LOCK();
    g_runtime.settings.logDisabled = !enabled;
    return 0;
}

int SetArchiveUse(int use) {
    API_LOCK();
    if ((!use) != g_runtime.settings.archiveDisabled) {
        g_runtime.settings.archiveDisabled = !use;
        ApplyArchiveSetting(g_runtime.settings.archiveDisabled);
    }
    return 0;
}

int SetNoDisplayHint(const char* text) {
    API_LOCK();
    snprintf(s_noDisplayHint, sizeof(s_noDisplayHint), "%s", text ? text : "");
    return 0;
}

int SetArchiveExtension(const char* ext) {
    API_LOCK();
    {
        if (ext && ext[0] && strlen(ext) < 64) SetArchiveExtensionInternal(ext);
        else SetArchiveExtensionInternal(nullptr);
    }
    return 0;
}
