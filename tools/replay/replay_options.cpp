// Parsing of the replay tool's command line.
#include "tools/replay/replay_options.h"

#include <stdlib.h>
#include <string.h>

const char kReplayUsage[] =
    "usage: borrakezti-replay --script FILE [--frames N] [--shot FRAME:PATH.png]...\n"
    "                         [--time SECONDS] [--trace] [--save-dir DIR]\n"
    "Runs the game headless in the current folder (which holds the game's data),\n"
    "with keys from the input script, and prints the game's state at the end.\n"
    "  --script FILE        lines \"FRAME KEY KEY ...\": keys held from that frame on\n"
    "  --frames N           stop after N presented frames (default: when the game ends)\n"
    "  --shot FRAME:PATH    save the picture of frame FRAME (from 0) as PNG; repeatable\n"
    "  --time SECONDS       calendar seconds the game seeds its random numbers with (0)\n"
    "  --trace              print the state after every frame\n"
    "  --save-dir DIR       read and write config.ini and score.dat in DIR (default: a\n"
    "                       fresh scratch folder, so the player's files are never touched)\n"
    "  --help, --version    print this text or the version and exit\n";

static bool ParseInt(const char* text, long long& value) {
    char* end = nullptr;
    value = strtoll(text, &end, 10);
    return end != text && *end == 0;
}

bool ParseReplayOptions(int argc, char** argv, ReplayOptions& options, std::string& error) {
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long long number = 0;
        if (strcmp(arg, "--trace") == 0) {
            options.trace = true;
            continue;
        }
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            options.help = true;
            return true;
        }
        if (strcmp(arg, "--version") == 0) {
            options.version = true;
            return true;
        }
        bool known = strcmp(arg, "--script") == 0 || strcmp(arg, "--frames") == 0 || strcmp(arg, "--time") == 0 ||
                     strcmp(arg, "--shot") == 0 || strcmp(arg, "--save-dir") == 0;
        if (!known) {
            error = std::string("unknown option: ") + arg;
            return false;
        }
        // A following option is never taken for the value.
        if (!value || !value[0] || strncmp(value, "--", 2) == 0) {
            error = std::string("missing value after ") + arg;
            return false;
        }
        i++;
        if (strcmp(arg, "--script") == 0) {
            options.scriptPath = value;
        } else if (strcmp(arg, "--save-dir") == 0) {
            options.saveDir = value;
        } else if (strcmp(arg, "--frames") == 0) {
            if (!ParseInt(value, number) || number < 0 || number > 0x7FFFFFFF) {
                error = std::string("bad frame count: ") + value;
                return false;
            }
            options.frames = (int)number;
        } else if (strcmp(arg, "--time") == 0) {
            if (!ParseInt(value, number)) {
                error = std::string("bad time: ") + value;
                return false;
            }
            options.calendarSeconds = number;
            options.timeGiven = true;
        } else {
            const char* colon = strchr(value, ':');
            std::string frameText = colon ? std::string(value, colon) : std::string();
            if (!colon || !colon[1] || !ParseInt(frameText.c_str(), number) || number < 0 || number > 0x7FFFFFFF) {
                error = std::string("bad shot (FRAME:PATH.png): ") + value;
                return false;
            }
            options.shots.push_back(ReplayShot{(int)number, colon + 1});
        }
    }
    if (options.scriptPath.empty()) {
        error = "--script FILE is required";
        return false;
    }
    for (const ReplayShot& shot : options.shots) {
        if (options.frames > 0 && shot.frame >= options.frames) {
            error = "shot frame " + std::to_string(shot.frame) + " lies beyond the last frame (" +
                    std::to_string(options.frames - 1) + ")";
            return false;
        }
    }
    return true;
}
