// The text subsystem's internal entry points: the font system's life with the
// screen, the glyph cache and the string drawing core.
#pragma once

#include <stdint.h>

#include "runtime/graphics/color_format.h"

struct GlyphCell;

// Graphics set-up: the default font settings (empty face, size 16, thickness 6,
// type 0, Shift-JIS, edge 1, upright, no spacing).
void SetDefaultFontSettings(void);
// Graphics set-up, after the graphics are usable: deletes every font and makes
// the default one. 0, or -1 when graphics are not set up.
int InitFontSystem(void);
// Graphics shutdown and the screen set-up: deletes every font.
void DeleteAllFonts(void);
// The full-screen restore: makes every font again under its own handle.
void RecreateAllFonts(void);
// 1 when the byte at text starts a double-byte character of the character set.
int IsLeadByte(const unsigned char* text, int charSetIndex);
// The glyph-cache key (first, second byte) of a Unicode code point for a font of
// the character set: the set's own code when it has the character, else a key
// of UTF-8 text alone (first byte below 0x80, second byte non-zero).
void CharKeyOfCodePoint(uint32_t codePoint, int charSetIndex, unsigned char* first, unsigned char* second);
// The code point behind such a UTF-8-only key, or 0 when the key is not one.
uint32_t CodePointOfExtendedKey(unsigned char first, unsigned char second);
// Rasterises count characters (3 bytes each: first byte, second byte or 0, 0)
// into the font's cache. The last cell filled, or null.
GlyphCell* CacheGlyphs(int count, const unsigned char* chars, int font);
// Splits up to length bytes of text (in the caller's encoding) into the character list (3 bytes per
// character, at most 512) and caches those not yet cached. Returns the number
// of characters; *bytesUsed (if given) receives the bytes they take.
int PrepareStringGlyphs(int font, const char* text, int length, unsigned char* list, int* bytesUsed);
// Mode 0 measures, 1 draws into target clipped to clip (left, top, right,
// bottom). length -1 = whole string. size (if given) receives (width, line
// height), or (line height, height) when vertical. Returns the advance in whole
// pixels, or -1 for an invalid font.
int DrawStringCore(int mode, int x, int y, const char* text, unsigned int color, MEMIMG* target, const int* clip,
                   int font, unsigned int edgeColor, int length, int vertical, int* size);
