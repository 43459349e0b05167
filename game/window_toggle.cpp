// F11 and Alt+Enter switch between the desktop's full screen and a window, and
// the choice is saved in "config.ini" as the options screen saves it.
#include "game/game_state.h"

static int FullScreenKeysDown(void) {
    int alt = CheckKeyDown(KEY_CODE_LEFT_ALT) || CheckKeyDown(KEY_CODE_RIGHT_ALT);
    int enter = CheckKeyDown(KEY_CODE_RETURN) || CheckKeyDown(KEY_CODE_NUMPAD_ENTER);
    return CheckKeyDown(KEY_CODE_F11) || (alt && enter);
}

void CheckFullScreenToggle(void) {
    GameState& g = g_game;
    int down = FullScreenKeysDown();
    int fresh = down && !g.fullScreenKeysHeld;
    g.fullScreenKeysHeld = down;
    if (!fresh) return;
    // The music was deleted with the rest by the change: it goes on if it played.
    int musicPlayed = CheckSoundHandle(g.bgmSound) == 1;
    if (g.windowMode != ModeFullScreen) {
        g.lastWindowedMode = g.windowMode;
        SwitchWindowMode(ModeFullScreen);
    } else {
        // Started in full screen: the larger window.
        SwitchWindowMode(g.lastWindowedMode == ModeWindow320 ? ModeWindow320 : ModeWindow640);
    }
    if (musicPlayed) PlaySoundHandle(g.bgmSound, PLAY_LOOP, 1);
}
