// The executable's entry on the desktop backend: the game's WinMain does everything.
#include <stdio.h>
#include <string.h>

#include "game/game_state.h"
#include "runtime/runtime.h"

// The window icon's image bytes, compiled in from the generated icon.
extern const unsigned char kIconResource[];
extern const int kIconResourceSize;

int main(int argc, char** argv)
{
    // --record FILE: the player's input goes to FILE as a replay script.
    if (argc == 3 && strcmp(argv[1], "--record") == 0 && OpenRecording(argv[2]) != 0) {
        fprintf(stderr, "borrakezti: cannot write %s\n", argv[2]);
        return 1;
    }
    RegisterIconResource(101, kIconResource, kIconResourceSize);
    return WinMain() == 0 ? 0 : 1;
}
