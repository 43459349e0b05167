// The game-over scene: "GAME OVER", the scrolling stage behind the ranking table, and
// the three-letter name entry that ends by writing the ranking.
#include "game/game_state.h"

#include <stdio.h>

static void DrawRankingTable(void) {
    GameState& g = g_game;
    unsigned int white = MakeColor(255, 255, 255);
    DrawStringWithFont(120, 40, "TOP 5 PLAYER", white, g.font10, 0, 0);
    for (int i = 0; i < 5; i++) {
        int y = 60 + 20 * i;
        snprintf(g.textBuffer, sizeof(g.textBuffer), "%d", i + 1);
        DrawStringWithFont(108, y, g.textBuffer, white, g.font10, 0, 0);
        snprintf(g.textBuffer, sizeof(g.textBuffer), "%d", g.rankScore[i]);
        DrawStringWithFont(124, y, g.textBuffer, white, g.font10, 0, 0);
        if (i == g.rankEntryRow - 1 && g.frameCount % 24 < 12) {
            DrawStringWithFont(184 + 6 * g.rankEntryLetter, y, "_", white, g.font10, 0, 0);
        } else {
            for (int k = 0; k < 3; k++) {
                snprintf(g.textBuffer, sizeof(g.textBuffer), "%c", g.rankName[i][k]);
                DrawStringWithFont(184 + 6 * k, y, g.textBuffer, white, g.font10, 0, 0);
            }
        }
    }
}

static void EnterName(void) {
    GameState& g = g_game;
    if (g.rankEntryRow < 1 || g.rankEntryRow > 5 || g.rankEntryLetter < 0 || g.rankEntryLetter > 2) return;
    char& c = g.rankName[g.rankEntryRow - 1][g.rankEntryLetter];
    if (g.padNow == PAD_DOWN) c = (char)(c + 1);
    else if (g.padNow == PAD_UP) c = (char)(c - 1);
    if (c == 0x40) c = 'Z';
    else if (c == 0x5B) c = 'A';
    if (IsLoneActionButton(g.padNow) || g.padNow == PAD_RIGHT) g.rankEntryLetter++;
    else if (g.padNow == PAD_LEFT && g.rankEntryLetter > 0) g.rankEntryLetter--;
    if (g.rankEntryLetter == 3) {
        g.rankEntryRow = 0;
        g.rankEntryLetter = 0;
        WriteRanking();
    }
}

void UpdateGameOver(void) {
    GameState& g = g_game;
    unsigned int white = MakeColor(255, 255, 255);
    if (g.rankEntryRow == 0) {
        g.scrollPeriod = 1;
        g.scrollA--;
        g.scrollB--;
        DrawStringWithFont(24, 1, "GAME", white, g.font20, 0, 0);
        DrawStringWithFont(24, 21, "OVER", white, g.font20, 0, 0);
    }
    if (g.idleFrames == 900) g.scene = SceneTitle;
    if (g.rankEntryRow == 0 && IsFreshPress()) {
        g.rankEntryRow = 0;
        g.rankEntryLetter = 0;
        g.scene = SceneTitle;
    }
    if (g.scrollA < -240) {
        g.scrollA = 240;
        g.stageNumber++;
        LoadStage();
    }
    if (g.scrollB < -240) {
        g.scrollB = 240;
        g.stageNumber++;
        LoadStage();
    }
    DrawRankingTable();
    if (g.rankEntryRow != 0) {
        DrawStringWithFont(24, 1, "NEW", white, g.font20, 0, 0);
        DrawStringWithFont(24, 21, "RECORD", white, g.font20, 0, 0);
        DrawStringWithFont(104, 172, "ENTER YOUR NAME", white, g.font10, 0, 0);
        DrawStringWithFont(64, 188, "UP/DOWN: LETTER  Z/ENTER: NEXT", white, g.font10, 0, 0);
    }
    if (g.rankEntryRow != 0 && g.padPrev == 0) EnterName();
    if (g.rankEntryRow == 0) g.idleFrames++;
    g.frameCount++;
}
