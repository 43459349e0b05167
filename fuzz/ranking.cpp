// The ranking reader: the input as "score.dat", read, drawn in the game-over scene with
// a name entry driven by the input's bytes, and written back; what is written must read
// back to the same table.
#include "fuzz/fuzz_game_support.h"
#include "fuzz/fuzz_support.h"

#include "runtime/core/memory.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void CheckRoundTrip(void) {
    int scores[5];
    char names[5][3];
    memcpy(scores, g_game.rankScore, sizeof(scores));
    memcpy(names, g_game.rankName, sizeof(names));
    WriteRanking();
    memset(g_game.rankScore, 0x5A, sizeof(g_game.rankScore));
    memset(g_game.rankName, 0x5A, sizeof(g_game.rankName));
    ReadRanking();
    if (memcmp(scores, g_game.rankScore, sizeof(scores)) != 0 || memcmp(names, g_game.rankName, sizeof(names)) != 0) {
        fprintf(stderr, "the written ranking reads back differently\n");
        abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartGame();
    int before = TrackedBlockCount();
    FuzzWriteScratchFile("score.dat", data, size);
    FuzzFreshGameState();
    ReadRanking();
    CheckRoundTrip();

    // A run's score from the input's tail, then the name entry.
    int s = 0;
    for (size_t i = size > 4 ? size - 4 : 0; i < size; i++) s = (s << 8) | data[i];
    InsertRankingScore(s);
    g_game.scene = SceneGameOver;
    static const int pads[] = {0, PAD_DOWN, PAD_UP, PAD_RIGHT, PAD_LEFT, 0x10, 0};
    for (int frame = 0; frame < 8 && g_game.scene == SceneGameOver; frame++) {
        g_game.padNow = pads[size ? data[frame % size] % 7 : 0];
        UpdateGameOver(); // draws the table; the playfield behind it reads nothing of ours
        g_game.padPrev = g_game.padNow;
        g_game.frameCount++;
    }
    CheckRoundTrip();
    FuzzCheckTrackedBlocks(before, "ranking");
    return 0;
}
