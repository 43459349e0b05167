// Menu input rules: a lone action button, a fresh press of one, and Enter as Z.
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

// Enter chooses wherever Z chooses; in play, where Z jumps, it does nothing. The
// runtime's pad bits stay as they are: the game reads the two Enter keys itself.
int EnterAsChooseBit(void)
{
    enum { KeyReturn = 0x1C, KeyPadEnter = 0x9C, ChooseBit = 0x10 };
    if (g_game.scene == ScenePlay)
        return 0;
    return CheckKeyDown(KeyReturn) || CheckKeyDown(KeyPadEnter) ? ChooseBit : 0;
}
