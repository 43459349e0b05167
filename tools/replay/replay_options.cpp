// Parsing of the replay tool's command line.
#include "tools/replay/replay_options.h"

#include <stdlib.h>
#include <string.h>

static bool ParseInt(const char* text, long long& value)
{
    char* end = nullptr;
    value = strtoll(text, &end, 10);
    return end != text && *end == 0;
}

bool ParseReplayOptions(int argc, char** argv, ReplayOptions& options, std::string& error)
{
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long long number = 0;
        if (strcmp(arg, "--trace") == 0) {
            options.trace = true;
            continue;
        }
        if (!value) {
            error = std::string("missing value after ") + arg;
            return false;
        }
        i++;
        if (strcmp(arg, "--script") == 0) {
            options.scriptPath = value;
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
        } else if (strcmp(arg, "--shot") == 0) {
            const char* colon = strchr(value, ':');
            std::string frameText = colon ? std::string(value, colon) : std::string();
            if (!colon || !colon[1] || !ParseInt(frameText.c_str(), number) || number < 0 ||
                number > 0x7FFFFFFF) {
                error = std::string("bad shot (FRAME:PATH.png): ") + value;
                return false;
            }
            options.shots.push_back(ReplayShot{(int)number, colon + 1});
        } else {
            error = std::string("unknown option: ") + arg;
            return false;
        }
    }
    if (options.scriptPath.empty()) {
        error = "--script FILE is required";
        return false;
    }
    return true;
}
