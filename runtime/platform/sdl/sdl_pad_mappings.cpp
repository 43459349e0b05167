// Controller mapping database: SDL knows the usual pads itself; users add their
// own through a mapping file or the environment, loaded before pads are opened
// so that a newly mapped pad opens as a game controller with the usual layout.
#include "runtime/platform/sdl/sdl_pad_mappings.h"

#include <SDL.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace {

// Longest mapping line we pass on; real ones stay under 512 bytes.
const size_t kMaxMappingLine = 4096;
// A mapping file larger than this is not a mapping file.
const long long kMaxMappingFile = 16ll * 1024 * 1024;

int AddMappingFile(const char* path) {
    if (!path || !path[0]) return 0;
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxMappingFile) return 0;
    int added = SDL_GameControllerAddMappingsFromFile(path);
    return added > 0 ? added : 0;
}

// Mappings one per line; comments and over-long lines are skipped.
int AddMappingLines(const char* text) {
    if (!text) return 0;
    int added = 0;
    char line[kMaxMappingLine];
    while (*text) {
        const char* end = strchr(text, '\n');
        size_t length = end ? (size_t)(end - text) : strlen(text);
        if (length > 0 && text[length - 1] == '\r') length--;
        if (length > 0 && length < sizeof line && text[0] != '#') {
            memcpy(line, text, length);
            line[length] = 0;
            if (SDL_GameControllerAddMapping(line) >= 0) added++;
        }
        if (!end) break;
        text = end + 1;
    }
    return added;
}

} // namespace

int SdlLoadPadMappings(void) {
    int added = 0;
    added += AddMappingFile(getenv("SDL_GAMECONTROLLERCONFIG_FILE"));
    added += AddMappingFile("gamecontrollerdb.txt");
    added += AddMappingLines(getenv("SDL_GAMECONTROLLERCONFIG"));
    return added;
}
