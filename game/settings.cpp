// The settings file "config.ini": the window mode as 4 raw little-endian bytes.
#include "game/game_files.h"
#include "game/game_state.h"
#include "game/save_folder.h"

void ReadSettings(void) {
    char path[600];
    FILE* file = OpenGameFileForReading(SaveFilePath("config.ini", path, (int)sizeof(path)));
    if (!file) {
        g_game.windowMode = ModeWindow320;
        return;
    }
    // A short file replaces only the leading bytes it has.
    ReadLittleEndian32(file, &g_game.windowMode);
    fclose(file);
}

void WriteSettings(void) {
    unsigned char bytes[4];
    StoreLittleEndian32(bytes, g_game.windowMode);
    // Failure leaves the previous file as it was; the game goes on, but says so.
    char path[600];
    if (ReplaceGameFile(SaveFilePath("config.ini", path, (int)sizeof(path)), bytes, 4) != 0)
        fprintf(stderr, "borrakezti: the setting was not saved: %s\n", GameFileWriteError());
}
