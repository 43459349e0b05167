// The executable's entry on the desktop backend: the game's WinMain does everything.
#include "command_line.h"
#include "game_state.h"
#include "program_folder.h"
#include <borra/runtime.h>

// The window icon's image bytes, compiled in from the generated icon.
extern const unsigned char kIconResource[];
extern const int kIconResourceSize;

int main(int argc, char** argv) {
    int status = HandleGameCommandLine(argc, argv);
    if (status >= 0) return status;
    // Options name files from where the player stands; the game's own sit in its folder.
    EnterProgramFolder();
    RegisterIconResource(101, kIconResource, kIconResourceSize);
    SetNoDisplayHint(
        "to play without one, run the demo headless: borrakezti-replay --script demo.script "
        "in the game's folder, or scripts/run in the source folder");
    return WinMain() == 0 ? 0 : 1;
}
