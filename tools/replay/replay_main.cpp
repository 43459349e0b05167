// borrakezti-replay: runs the real game in the current directory on the scripted
// backend, with keys from an input script, and reports the game's state.
#include "game/game_state.h"
#include "game/recording.h"
#include "runtime/platform/scripted/scripted.h"
#include "tools/replay/replay_options.h"

#include <stdio.h>

#include <string>

static ReplayOptions s_options;
static bool s_shotFailed = false;

static void PrintStatus(void)
{
    char line[200];
    FormatStatusLine(line, sizeof line, ScriptedPresentCount());
    printf("%s\n", line);
    fflush(stdout);
}

// Runs after every presented frame: screenshots, trace, and the frame limit.
static int AfterFrame(void)
{
    int presented = ScriptedPresentCount();
    for (const ReplayShot& shot : s_options.shots) {
        if (shot.frame + 1 == presented && ScriptedSaveLastFrame(shot.path.c_str()) != 0) {
            fprintf(stderr, "borrakezti-replay: cannot save %s\n", shot.path.c_str());
            s_shotFailed = true;
        }
    }
    if (s_options.trace)
        PrintStatus();
    return s_options.frames > 0 && presented >= s_options.frames;
}

static bool ReadWholeFile(const char* path, std::string& text)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return false;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return true;
}

int main(int argc, char** argv)
{
    std::string error;
    if (!ParseReplayOptions(argc, argv, s_options, error)) {
        fprintf(stderr, "borrakezti-replay: %s\n", error.c_str());
        fprintf(stderr, "usage: borrakezti-replay --script FILE [--frames N] [--shot FRAME:PATH.png]... "
                        "[--time SECONDS] [--trace]\n");
        return 2;
    }
    std::string script;
    if (!ReadWholeFile(s_options.scriptPath.c_str(), script)) {
        fprintf(stderr, "borrakezti-replay: cannot read %s\n", s_options.scriptPath.c_str());
        return 2;
    }
    char scriptError[256] = "";
    if (ScriptedLoadInputScript(script.c_str(), scriptError, (int)sizeof(scriptError)) != 0) {
        fprintf(stderr, "borrakezti-replay: %s: %s\n", s_options.scriptPath.c_str(), scriptError);
        return 2;
    }
    // A recorded play names the time seed it was played with; --time overrides it.
    long long recordedSeconds = 0;
    if (!s_options.timeGiven && ParseRecordingHeader(script.c_str(), &recordedSeconds, nullptr, 0) == 0)
        s_options.calendarSeconds = recordedSeconds;
    ScriptedSetCalendarSeconds(s_options.calendarSeconds);
    g_frameHook = AfterFrame;
    int result = WinMain();
    PrintStatus();
    if (result != 0) {
        fprintf(stderr, "borrakezti-replay: the runtime did not start\n");
        return 1;
    }
    return s_shotFailed ? 1 : 0;
}
