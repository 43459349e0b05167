// Every public operation of runtime.h, called before RuntimeInit and after
// RuntimeEnd: what each must return, and a runner that calls one in a child
// process under a time limit, so an operation that hangs fails the suite
// instead of stopping it. Shared by the headless and the desktop backend's suites.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "runtime/runtime.h"

namespace uninit {

// Any result will do (clocks and colour values): only returning matters.
const int kAny = 0x7FFFFFF0;
// What the runner reports for a call that did not return in time or crashed.
const int kHung = 0x7FFFFFF1;
const int kCrashed = 0x7FFFFFF2;

struct Call {
    const char* name;
    int (*call)();
    int before; // before RuntimeInit
    int after;  // after RuntimeEnd
};

// Handles that would be valid in a fresh table (slot 0, check 0) of each kind.
const int kGraph = 0x08000000, kSound = 0x10000000, kFont = 0x20000000;

inline const unsigned char* IconBytes() {
    static const unsigned char bytes[4] = {1, 2, 3, 4};
    return bytes;
}

// The runtime's own settings, clock and colours work without it; everything that
// needs the window, the screen, input or the sound device answers -1.
const Call kCalls[] = {
    {"RuntimeEnd", [] { return RuntimeEnd(); }, 0, 0},
    {"ChangeWindowMode", [] { return ChangeWindowMode(1); }, 0, 0},
    {"SetMainWindowTitle", [] { return SetMainWindowTitle("t"); }, 0, 0},
    {"SetLogOutputEnabled", [] { return SetLogOutputEnabled(0); }, 0, 0},
    {"SetWindowIconResource", [] { return SetWindowIconResource(101); }, 0, 0},
    {"SetWindowScaleRate", [] { return SetWindowScaleRate(1.5); }, 0, 0},
    {"SetArchiveUse", [] { return SetArchiveUse(0); }, 0, 0},
    {"SetArchiveExtension", [] { return SetArchiveExtension("dat"); }, 0, 0},
    {"ProcessMessage", [] { return ProcessMessage(); }, 0, -1},
    {"RegisterIconResource", [] { return RegisterIconResource(7, IconBytes(), 4); }, 0, 0},
    {"GetMillisecondCount", [] { return GetMillisecondCount(0); }, kAny, kAny},
    {"SleepMilliseconds", [] { return SleepMilliseconds(1); }, 0, 0},
    {"GetCalendarSeconds", [] { return GetCalendarSeconds(); }, kAny, kAny},
    {"MakeColor", [] { return (int)MakeColor(1, 2, 3); }, kAny, kAny},
    {"GetColorRGB",
     [] {
         int r, g, b;
         return GetColorRGB(0, &r, &g, &b);
     },
     0, 0},
    {"SetScreenMode", [] { return SetScreenMode(320, 240, 16, 60); }, 0, 0},
    {"GetScreenSize",
     [] {
         int w, h;
         return GetScreenSize(&w, &h);
     },
     0, 0},
    {"SetTextEncoding", [] { return SetTextEncoding(TEXT_ENCODING_UTF8); }, 0, 0},
    {"GetTextEncoding", [] { return GetTextEncoding(); }, TEXT_ENCODING_SHIFT_JIS, TEXT_ENCODING_SHIFT_JIS},
    {"SetNoDisplayHint", [] { return SetNoDisplayHint("run the demo"); }, 0, 0},
    {"SetFlipVBlankWait", [] { return SetFlipVBlankWait(0); }, 0, 0},
    {"SetDrawTarget", [] { return SetDrawTarget(-2); }, -1, -1},
    {"ClearDrawTarget", [] { return ClearDrawTarget(); }, -1, -1},
    {"FlipScreen", [] { return FlipScreen(); }, -1, -1},
    {"SetTransparentColor", [] { return SetTransparentColor(0, 255, 0); }, 0, 0},
    {"SetBlendMode", [] { return SetBlendMode(1, 128); }, 0, 0},
    {"LoadGraphFile", [] { return LoadGraphFile("bkt\\graphic\\none.png"); }, -1, -1},
    {"DeriveGraph", [] { return DeriveGraph(0, 0, 1, 1, kGraph); }, -1, -1},
    {"ReleaseGraph", [] { return ReleaseGraph(kGraph, 0); }, -1, -1},
    {"CreateBlankGraph", [] { return CreateBlankGraph(16, 16, 0, 0); }, -1, -1},
    {"DrawGraphAt", [] { return DrawGraphAt(0, 0, kGraph, 1); }, -1, -1},
    {"DrawGraphRect", [] { return DrawGraphRect(0, 0, 0, 0, 1, 1, kGraph, 1, 0); }, -1, -1},
    {"DrawGraphRotated", [] { return DrawGraphRotated(0, 0, 0, 0, 1.0, 0.5, kGraph, 1, 0); }, -1, -1},
    {"DrawRectangle", [] { return DrawRectangle(0, 0, 8, 8, 0, 1); }, -1, -1},
    {"GetPixel",
     [] {
         unsigned int c;
         return GetPixel(0, 0, &c);
     },
     -1, -1},
    {"SaveScreenToFile", [] { return SaveScreenToFile("uninit-shot.png"); }, -1, -1},
    {"SetDrawArea", [] { return SetDrawArea(0, 0, 8, 8); }, -1, -1},
    {"SetDrawBright", [] { return SetDrawBright(255, 128, 0); }, 0, 0},
    {"CreateFontToHandle", [] { return CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1); }, -1, -1},
    {"DeleteFontHandle", [] { return DeleteFontHandle(kFont); }, -1, -1},
    {"DrawStringWithFont", [] { return DrawStringWithFont(0, 0, "A", 0, kFont, 0, 0); }, -1, -1},
    {"ResetFontCache", [] { return ResetFontCache(kFont); }, -1, -1},
    {"SetFontExtraAdvance", [] { return SetFontExtraAdvance(1, kFont); }, -1, -1},
    {"RegisterFontLostFlag",
     [] {
         static int f;
         return RegisterFontLostFlag(kFont, &f);
     },
     -1, -1},
    {"GetFontLineHeight", [] { return GetFontLineHeight(kFont); }, -1, -1},
    {"GetFontInfo",
     [] {
         char n[256];
         int s, t;
         return GetFontInfo(kFont, n, &s, &t);
     },
     -1, -1},
    {"MeasureStringWithFont", [] { return MeasureStringWithFont("A", -1, kFont, 0); }, -1, -1},
    {"CheckKeyDown", [] { return CheckKeyDown(1); }, -1, -1},
    {"GetPadInputState", [] { return GetPadInputState(0x1001); }, -1, -1},
    {"LoadSoundFile", [] { return LoadSoundFile("bkt\\wav\\none.wav", 3); }, -1, -1},
    {"PlaySoundHandle", [] { return PlaySoundHandle(kSound, 1, 1); }, -1, -1},
    {"StopSoundHandle", [] { return StopSoundHandle(kSound); }, -1, -1},
    {"DeleteSoundHandle", [] { return DeleteSoundHandle(kSound); }, -1, -1},
    {"CheckSoundHandle", [] { return CheckSoundHandle(kSound); }, -1, -1},
    {"DeleteAllSoundHandles", [] { return DeleteAllSoundHandles(); }, -1, -1},
    {"AddSoundData", [] { return AddSoundData(); }, -1, -1},
    {"LoadSoundFileToMemory",
     [] {
         void* p;
         int n;
         return LoadSoundFileToMemory("none.wav", &p, &n);
     },
     -1, -1},
    {"FreeSoundFileImage", [] { return FreeSoundFileImage(nullptr); }, -1, -1},
    {"LoadSoundMemory", [] { return LoadSoundMemory(IconBytes(), 4, 3); }, -1, -1},
};

