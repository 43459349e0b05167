// Menu input rules: a lone action button, a fresh press of one, and Enter as Z.
#include "game/game_state.h"

bool IsLoneActionButton(int pad) {
    switch (pad) {
        case PAD_BUTTON1:
        case PAD_BUTTON2:
        case PAD_BUTTON3:
        case PAD_BUTTON4:
        case PAD_BUTTON5:
        case PAD_BUTTON6:
        case PAD_BUTTON10:
            return true;
        default:
            return false;
    }
}

bool IsFreshPress(void) {
    return g_game.padPrev == 0 && IsLoneActionButton(g_game.padNow);
}

// Enter chooses wherever Z chooses; in play, where Z jumps, it does nothing. The
// runtime's pad bits stay as they are: the game reads the two Enter keys itself.
int EnterAsChooseBit(void) {
    if (g_game.scene == ScenePlay) return 0;
    // Alt+Enter switches the display mode; it chooses nothing.
    if (CheckKeyDown(KEY_CODE_LEFT_ALT) || CheckKeyDown(KEY_CODE_RIGHT_ALT)) return 0;
    return CheckKeyDown(KEY_CODE_RETURN) || CheckKeyDown(KEY_CODE_NUMPAD_ENTER) ? PAD_BUTTON1 : 0;
}
