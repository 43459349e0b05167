// The desktop game's command line: --help, --version and --record FILE;
// anything else is refused.
#pragma once

// Returns -1 when the game should start, else the exit status to leave with
// (0 after --help or --version, 2 after a bad option, with a line on stderr).
int HandleGameCommandLine(int argc, char** argv);
