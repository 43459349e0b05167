// The header line of a recorded play, shared by the game that writes it and the
// replay tool that reads it back.
#pragma once

// Starts the header; a '#' line is a comment to the script reader.
static const char kRecordingHeaderTag[] = "# borrakezti-recording";

// The header line (ending in a newline) for the game's version and time seed.
void FormatRecordingHeader(char* out, int size, int seconds);
// The time seed (and version, if wanted) of a script that starts with the header.
// 0, or -1 when it does not.
int ParseRecordingHeader(const char* script, long long* seconds, char* version, int versionSize);
// The game's state as one line "frame=F scene=S score=P lives=L stage=K x=X y=Y
// vy=V cond=C" (no newline), as the replay tool prints it and a recording ends.
void FormatStatusLine(char* out, int size, int frame);
