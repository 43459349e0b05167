// Recorded play: every frame's input written as a script of the replay tool
// (a line "FRAME KEY ..." whenever the keys change), after a header line that
// names the game's version and the calendar seconds the game seeded with, so
// that the replay reaches the same frames; a last comment holds the end state.
#include <stdio.h>
#include <string.h>

#include "game/game_state.h"
#include "game/recording.h"

namespace {

struct PadKey {
    int bit;          // pad bit
    const char* name; // script key that sets it
};

// Escape is written by CloseRecording: it ends the frame loop before the pad is
// read. Controller buttons without a keyboard key are not recorded.
const PadKey kPadKeys[] = {
    {PAD_UP, "UP"},     {PAD_DOWN, "DOWN"}, {PAD_LEFT, "LEFT"},      {PAD_RIGHT, "RIGHT"}, {PAD_BUTTON1, "Z"},
    {PAD_BUTTON2, "X"}, {PAD_BUTTON3, "C"}, {PAD_BUTTON4, "A"},      {PAD_BUTTON5, "S"},   {PAD_BUTTON6, "D"},
    {PAD_BUTTON7, "Q"}, {PAD_BUTTON8, "W"}, {PAD_BUTTON10, "SPACE"},
};

struct Recording {
    FILE* file;   // open while recording
    int frame;    // frames whose input was recorded
    int lastKeys; // pad bits of the last line written, -1 before the first
};

Recording s_recording = {nullptr, 0, -1};

} // namespace

void FormatRecordingHeader(char* out, int size, int seconds) {
    snprintf(out, (size_t)size, "%s version=%s time=%d\n", kRecordingHeaderTag, BKT_GAME_VERSION, seconds);
}

int ParseRecordingHeader(const char* script, long long* seconds, char* version, int versionSize) {
    size_t tagLength = strlen(kRecordingHeaderTag);
    if (strncmp(script, kRecordingHeaderTag, tagLength) != 0 || script[tagLength] != ' ') return -1;
    char found[32] = "";
    long long value = 0;
    if (sscanf(script + tagLength, " version=%31s time=%lld", found, &value) != 2) return -1;
    *seconds = value;
    if (version && versionSize > 0) snprintf(version, (size_t)versionSize, "%s", found);
    return 0;
}

void FormatStatusLine(char* out, int size, int frame) {
    const GameState& g = g_game;
    snprintf(out, (size_t)size, "frame=%d scene=%d score=%d lives=%d stage=%d x=%d y=%d vy=%d cond=%d", frame, g.scene,
             g.score / 10, g.lives, g.stageNumber, g.playerX, g.playerY, g.playerVy, g.playerCondition);
}

int OpenRecording(const char* path) {
    s_recording.file = fopen(path, "wb");
    s_recording.frame = 0;
    s_recording.lastKeys = -1;
    return s_recording.file ? 0 : -1;
}

void RecordTimeSeed(int seconds) {
    if (!s_recording.file) return;
    char header[128];
    FormatRecordingHeader(header, sizeof header, seconds);
    fputs(header, s_recording.file);
}

void RecordFrameInput(int pad) {
    if (!s_recording.file) return;
    int keys = 0;
    for (const PadKey& key : kPadKeys) keys |= pad & key.bit;
    if (keys != s_recording.lastKeys) {
        fprintf(s_recording.file, "%d", s_recording.frame);
        for (const PadKey& key : kPadKeys)
            if (keys & key.bit) fprintf(s_recording.file, " %s", key.name);
        fputs(keys ? "\n" : " -\n", s_recording.file);
        s_recording.lastKeys = keys;
    }
    s_recording.frame++;
}

void CloseRecording(void) {
    if (!s_recording.file) return;
    // However the loop ended (Escape, the window closed, EXIT), the replay ends
    // at the same frame.
    fprintf(s_recording.file, "%d ESCAPE\n", s_recording.frame);
    // The state the game ended in, which the replay must reach.
    char status[200];
    FormatStatusLine(status, sizeof status, s_recording.frame);
    fprintf(s_recording.file, "# end %s\n", status);
    fclose(s_recording.file);
    s_recording.file = nullptr;
}
