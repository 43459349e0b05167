// The executable's entry on the desktop backend: the game's WinMain does everything.
#include "game/command_line.h"
#include "game/game_state.h"
#include "runtime/runtime.h"

// The window icon's image bytes, compiled in from the generated icon.
extern const unsigned char kIconResource[];
extern const int kIconResourceSize;

int main(int argc, char** argv)
{
    int status = HandleGameCommandLine(argc, argv);
    if (status >= 0)
        return status;
    RegisterIconResource(101, kIconResource, kIconResourceSize);
    return WinMain() == 0 ? 0 : 1;
}
