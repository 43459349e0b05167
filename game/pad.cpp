// Menu input rules: a lone action button, and a fresh press of one.
#include "game/game_state.h"

bool IsLoneActionButton(int pad)
{
    switch (pad) {
    case 0x10: case 0x20: case 0x40: case 0x80: case 0x100: case 0x200: case 0x2000:
        return true;
    default:
        return false;
    }
}

bool IsFreshPress(void)
{
    return g_game.padPrev == 0 && IsLoneActionButton(g_game.padNow);
}
