// Sound loading from memory: PCM and compressed WAVE, Ogg Vorbis and MPEG frames
// through LoadSoundMemory, then a short play through the virtual device's mixer.
#include "fuzz/fuzz_support.h"

#include "runtime/core/memory.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartRuntime(false);
    if (size > 0x7FFFFFFF) return 0;
    int before = TrackedBlockCount();
    SoundHandle sound = LoadSoundMemory(data, (int)size, 1 + (int)(size % 3));
    if (sound != -1) {
        if (PlaySoundHandle(sound, PLAY_BACKGROUND, 1) == 0) {
            int16_t mixed[2 * 256];
            ScriptedMixAudio(mixed, 256);
        }
        DeleteSoundHandle(sound);
    }
    FuzzCheckTrackedBlocks(before, "sound load");
    return 0;
}
