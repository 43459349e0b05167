// Command line of the replay tool: the script, the frame limit, screenshots, the
// calendar seconds, the trace switch and the save folder.
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
    std::string saveDir;           // --save-dir DIR, "" = a fresh scratch folder
    bool help = false;             // --help: print the usage and stop
    bool version = false;          // --version: print the version and stop
};

// The usage text printed by --help.
extern const char kReplayUsage[];

// Fills options from argv; false with a one-line message in error on bad usage.
bool ParseReplayOptions(int argc, char** argv, ReplayOptions& options, std::string& error);
