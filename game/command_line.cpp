// The game takes no options of its own besides usage and version; a mistyped one
// gets a one-line error and a hint instead of being ignored.
#include "game/command_line.h"

#include <stdio.h>
#include <string.h>

static const char kGameUsage[] =
    "usage: borrakezti [--help] [--version]\n"
    "Borra Kez Ti, a small arcade game: climb a night-time shaft that scrolls down.\n"
    "Arrows walk and choose, Z (or X, C, A, S, D, Space) jumps, Enter or Z chooses,\n"
    "Escape quits. The game reads its data from the current folder and keeps\n"
    "config.ini (display mode) and score.dat (ranking) there.\n"
    "Without a display, play the demo headless with borrakezti-replay or scripts/run.\n"
    "Environment: BORRA_LOG=stderr shows the runtime's log on the terminal,\n"
    "BORRA_LOG=off turns its log file off.\n";

int HandleGameCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(kGameUsage, stdout);
            return 0;
        }
        if (strcmp(argv[i], "--version") == 0) {
            printf("borrakezti %s\n", BKT_VERSION);
            return 0;
        }
        fprintf(stderr, "borrakezti: unknown option: %s\n", argv[i]);
        fprintf(stderr, "Try 'borrakezti --help' for more information.\n");
        return 2;
    }
    return -1;
}
