// The headless backend's key script over long replays: the cost of one frame
// (a present and a key read, as the game's frame loop makes them) over whole
// runs of 10,000 and 200,000 frames with a script of three lines every four
// frames. Flat per-frame figures mean the script is read in constant time.
#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"

namespace {

double CpuNs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return (double)ts.tv_sec * 1e9 + (double)ts.tv_nsec;
}

// Lines from frame start on; the present count goes on from earlier runs.
std::string Script(int start, int frames) {
    std::string text;
    static const char* const keys[] = {"RIGHT", "RIGHT Z", "LEFT", "-"};
    for (int f = 0; f < frames; f += 4)
        for (int k = 0; k < 3; k++) text += std::to_string(start + f + k) + " " + keys[(f / 4 + k) % 4] + "\n";
    return text;
}

// Nanoseconds of thread CPU per frame for one run of frames frames.
double RunNsPerFrame(int frames) {
    std::string text = Script(ScriptedPresentCount(), frames);
    if (ScriptedLoadInputScript(text.c_str(), nullptr, 0) != 0) return -1;
    uint16_t pixel = 0;
    unsigned char keys[256];
    unsigned sink = 0;
    double t0 = CpuNs();
    for (int f = 0; f < frames; f++) {
        PlatformGetKeyState(keys);
        sink += keys[0xCD];
        PlatformPresent(&pixel, 2, 1, 1, 16);
    }
    double ns = (CpuNs() - t0) / frames;
    if (sink == 0xFFFFFFFFu) printf(" ");
    return ns;
}

} // namespace

int main() {
    printf("frames   per-frame ns (median of 5 runs, thread CPU)\n");
    double figures[2] = {0, 0};
    const int sizes[2] = {10000, 200000};
    for (int i = 0; i < 2; i++) {
        std::vector<double> runs;
        for (int r = 0; r < 5; r++) runs.push_back(RunNsPerFrame(sizes[i]));
        std::sort(runs.begin(), runs.end());
        figures[i] = runs[2];
        printf("%6d   %8.1f\n", sizes[i], figures[i]);
    }
    printf("ratio 200,000 / 10,000 frames: %.2f (1.00 = flat)\n", figures[1] / figures[0]);
    return 0;
}
