// Menu input rules: a lone action button, and a fresh press of one.
#include "game/game_state.h"

bool IsLoneActionButton(int pad)
{
    switch (pad) {
    case PAD_BUTTON1: case PAD_BUTTON2: case PAD_BUTTON3: case PAD_BUTTON4: case PAD_BUTTON5:
    case PAD_BUTTON6: case PAD_BUTTON10:
        return true;
    default:
        return false;
    }
}

bool IsFreshPress(void)
{
    return g_game.padPrev == 0 && IsLoneActionButton(g_game.padNow);
}
