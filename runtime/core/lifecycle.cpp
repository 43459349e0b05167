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
    snprintf(g_runtime.osDescription, sizeof(g_runtime.osDescription), "%s ( Build %d %s )", info.osName,
             info.osBuild, info.osExtra);
    LogPrintf("%s", g_runtime.osDescription);
    g_runtime.platformVersion = 0x70000;
    RaiseTimerResolution();

    bool hasCpuid = false;
    char vendor[13] = {0};
    char brand[49] = {0};
    int mmx = 0;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a, b, c, d;
    if (__get_cpuid(0, &a, &b, &c, &d)) {
        hasCpuid = true;
        memcpy(vendor, &b, 4);
        memcpy(vendor + 4, &d, 4);
        memcpy(vendor + 8, &c, 4);
        unsigned a1, b1, c1, d1;
        if (__get_cpuid(1, &a1, &b1, &c1, &d1)) {
            g_runtime.tscAvailable = (d1 >> 4) & 1;
            mmx = (d1 >> 23) & 1;
        }
        if (__get_cpuid(0x80000000, &a, &b, &c, &d) && a >= 0x80000004) {
            unsigned regs[12];
            for (unsigned i = 0; i < 3; i++)
                __get_cpuid(0x80000002 + i, &regs[i * 4], &regs[i * 4 + 1], &regs[i * 4 + 2], &regs[i * 4 + 3]);
            memcpy(brand, regs, 48);
        }
    }
    if (g_runtime.tscAvailable) {
        uint64_t t0 = __rdtsc();
        uint32_t m0 = PlatformMilliseconds();
        while (PlatformMilliseconds() - m0 < 100u) PlatformSleep(1);
        uint64_t dlt = __rdtsc() - t0;
        g_runtime.cpuMhz = (int)(dlt * 0.00001);
        g_runtime.tscTicksPerSecond = (int64_t)dlt * 10;
        LogPrintf(SJ("ＣＰＵ動作速度：大体%.2fGHz"), g_runtime.cpuMhz * 0.001);
    }
#endif
    if (!hasCpuid) {
        LogWrite(SJ("ＣＰＵＩＤ命令は使えません\n"));
    } else if (!mmx) {
        LogWrite(SJ("ＭＭＸは使えません\n"));
    } else {
        LogWrite(SJ("ＭＭＸ命令を使用します\n"));
        g_runtime.mmxAvailable = 1;
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
        if (*b0) {
            LogPrintf(SJ("ＣＰＵ名：%s"), b0);
            snprintf(g_runtime.cpuName, sizeof(g_runtime.cpuName), "%s", b0);
        }
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
    g_runtime.ending = 1;
    // No network, download or MIDI music is ever started: nothing to stop before the screen.
    EndScreen();
    EndInput();
    EndSoundSystem();
    bool hadWindow = g_runtime.mainWindow != 0;
    EndMainWindow();
    EndCom();
    g_runtime.initialised = 0;
    // Without a window that ever reached the quit state ProcessMessage would
    // return 0 for good, so only pump while there is something to close.
    while (ProcessMessage() == 0 && !QuitRequested()) {
        if (!hadWindow || !g_runtime.mainWindow) break;
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
    // No 24-bit display: refused before anything needs tearing down.
    int dw = 0, dh = 0, dbits = 0;
    PlatformGetDesktopMode(&dw, &dh, &dbits);
    if ((dbits == 24 && g_runtime.windowed) || RequestedColorDepth() == 24) {
        return LogWrite(SJ("ＱＭライブラリは２４ビットカラーモードに対応していません\n"));
    }
    // The fine counter.
    g_runtime.performanceFrequency = PlatformFineFrequency();
    g_runtime.usePerformanceCounter = g_runtime.performanceFrequency != 0;
    // System information.
    OutputSystemInfo();
    // Streams and the graph restore routine.
    InstallDefaultGraphRestore();
    // COM, the window, input, sound and the screen: a failure in any of them
    // (but sound) runs the end sequence.
    bool ok = InitCom() == 0;
    if (ok) ok = InitMainWindow() == 0;
    if (ok) {
        // The table of network downloads would be cleared here; this system has none.
        ok = InitInput() != -1;
    }
    if (ok) {
        InitSoundSystem();
        ok = InitScreen() >= 0;
    }
    if (!ok) {
        RunEndSequence();
        return -1;
    }
    // Text-input buffers (text input itself is not part of this runtime).
    LogWrite(SJ("文字コードバッファの初期化を行います... "));
    LogWrite(SJ("完了しました\n"));
    g_runtime.initialised = 1;
    SetFlipVBlankWait(1);
    if (!g_runtime.windowed) BringMainWindowToFront(0);
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
    g_runtime.logDisabled = !enabled;
    return 0;
}

int SetArchiveUse(int use) {
    API_LOCK();
    if ((!use) != g_runtime.archiveDisabled) {
        g_runtime.archiveDisabled = !use;
        ApplyArchiveSetting(g_runtime.archiveDisabled);
    }
    return 0;
}

int SetArchiveExtension(const char* ext) {
    API_LOCK();
    {
        if (ext && ext[0] && strlen(ext) < 64)
            SetArchiveExtensionInternal(ext);
        else
            SetArchiveExtensionInternal(nullptr);
    }
    return 0;
}
