// The save folder: a plain prefix in front of the settings and ranking file names.
#include "game/save_folder.h"

#include <stdio.h>

enum { SaveFolderMax = 512 };

static char s_saveFolder[SaveFolderMax]; // "" = the current folder

void SetSaveFolder(const char* folder) {
    snprintf(s_saveFolder, sizeof(s_saveFolder), "%s", folder ? folder : "");
}

const char* SaveFilePath(const char* name, char* out, int size) {
    if (s_saveFolder[0]) snprintf(out, (size_t)size, "%s/%s", s_saveFolder, name);
    else snprintf(out, (size_t)size, "%s", name);
    return out;
}
