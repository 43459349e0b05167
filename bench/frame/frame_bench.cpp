// Whole-frame, start-up and memory figures of the real game on the headless
// backend: the play scene's routines (both layers, the player with every object,
// the HUD and its text) timed frame by frame over 10,000 frames of scripted play,
// at 16 and at 32 bits; start-up split into its parts; peak resident memory over
// the play and after 50 display-mode changes in the options.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "runtime/core/memory.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// CPU time in ms of the calling thread or the whole process: on a machine shared
// with compilers, wall time mostly measures the scheduler.
double CpuMs(clockid_t which) {
    timespec ts;
    clock_gettime(which, &ts);
    return (double)ts.tv_sec * 1e3 + (double)ts.tv_nsec / 1e6;
}

long ResidentKb(const char* field) {
    FILE* f = fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    size_t n = strlen(field);
    while (fgets(line, sizeof(line), f))
        if (strncmp(line, field, n) == 0) kb = atol(line + n + 1);
    fclose(f);
    return kb;
}

// Keys of the fixed play script for a frame: walk one way then the other, jump now and then.
void SetPlayKeys(int frame) {
    unsigned char keys[3];
    int n = 0;
    keys[n++] = (frame / 150) % 2 ? 0xCB : 0xCD; // LEFT : RIGHT
    if (frame % 45 < 8) keys[n++] = 0x2C;        // Z
    ScriptedSetKeys(keys, n);
}

struct FrameFigures {
    double median, p99, mean; // wall time per frame
    double cpuMedian, cpuP99; // the game thread's CPU time per frame
    long waits, preemptions;  // the game thread's voluntary and forced switches in timed work
    int frames, games;
};

void Summarise(std::vector<double> v, double* median, double* p99, double* mean) {
    double sum = 0;
    for (double t : v) sum += t;
    std::sort(v.begin(), v.end());
    *median = v[v.size() / 2];
    *p99 = v[(v.size() * 99) / 100];
    if (mean) *mean = sum / (double)v.size();
}

// Brings the game up as WinMain does, without entering its loop.
int StartGame(int depth) {
    SetLogOutputEnabled(0);
    SetMainWindowTitle("Borra Kez Ti");
    SetFlipVBlankWait(0);
    SetScreenMode(320, 240, depth, 60);
    ChangeWindowMode(1);
    if (RuntimeInit() != 0) return -1;
    SetArchiveUse(1);
    SetArchiveExtension("data");
    GameState& g = g_game;
    g.scene = SceneTitle;
    LoadStage();
    g.playerX = 160;
    g.playerY = 176;
    ReadRanking();
    LoadGameAssets();
    g.bgmSound = LoadSoundFile("bkt\\wav\\bgm.ogg", 3);
    g.jumpSound = LoadSoundFile("bkt\\wav\\jump.wav", 3);
    g.jumpdSound = LoadSoundFile("bkt\\wav\\jumpd.wav", 3);
    g.siboSound = LoadSoundFile("bkt\\wav\\sibo.wav", 3);
    g.bom35Sound = LoadSoundFile("bkt\\wav\\bom35.wav", 3);
    g.bosu35Sound = LoadSoundFile("bkt\\wav\\bosu35.wav", 3);
    for (int i = 0; i < 20; i++) {
        g.platforms[i].dirX = 1;
        g.rollers[i].dirX = 1;
        g.lifts[i].dirY = 1;
    }
    RandomSeed(0);
    SetDrawTarget(DRAW_TARGET_BACK);
    return 0;
}

FrameFigures PlayFrames(int frames) {
    GameState& g = g_game;
    std::vector<double> times, cpu;
    times.reserve((size_t)frames);
    cpu.reserve((size_t)frames);
    int games = 1;
    long waits = 0, preemptions = 0;
    StartNewGame();
    g.scene = ScenePlay;
    for (int f = 0; f < frames; f++) {
        // The game's loop pumps messages once a frame, outside the scene's work.
        ProcessMessage();
        SetPlayKeys(f);
        g.padNow = GetPadInputState(INPUT_KEYBOARD_PAD1);
        ClearDrawTarget();
        auto t0 = Clock::now();
        double c0 = CpuMs(CLOCK_THREAD_CPUTIME_ID);
        rusage u0;
        getrusage(RUSAGE_THREAD, &u0);
        DrawBackLayer();
        UpdatePlayer();
        DrawFrontLayer();
        DrawHud();
        cpu.push_back(CpuMs(CLOCK_THREAD_CPUTIME_ID) - c0);
        rusage u1;
        getrusage(RUSAGE_THREAD, &u1);
        // A voluntary switch inside the scene's work is a wait (for the API lock);
        // a forced one is the scheduler giving the core to another process.
        waits += u1.ru_nvcsw - u0.ru_nvcsw;
        preemptions += u1.ru_nivcsw - u0.ru_nivcsw;
        times.push_back(Ms(Clock::now() - t0));
        g.padPrev = g.padNow;
        if (g.scene != ScenePlay) {
            // A lost game starts again at once, so every timed frame is play.
            StartNewGame();
            g.scene = ScenePlay;
            games++;
        }
    }
    FrameFigures r;
    r.frames = frames;
    r.games = games;
    r.waits = waits;
    r.preemptions = preemptions;
    Summarise(times, &r.median, &r.p99, &r.mean);
    Summarise(cpu, &r.cpuMedian, &r.cpuP99, nullptr);
    return r;
}

