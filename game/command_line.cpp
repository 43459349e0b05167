// The game takes usage, version and --record FILE; a mistyped option gets a
// one-line error and a hint instead of being ignored.
#include "game/command_line.h"
#include "game/game_state.h"

#include <stdio.h>
#include <string.h>

static const char kGameUsage[] =
    "usage: borrakezti [--help] [--version] [--record FILE]\n"
    "Borra Kez Ti, a small arcade game: climb a night-time shaft that scrolls down.\n"
    "Arrows walk and choose, Z (or X, C, A, S, D, Space) jumps, Enter or Z chooses,\n"
    "Escape quits; F11 or Alt+Enter toggles full screen. --record FILE writes the\n"
    "play's input to FILE, which borrakezti-replay --script FILE plays back.\n"
    "The game reads its data from the current folder and keeps config.ini\n"
    "(display mode) and score.dat (ranking) there.\n"
    "Without a display, play the demo headless with borrakezti-replay or scripts/run.\n"
    "Environment: BORRA_LOG=stderr shows the runtime's log on the terminal,\n"
    "BORRA_LOG=off turns its log file off.\n";

int HandleGameCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(kGameUsage, stdout);
            return 0;
        }
        if (strcmp(argv[i], "--version") == 0) {
            printf("borrakezti %s\n", BKT_VERSION);
            return 0;
        }
        if (strcmp(argv[i], "--record") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0' || strncmp(argv[i + 1], "--", 2) == 0) {
                fprintf(stderr, "borrakezti: missing value after --record\n");
                fprintf(stderr, "Try 'borrakezti --help' for more information.\n");
                return 2;
            }
            if (OpenRecording(argv[i + 1]) != 0) {
                fprintf(stderr, "borrakezti: cannot write the recording %s\n", argv[i + 1]);
                return 1;
            }
            i++;
            continue;
        }
        fprintf(stderr, "borrakezti: unknown option: %s\n", argv[i]);
        fprintf(stderr, "Try 'borrakezti --help' for more information.\n");
        return 2;
    }
    return -1;
}
