// Command line of the replay tool: the script, the frame limit, screenshots, the
// calendar seconds and the trace switch.
#pragma once

#include <string>
#include <vector>

struct ReplayShot {
    int frame;        // presented frame index (from 0) after which to save
    std::string path; // PNG file to write
};

struct ReplayOptions {
    std::string scriptPath;        // --script FILE
    int frames = 0;                // --frames N, 0 = until the game ends
    std::vector<ReplayShot> shots; // --shot FRAME:PATH.png, any number
    long long calendarSeconds = 0; // --time SECONDS, the game's seed
    bool timeGiven = false;        // --time was given (it overrides a recording's seed)
    bool trace = false;            // --trace: a status line after every frame
};

// Fills options from argv; false with a message in error on bad usage.
bool ParseReplayOptions(int argc, char** argv, ReplayOptions& options, std::string& error);