// One option press: the options screen reacts to a lone action button.
void ChooseOption(int item) {
    GameState& g = g_game;
    g.scene = SceneOptions;
    g.menuCursor = item;
    g.padPrev = 0;
    g.padNow = 0x10;
    ClearDrawTarget();
    UpdateOptions();
    g.padPrev = g.padNow;
}

// Runs one measurement in a child process so each starts from a fresh process.
template <typename F>
int InChild(F body) {
    fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        int r = body();
        fflush(stdout);
        _exit(r);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int RunFrames(int depth, int frames, bool modeChanges) {
    if (StartGame(depth) != 0) return 1;
    FrameFigures r = PlayFrames(frames);
    printf("| play frame, %d bits, CPU | median %.4f ms | p99 %.4f ms | | %d frames, %d games |\n", depth, r.cpuMedian,
           r.cpuP99, r.frames, r.games);
    printf("| play frame, %d bits, wall | median %.4f ms | p99 %.4f ms | mean %.4f ms | %ld waits, %ld preemptions |\n",
           depth, r.median, r.p99, r.mean, r.waits, r.preemptions);
    if (depth == 16 && modeChanges) {
        long peakPlay = ResidentKb("VmHWM:");
        long rssPlay = ResidentKb("VmRSS:");
        printf("| peak resident memory, %d frames of play | %.1f MB | resident now %.1f MB | live blocks %d |\n",
               frames, peakPlay / 1024.0, rssPlay / 1024.0, TrackedBlockCount());
        // Growth is judged between 50 and 200 changes: the first changes also warm up
        // the allocator and the font libraries' caches.
        int done = 0;
        long rss50 = 0;
        int bytes50 = 0;
        for (int total : {50, 200}) {
            for (; done < total; done++) ChooseOption(done % 2 ? 1 : 2);
            long rssModes = ResidentKb("VmRSS:");
            printf(
                "| after %d display-mode changes | peak %.1f MB | resident %.1f MB (%+.1f MB) | live blocks %d, "
                "%.1f MB tracked |\n",
                total, ResidentKb("VmHWM:") / 1024.0, rssModes / 1024.0, (rssModes - rssPlay) / 1024.0,
                TrackedBlockCount(), TrackedTotalSize() / 1048576.0);
            if (total == 50) {
                rss50 = rssModes;
                bytes50 = TrackedTotalSize();
            } else {
                printf("| growth from change 50 to 200 | resident %+.2f MB | tracked %+d bytes | |\n",
                       (rssModes - rss50) / 1024.0, TrackedTotalSize() - bytes50);
            }
        }
    }
    RuntimeEnd();
    return 0;
}

// Start-up in parts, in the order the game does them.
int RunStartup() {
    auto t0 = Clock::now();
    double c0 = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    SetLogOutputEnabled(0);
    SetScreenMode(320, 240, 16, 60);
    ChangeWindowMode(1);
    if (RuntimeInit() != 0) return 1;
    SetArchiveUse(1);
    SetArchiveExtension("data");
    auto tInit = Clock::now();
    double cInit = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    GameState& g = g_game;
    LoadStage();
    ReadRanking();
    SetTransparentColor(0, 255, 0);
    g.titleGraph = LoadGraphFile("bkt\\graphic\\title.bmp");
    g.blockGraph = LoadGraphFile("bkt\\graphic\\block.bmp");
    g.charaGraph = LoadGraphFile("bkt\\graphic\\chara.bmp");
    g.stage1Graph = LoadGraphFile("bkt\\graphic\\stage1.png");
    g.shadowGraph = LoadGraphFile("bkt\\graphic\\shadow.png");
    g.stage2Graph = LoadGraphFile("bkt\\graphic\\stage2.bmp");
    g.howToGraph = LoadGraphFile("bkt\\graphic\\setume.bmp");
    auto tPictures = Clock::now();
    double cPictures = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    g.font20 = CreateFontToHandle("\x82\x6c\x82\x72\x83\x53\x83\x56\x83\x62\x83\x4e", 20, 0, 0, -1, -1, 0, -1, -1);
    g.font10 = CreateFontToHandle("\x82\x6c\x82\x72\x83\x53\x83\x56\x83\x62\x83\x4e", 10, 0, 0, -1, -1, 0, -1, -1);
    g.font32 = CreateFontToHandle("\x82\x6c\x82\x72\x83\x53\x83\x56\x83\x62\x83\x4e", 32, 0, 0, -1, -1, 0, -1, -1);
    auto tFonts = Clock::now();
    double cFonts = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    g.bgmSound = LoadSoundFile("bkt\\wav\\bgm.ogg", 3);
    auto tMusic = Clock::now();
    double cMusic = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    g.jumpSound = LoadSoundFile("bkt\\wav\\jump.wav", 3);
    g.jumpdSound = LoadSoundFile("bkt\\wav\\jumpd.wav", 3);
    g.siboSound = LoadSoundFile("bkt\\wav\\sibo.wav", 3);
    g.bom35Sound = LoadSoundFile("bkt\\wav\\bom35.wav", 3);
    g.bosu35Sound = LoadSoundFile("bkt\\wav\\bosu35.wav", 3);
    SetDrawTarget(DRAW_TARGET_BACK);
    ClearDrawTarget();
    UpdateTitle();
    FlipScreen();
    auto tFirst = Clock::now();
    double cFirst = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    // A part that failed would make its figure meaningless.
    if (g.titleGraph == -1 || g.font20 == -1 || g.bgmSound == -1 || g.bosu35Sound == -1) {
        fprintf(stderr, "bench_frame: start-up failed (title %d, font %d, music %d, sound %d)\n", g.titleGraph,
                g.font20, g.bgmSound, g.bosu35Sound);
        RuntimeEnd();
        return 1;
    }
    printf("%.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f\n", Ms(tInit - t0), Ms(tPictures - tInit),
           Ms(tFonts - tPictures), Ms(tMusic - tFonts), Ms(tFirst - tMusic), Ms(tFirst - t0), cInit - c0,
           cPictures - cInit, cFonts - cPictures, cMusic - cFonts, cFirst - cMusic, cFirst - c0);
    RuntimeEnd();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? atoi(argv[1]) : 10000;
    const char* dist = getenv("BKT_DIST") ? getenv("BKT_DIST") : BKT_DIST_DIR;
    if (chdir(dist) != 0) {
        fprintf(stderr, "bench_frame: cannot enter %s\n", dist);
        return 1;
    }
    // "startup": one start-up in this process, for a profiler to look at.
    if (argc > 1 && strcmp(argv[1], "startup") == 0) return RunStartup();
    // "play <bits> <frames>": the play frames alone, likewise.
    if (argc > 3 && strcmp(argv[1], "play") == 0) return RunFrames(atoi(argv[2]), atoi(argv[3]), false);
    printf("| measure | figures |\n|---|---|\n");
    InChild([&] { return RunFrames(16, frames, true); });
    InChild([&] { return RunFrames(32, frames, true); });
    // Start-up: five fresh processes, medians of each part.
    const int runs = 5;
    std::vector<std::vector<double>> parts(12);
    for (int i = 0; i < runs; i++) {
        int fds[2];
        if (pipe(fds) != 0) return 1;
        pid_t pid = fork();
        if (pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            int r = RunStartup();
            fflush(stdout);
            _exit(r);
        }
        close(fds[1]);
        char buf[256] = {0};
        ssize_t n = read(fds[0], buf, sizeof(buf) - 1);
        close(fds[0]);
        waitpid(pid, nullptr, 0);
        double v[12];
        if (n > 0 && sscanf(buf, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3], &v[4],
                            &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11]) == 12)
            for (int k = 0; k < 12; k++) parts[(size_t)k].push_back(v[k]);
    }
    const char* names[6] = {"runtime start", "pictures", "fonts", "music", "sounds and first frame", "total"};
    for (int k = 0; k < 6; k++) {
        std::vector<double>& w = parts[(size_t)k];
        std::vector<double>& c = parts[(size_t)k + 6];
        if (w.empty()) continue;
        std::sort(w.begin(), w.end());
        std::sort(c.begin(), c.end());
        printf("| start-up: %s | CPU median %.1f ms | wall median %.1f ms |\n", names[k], c[c.size() / 2],
               w[w.size() / 2]);
    }
    return 0;
}
