// The settings file "config.ini": the window mode as 4 raw little-endian bytes.
#include "game/game_files.h"
#include "game/game_state.h"
#include "game/save_folder.h"

void ReadSettings(void)
{
    char path[600];
    FILE* file = OpenGameFileForReading(SaveFilePath("config.ini", path, (int)sizeof(path)));
    if (!file) {
        g_game.windowMode = 1;
        return;
    }
    // A short file replaces only the leading bytes it has.
    unsigned char bytes[4];
    size_t got = fread(bytes, 1, 4, file);
    unsigned int mode = (unsigned int)g_game.windowMode;
    for (size_t i = 0; i < got; i++)
        mode = (mode & ~(0xFFu << (8 * i))) | ((unsigned int)bytes[i] << (8 * i));
    g_game.windowMode = (int)mode;
    fclose(file);
}

void WriteSettings(void)
{
    unsigned int mode = (unsigned int)g_game.windowMode;
    unsigned char bytes[4] = {(unsigned char)mode, (unsigned char)(mode >> 8),
                              (unsigned char)(mode >> 16), (unsigned char)(mode >> 24)};
    // Failure leaves the previous file as it was; the game goes on, but says so.
    char path[600];
    if (ReplaceGameFile(SaveFilePath("config.ini", path, (int)sizeof(path)), bytes, 4) != 0)
        fprintf(stderr, "borrakezti: the setting was not saved: %s\n", GameFileWriteError());
}
