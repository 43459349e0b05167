// Font records, glyph cells and the font table: the text subsystem's state,
// shared by the font table, the glyph cache and string drawing.
#pragma once

#include <stdint.h>

#include "runtime/core/handles.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h" // FONT_TYPE_EDGE, FONT_TYPE_ANTIALIAS

#define FONT_CAPACITY 40
#define FONT_CELL_MIN 20
#define FONT_CELL_MAX 2024
#define FONT_CACHE_AREA 0x50000
#define FONT_STRING_MAX 512 // characters in one character list
#define FONT_BATCH_MAX 256  // characters fetched by one CacheGlyphs call

struct CharEntry;

struct GlyphCell {
    int16_t inUse;     // 1 while the cell holds a character
    int16_t originX;   // bitmap's offset from the pen
    int16_t top;       // bitmap's offset from the top of the line
    int16_t advance;   // pen movement after the character
    int32_t cellIndex; // fixed position in the cache bitmap; -1 ends the list
    int16_t width;     // bitmap width (cut to the cell)
    int16_t height;    // bitmap height (cut to the cell)
    CharEntry* owner;  // the character-table entry pointing here
};

struct CharEntry {
    int inUse;       // the character is cached
    GlyphCell* cell; // its cell
};

// The per-call pixel table of string drawing, kept while colours stay the same.
struct GlyphColorTable {
    int valid;           // the table below matches the key fields
    uint32_t textValue;  // key: text value
    uint32_t edgeValue;  // key: edge value
    int pixelKind;       // key: target kind
    int alphaTarget;     // key: target has an alpha channel
    uint32_t pixel[256]; // value written for each cache value
    uint8_t alpha[256];  // 0 = nothing written, 255 = opaque, else coverage (plain targets blend)
};

struct FontRecord {
    int check;                          // handle check number
    int* lostFlag;                      // set to 1 when the font is deleted; null by default
    GlyphCell cells[FONT_CELL_MAX + 1]; // cellCount cells and a terminator (cell index -1)
    CharEntry chars[65536];             // by 16-bit character code (first byte low)
    int nextCell;                       // cell the next cached character takes
    int cellCount;                      // 20..2024
    uint8_t* cache;                     // pixels of all cells, one column of squares
    int cacheRowBytes;                  // bytes of one cache row
    int cacheBitsPerPixel;              // 1 for type 0, 8 otherwise
    char faceName[256];                 // Shift-JIS face; empty = default face
    int thickness;                      // weight asked for is thickness * 100
    int size;                           // pixel height asked for
    int lineHeight;                     // text height (+ 2 edges), even
    int italic;                         // italic asked for
    int spacing;                        // extra pixels per advance
    int cellSize;                       // max width (+ 2 edges), multiple of 8
    PlatformFont* platformFont;         // the rasteriser's face
    int ascent;                         // the face's ascent in pixels
    int fontType;                       // 0..3: bit 0 edged, bit 1 anti-aliased
    int charSetIndex;                   // 0 default, 1 Shift-JIS, 2 Hangeul
    int edgeSize;                       // outline width in pixels
    int workImage;                      // GraphHandle of the blending image; -1 until made
    GlyphColorTable colors;             // last pixel table of string drawing
};

struct FontDefaults {
    char faceName[256]; // empty = default face
    int size;           // 16
    int thickness;      // 6
    int fontType;       // 0
    int charSetIndex;   // 1
    int edgeSize;       // 1
    int italic;         // 0
    int spacing;        // 0
};

struct FontSystem {
    HandleTable table;     // the 40 font slots, first free
    FontDefaults defaults; // set by the graphics set-up
    int defaultFont;       // handle made by InitFontSystem, -1 when none
};

extern FontSystem g_fontSystem;

// The record of a valid font handle, or null.
FontRecord* LookupFont(int font);
// Deletes a font without the public lock (used inside the runtime). 0 or -1.
int DeleteFontInternal(int font);
// Cells of a cache with this cell size: 0x50000 / size², kept within 20..2024.
int FontCellCount(int cellSize);
// Writes a glyph bitmap (1-bit rows for types 0 and 1, levels 0..16 otherwise)
// into a cell of the font's cache by its font type, outline included.
void WriteGlyphIntoCell(FontRecord* font, uint8_t* cell, const uint8_t* bitmap, int pitch, int width, int height);
// What one cache value of a font type writes: the pixel (alpha included for a
// target with alpha) and its coverage (0 = nothing, 255 = opaque).
void ComputeGlyphPixel(int fontType, int value, uint32_t text, uint32_t edge, int kind, int alphaTarget,
                       uint32_t* pixel, int* alpha);
// Forgets every cached character of the font. 0.
int ResetFontCacheRecord(FontRecord* font);
// Makes (or, after a screen change, makes again) the font's blending image. 0 or -1.
int EnsureFontWorkImage(FontRecord* font);