inline double NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// Runs fn in a forked child (the caller's runtime state is copied) and returns
// its result, kHung when it did not return within limitMs (the child is then
// killed) or kCrashed. *ms gets the time the call took in the child.
inline int RunInChild(int (*fn)(), int limitMs, double* ms) {
    int fds[2];
    if (pipe(fds) != 0) return kCrashed;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        double t0 = NowMs();
        int r = fn();
        double took = NowMs() - t0;
        struct {
            int r;
            double took;
        } out = {r, took};
        ssize_t n = write(fds[1], &out, sizeof(out));
        _exit(n == (ssize_t)sizeof(out) ? 0 : 1);
    }
    close(fds[1]);
    struct {
        int r;
        double took;
    } in = {kCrashed, 0};
    pollfd p = {fds[0], POLLIN, 0};
    int result = kHung;
    if (poll(&p, 1, limitMs) == 1) {
        result = read(fds[0], &in, sizeof(in)) == (ssize_t)sizeof(in) ? in.r : kCrashed;
        *ms = in.took;
    } else {
        *ms = limitMs;
        kill(pid, SIGKILL);
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return result;
}

inline std::string Shown(int v) {
    if (v == kHung) return "hangs";
    if (v == kCrashed) return "crashes";
    if (v == kAny) return "(value)";
    return std::to_string(v);
}

// Calls every operation in its own child; expects each to return in time with the
// value of the table's column (before or after). Prints the table it saw.
inline void CheckEveryCall(bool afterEnd, const char* backend) {
    // Generous for a loaded machine; a call that hangs spins for ever.
    const int kLimitMs = 5000;
    double slowest = 0;
    for (const Call& c : kCalls) {
        double ms = 0;
        int got = RunInChild(c.call, kLimitMs, &ms);
        int want = afterEnd ? c.after : c.before;
        if (ms > slowest) slowest = ms;
        printf("%-8s %-10s %-24s %-8s %.2f ms\n", backend, afterEnd ? "after" : "before", c.name, Shown(got).c_str(),
               ms);
        EXPECT_NE(got, kHung) << c.name;
        EXPECT_NE(got, kCrashed) << c.name;
        if (want != kAny && got != kHung && got != kCrashed) {
            EXPECT_EQ(got, want) << c.name;
        }
    }
    printf("%s %s: slowest call %.2f ms\n", backend, afterEnd ? "after RuntimeEnd" : "before RuntimeInit", slowest);
}

// One program's run: every call before RuntimeInit, a start and an end, every call
// again; in a child under a limit. Returns the milliseconds it took, or -1.
inline double WholeSequenceMs(int limitMs) {
    static int (*const sequence)() = [] {
        for (const Call& c : kCalls) c.call();
        if (RuntimeInit() != 0) return -1;
        RuntimeEnd();
        for (const Call& c : kCalls) c.call();
        return 0;
    };
    double ms = 0;
    int r = RunInChild(sequence, limitMs, &ms);
    return r == 0 ? ms : -1;
}

} // namespace uninit
