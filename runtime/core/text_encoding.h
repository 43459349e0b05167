// The encoding of the strings callers pass (SetTextEncoding) and the rules that
// read them: a strict UTF-8 decoder, and conversion of a caller's name or caption
// into the Shift-JIS the runtime keeps.
#pragma once

#include <stdint.h>

// TEXT_ENCODING_SHIFT_JIS or TEXT_ENCODING_UTF8 (no lock taken).
int CurrentTextEncoding(void);
// One character of UTF-8 from at most `available` bytes, stopping at a NUL: its
// code point, or 0xFFFD for an invalid or cut-off sequence. *used receives the
// bytes taken: at least 1 when available > 0, and never past a byte that is not a
// continuation of the sequence.
uint32_t DecodeUtf8(const unsigned char* bytes, int available, int* used);
// A caller's text in the current encoding as Shift-JIS (CP932) into out,
// NUL-terminated, at most outSize bytes; characters Shift-JIS lacks become '?'.
void CallerTextToSjis(const char* text, char* out, int outSize);
// A caller's text in the current encoding as UTF-8 (the caption the platform
// shows), NUL-terminated and cut at a whole character; an invalid UTF-8 sequence
// becomes U+FFFD.
void CallerTextToUtf8(const char* text, char* out, int outSize);
// The reverse, for texts handed back to the caller (a face name): Shift-JIS into
// the current encoding, cut at a whole character.
void SjisToCallerText(const char* sjis, char* out, int outSize);
