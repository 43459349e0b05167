// The executable's entry on the desktop backend: the game's WinMain does everything.
#include "game/game_state.h"

int main(void)
{
    return WinMain() == 0 ? 0 : 1;
}
