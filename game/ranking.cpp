// The five-row ranking: inserting a run's score, and the file "score.dat" (five records
// of a 32-bit little-endian score and three name bytes).
#include "game/game_files.h"
#include "game/game_state.h"
#include "game/save_folder.h"

#include <stdio.h>
#include <string.h>

enum { RankRows = 5, RankRecordSize = 7, RankFileSize = RankRows * RankRecordSize };

void ResetRanking(void) {
    static const int scores[RankRows] = {500, 400, 300, 200, 100};
    static const char names[RankRows][4] = {"KOA", "RUM", "TAV", "ZEP", "NOX"};
    for (int i = 0; i < RankRows; i++) {
        g_game.rankScore[i] = scores[i];
        memcpy(g_game.rankName[i], names[i], 3);
    }
}

// Moves rows row..3 down by one (row 4 is lost) and puts s with "AAA" at row.
static void EnterRow(int row, int s) {
    for (int i = RankRows - 1; i > row; i--) {
        g_game.rankScore[i] = g_game.rankScore[i - 1];
        memcpy(g_game.rankName[i], g_game.rankName[i - 1], 3);
    }
    g_game.rankScore[row] = s;
    memcpy(g_game.rankName[row], "AAA", 3);
    g_game.rankEntryRow = row + 1;
}

void InsertRankingScore(int s) {
    int* rank = g_game.rankScore;
    if (s > rank[0]) EnterRow(0, s);
    if (s > rank[1] && s < rank[0]) EnterRow(1, s);
    if (s > rank[2] && s < rank[1]) EnterRow(2, s);
    if (s > rank[3] && s < rank[2]) EnterRow(3, s);
    if (s > rank[4] && s < rank[3]) EnterRow(4, s);
}

void ReadRanking(void) {
    char path[600];
    FILE* file = OpenGameFileForReading(SaveFilePath("score.dat", path, (int)sizeof(path)));
    if (!file) {
        ResetRanking();
        return;
    }
    // Read field by field; a short file leaves the fields after its end unchanged.
    for (int i = 0; i < RankRows; i++) {
        if (ReadLittleEndian32(file, &g_game.rankScore[i]) < 4) break;
        if (fread(g_game.rankName[i], 1, 3, file) < 3) break;
    }
    fclose(file);
}

void WriteRanking(void) {
    unsigned char bytes[RankFileSize];
    for (int i = 0; i < RankRows; i++) {
        unsigned char* record = bytes + i * RankRecordSize;
        StoreLittleEndian32(record, g_game.rankScore[i]);
        memcpy(record + 4, g_game.rankName[i], 3);
    }
    // Failure leaves the previous ranking file as it was; the player is told.
    char path[600];
    if (ReplaceGameFile(SaveFilePath("score.dat", path, (int)sizeof(path)), bytes, RankFileSize) != 0)
        fprintf(stderr, "borrakezti: the ranking was not saved: %s\n", GameFileWriteError());
}
