// borrakezti-replay: runs the real game in the current directory on the scripted
// backend, with keys from an input script, and reports the game's state.
#include "game/game_state.h"
#include "game/save_folder.h"
#include "game/recording.h"
#include "tools/replay/replay_options.h"

#include <borra/scripted.h>

#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

static ReplayOptions s_options;
static bool s_shotFailed = false;
static std::vector<bool> s_shotTaken; // one flag per --shot

static void PrintStatus(void) {
    char line[200];
    FormatStatusLine(line, sizeof line, ScriptedPresentCount());
    printf("%s\n", line);
    fflush(stdout);
}

// Runs after every presented frame: screenshots, trace, and the frame limit.
static int AfterFrame(void) {
    int presented = ScriptedPresentCount();
    for (size_t i = 0; i < s_options.shots.size(); i++) {
        const ReplayShot& shot = s_options.shots[i];
        if (shot.frame + 1 != presented) continue;
        s_shotTaken[i] = true;
        if (ScriptedSaveLastFrame(shot.path.c_str()) != 0) {
            fprintf(stderr, "borrakezti-replay: cannot save %s\n", shot.path.c_str());
            s_shotFailed = true;
        }
    }
    if (s_options.trace) PrintStatus();
    return s_options.frames > 0 && presented >= s_options.frames;
}

static bool ReadWholeFile(const char* path, std::string& text) {
    FILE* file = fopen(path, "rb");
    if (!file) return false;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, got);
    fclose(file);
    return true;
}

// A fresh folder for the run's "config.ini" and "score.dat", so a replay starts
// from the default setting and ranking and never touches the player's files.
static std::string MakeScratchFolder(void) {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) return std::string();
    // A name no other run holds: creating the folder is the test.
    unsigned seed = (unsigned)time(nullptr) ^ (unsigned)(uintptr_t)&ec;
    for (int attempt = 0; attempt < 100; attempt++) {
        char name[64];
        snprintf(name, sizeof name, "borrakezti-replay-%08x", seed + (unsigned)attempt * 2654435761u);
        fs::path folder = base / name;
        if (fs::create_directory(folder, ec)) {
            fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
            return folder.string();
        }
        if (ec) return std::string();
    }
    return std::string();
}

int main(int argc, char** argv) {
    std::string error;
    if (!ParseReplayOptions(argc, argv, s_options, error)) {
        fprintf(stderr, "borrakezti-replay: %s\n", error.c_str());
        fprintf(stderr, "Try 'borrakezti-replay --help' for more information.\n");
        return 2;
    }
    if (s_options.help) {
        fputs(kReplayUsage, stdout);
        return 0;
    }
    if (s_options.version) {
        printf("borrakezti-replay %s\n", BKT_VERSION);
        return 0;
    }
    std::error_code ec;
    if (!s_options.saveDir.empty() && !fs::is_directory(s_options.saveDir, ec)) {
        fprintf(stderr, "borrakezti-replay: the save folder %s does not exist\n", s_options.saveDir.c_str());
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
    std::string scratch;
    if (s_options.saveDir.empty()) {
        scratch = MakeScratchFolder();
        if (scratch.empty()) {
            fprintf(stderr, "borrakezti-replay: cannot make a scratch folder for the save files\n");
            return 1;
        }
    }
    SetSaveFolder(scratch.empty() ? s_options.saveDir.c_str() : scratch.c_str());
    // A recorded play names the time seed it was played with; --time overrides it.
    long long recordedSeconds = 0;
    if (!s_options.timeGiven && ParseRecordingHeader(script.c_str(), &recordedSeconds, nullptr, 0) == 0)
        s_options.calendarSeconds = recordedSeconds;
    ScriptedSetCalendarSeconds(s_options.calendarSeconds);
    s_shotTaken.assign(s_options.shots.size(), false);
    g_frameHook = AfterFrame;
    int result = WinMain();
    PrintStatus();
    if (!scratch.empty()) fs::remove_all(scratch, ec);
    if (result != 0) return 1; // the runtime or the game said why on stderr
    for (size_t i = 0; i < s_options.shots.size(); i++) {
        if (!s_shotTaken[i]) {
            fprintf(stderr, "borrakezti-replay: no shot of frame %d: the game ended after %d frames\n",
                    s_options.shots[i].frame, ScriptedPresentCount());
            s_shotFailed = true;
        }
    }
    return s_shotFailed ? 1 : 0;
}
