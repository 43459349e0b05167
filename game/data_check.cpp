// After the first loads: pictures, fonts and sounds that did not load mean the game's
// data is missing or damaged, and a black, silent screen would not say so.
#include "game/game_state.h"

#include <stdio.h>
#include <string.h>

// Appends name to the list in out, separated by ", ".
static void AddName(char* out, size_t size, const char* name) {
    size_t used = strlen(out);
    snprintf(out + used, size - used, "%s%s", used ? ", " : "", name);
}

// A sound that did not load is missing data when its file cannot be read, or when
// other sounds did load (so there is a device and this one is damaged). With no
// sound device at all every sound fails while its file reads fine: the game plays silent.
static bool SoundDataMissing(SoundHandle handle, const char* path, bool deviceWorks) {
    if (handle != -1) return false;
    if (deviceWorks) return true;
    void* image = nullptr;
    int size = 0;
    if (LoadSoundFileToMemory(path, &image, &size) != 0) return true;
    FreeSoundFileImage(image);
    return false;
}

int CheckGameData(void) {
    const GameState& g = g_game;
    const struct {
        GraphHandle handle;
        const char* path;
    } pictures[] = {
        {g.titleGraph, "bkt\\graphic\\title.bmp"},   {g.blockGraph, "bkt\\graphic\\block.bmp"},
        {g.charaGraph, "bkt\\graphic\\chara.bmp"},   {g.stage1Graph, "bkt\\graphic\\stage1.png"},
        {g.shadowGraph, "bkt\\graphic\\shadow.png"}, {g.stage2Graph, "bkt\\graphic\\stage2.bmp"},
        {g.howToGraph, "bkt\\graphic\\setume.bmp"},
    };
    const struct {
        SoundHandle handle;
        const char* path;
    } sounds[] = {
        {g.bgmSound, "bkt\\wav\\bgm.ogg"},     {g.jumpSound, "bkt\\wav\\jump.wav"},
        {g.jumpdSound, "bkt\\wav\\jumpd.wav"}, {g.siboSound, "bkt\\wav\\sibo.wav"},
        {g.bom35Sound, "bkt\\wav\\bom35.wav"}, {g.bosu35Sound, "bkt\\wav\\bosu35.wav"},
    };
    char missing[600] = "";
    for (const auto& p : pictures)
        if (p.handle == -1) AddName(missing, sizeof(missing), p.path);
    bool deviceWorks = false;
    for (const auto& s : sounds) deviceWorks = deviceWorks || s.handle != -1;
    for (const auto& s : sounds)
        if (SoundDataMissing(s.handle, s.path, deviceWorks)) AddName(missing, sizeof(missing), s.path);
    if (missing[0]) {
        fprintf(stderr,
                "borrakezti: the game data is missing or damaged: cannot load %s (the game reads the folder "
                "bkt or the archive bkt.data in the folder it runs in)\n",
                missing);
        return -1;
    }
    if (g.font20 == -1 || g.font10 == -1 || g.font32 == -1) {
        fprintf(stderr, "borrakezti: no font could be made: is fontconfig with a font installed?\n");
        return -1;
    }
    return 0;
}
