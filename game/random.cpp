// The game's random generator: a 32-bit linear congruential state, 15-bit results.
#include "game/game_state.h"

// The state as it stands after the RandomSeed (1) made before WinMain runs.
static unsigned int s_randomState = 0x015A4E36u;

int RandomNext(void) {
    s_randomState = s_randomState * 0x015A4E35u + 1u;
    return (int)((s_randomState >> 16) & 0x7FFFu);
}

void RandomSeed(int seed) {
    s_randomState = (unsigned int)seed;
    RandomNext();
}

unsigned int RandomState(void) {
    return s_randomState;
}
