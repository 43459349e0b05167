// The glyph cache: characters rasterised into fixed square cells handed out
// strictly in turn, written by font type (1-bit, grey levels, outlines).
#include <string.h>

#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/text/font_state.h"
#include "runtime/text/text.h"

namespace {

// Outline masks for edge sizes 2, 3 and 4 (row v + e, column u + e).
const char* const kEdgeMask2[] = {"01110", "11111", "11111", "11111", "01110"};
const char* const kEdgeMask3[] = {"0001000", "0111110", "0111110", "1111111", "0111110", "0111110", "0001000"};
const char* const kEdgeMask4[] = {"001111100", "011111110", "111111111", "111111111", "111111111",
                                  "111111111", "111111111", "011111110", "001111100"};

struct Offset {
    int u, v;
};

// The neighbourhood of a glyph pixel for an edge size: offsets into out, count returned.
int EdgeNeighbourhood(int e, Offset* out, int capacity) {
    int n = 0;
    if (e <= 0) return 0;
    if (e == 1) {
        const Offset plus[4] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        for (const Offset& o : plus) out[n++] = o;
        return n;
    }
    const char* const* mask = e == 2 ? kEdgeMask2 : e == 3 ? kEdgeMask3 : e == 4 ? kEdgeMask4 : nullptr;
    for (int v = -e; v <= e; v++)
        for (int u = -e; u <= e; u++)
            if ((!mask || mask[v + e][u + e] == '1') && n < capacity) out[n++] = {u, v};
    return n;
}

// Writes a fetched glyph bitmap into its cell by font type; nothing lands
// outside the cell.
} // namespace

void WriteGlyphIntoCell(FontRecord* font, uint8_t* cell, const uint8_t* bitmap, int pitch, int width, int height) {
    int cs = font->cellSize;
    int type = font->fontType;
    if (type == 0) {
        int bytes = pitch < font->cacheRowBytes ? pitch : font->cacheRowBytes;
        for (int y = 0; y < height && y < cs; y++)
            memcpy(cell + (long)y * font->cacheRowBytes, bitmap + (long)y * pitch, (size_t)bytes);
        return;
    }
    if (type == FONT_TYPE_ANTIALIAS) {
        for (int y = 0; y < height && y < cs; y++)
            for (int x = 0; x < width && x < cs; x++) {
                int v = bitmap[(long)y * pitch + x];
                if (v >= 1) cell[(long)y * cs + x] = (uint8_t)((v > 16 ? 16 : v) - 1);
            }
        return;
    }
    int e = font->edgeSize;
    static Offset offsets[(2 * 64 + 1) * (2 * 64 + 1)];
    int count = EdgeNeighbourhood(e, offsets, (int)(sizeof offsets / sizeof offsets[0]));
    int grey = (type & FONT_TYPE_ANTIALIAS) != 0;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            int v;
            if (grey) {
                v = bitmap[(long)y * pitch + x];
                if (v < 1) continue;
                if (v > 16) v = 16;
            } else {
                if (!((bitmap[(long)y * pitch + (x >> 3)] >> (7 - (x & 7))) & 1)) continue;
                v = 1;
            }
            int cx = x + e, cy = y + e;
            if (!grey) {
                if (cx < cs && cy < cs) cell[(long)cy * cs + cx] = 1;
                for (int i = 0; i < count; i++) {
                    int px = cx + offsets[i].u, py = cy + offsets[i].v;
                    if (px < 0 || py < 0 || px >= cs || py >= cs) continue;
                    uint8_t* p = &cell[(long)py * cs + px];
                    if (*p != 1) *p = 2;
                }
            } else {
                int b = v - 1;
                if (cx < cs && cy < cs) {
                    uint8_t* p = &cell[(long)cy * cs + cx];
                    *p = (uint8_t)((*p & 0xF0) | b);
                }
                for (int i = 0; i < count; i++) {
                    int px = cx + offsets[i].u, py = cy + offsets[i].v;
                    if (px < 0 || py < 0 || px >= cs || py >= cs) continue;
                    uint8_t* p = &cell[(long)py * cs + px];
                    if ((*p >> 4) < b) *p = (uint8_t)((*p & 0x0F) | (b << 4));
                }
            }
        }
    }
}

int FontCellCount(int cellSize) {
    if (cellSize <= 0) return FONT_CELL_MAX;
    long long cells = FONT_CACHE_AREA / ((long long)cellSize * cellSize);
    if (cells < FONT_CELL_MIN) cells = FONT_CELL_MIN;
    if (cells > FONT_CELL_MAX) cells = FONT_CELL_MAX;
    return (int)cells;
}

GlyphCell* CacheGlyphs(int count, const unsigned char* chars, int handle) {
    FontRecord* font = LookupFont(handle);
    if (!font || !chars || count <= 0) return nullptr;
    if (!font->platformFont) FatalExit(SJ("テキストキャッシュサーフェスのＤＣの取得に失敗しました"));
    int gray = (font->fontType & FONT_TYPE_ANTIALIAS) != 0;
    int edges = (font->fontType & FONT_TYPE_EDGE) ? font->edgeSize * 2 : 0;
    long cellBytes = (long)font->cacheRowBytes * font->cellSize;
    GlyphCell* last = nullptr;
    for (int i = 0; i < count; i++) {
        const unsigned char* ch = chars + i * 3;
        GlyphCell* cell = &font->cells[font->nextCell];
        if (cell->inUse) {
            if (cell->owner) {
                cell->owner->inUse = 0;
                cell->owner->cell = nullptr;
            }
            cell->inUse = 0;
        }
        CharEntry* entry = &font->chars[ch[0] | ch[1] << 8];
        // A character already cached elsewhere in the same batch leaves its old cell.
        if (entry->inUse && entry->cell && entry->cell != cell) {
            entry->cell->inUse = 0;
            entry->cell->owner = nullptr;
        }
        entry->inUse = 1;
        entry->cell = cell;
        cell->owner = entry;
        cell->inUse = 1;
        uint8_t* pixels = font->cache + cellBytes * cell->cellIndex;
        memset(pixels, 0, (size_t)cellBytes);

        unsigned int code = ch[1] ? (unsigned int)ch[0] << 8 | ch[1] : ch[0];
        // Keys of UTF-8 text that the character set lacks name Unicode directly.
        uint32_t unicode = CodePointOfExtendedKey(ch[0], ch[1]);
        if (unicode) code = PLATFORM_GLYPH_UNICODE | unicode;
        PlatformGlyphMetrics gm;
        int size = PlatformGetGlyph(font->platformFont, code, gray, &gm, nullptr, 0);
        if (size < 0) FatalExit(SJ("GetGlyphOutline 関数が失敗しました"));
        int space = (ch[0] == 0x20 && ch[1] == 0) || (ch[0] == 0x81 && ch[1] == 0x40);
        cell->advance = (int16_t)gm.advance;
        cell->originX = 0;
        cell->top = 0;
        cell->width = 0;
        cell->height = 0;
        if (!space && size > 0 && gm.blackBoxY > 0) {
            int pitch = size / gm.blackBoxY / 4 * 4;
            uint8_t* buffer = (uint8_t*)RT_CALLOC((long)pitch * 2 + size);
            if (!buffer) FatalExit(SJ("アンチエイリアス文字取得用バッファの確保に失敗しました"));
            // One guard row before and after the bitmap.
            uint8_t* bitmap = buffer + pitch;
            if (PlatformGetGlyph(font->platformFont, code, gray, &gm, bitmap, size) < 0)
                FatalExit(SJ("GetGlyphOutline 関数が失敗しました"));
            cell->originX = (int16_t)gm.originX;
            cell->top = (int16_t)(font->ascent - gm.originY);
            cell->width = (int16_t)gm.blackBoxX;
            cell->height = (int16_t)gm.blackBoxY;
            WriteGlyphIntoCell(font, pixels, bitmap, pitch, gm.blackBoxX, gm.blackBoxY);
            RT_FREE(buffer);
        }
        if (edges) {
            cell->advance = (int16_t)(cell->advance + edges);
            if (cell->width || cell->height) {
                cell->width = (int16_t)(cell->width + edges);
                cell->height = (int16_t)(cell->height + edges);
            }
        }
        // What lies beyond the cell was cut off when it was written.
        if (cell->width > font->cellSize) cell->width = (int16_t)font->cellSize;
        if (cell->height > font->cellSize) cell->height = (int16_t)font->cellSize;
        last = cell;
        font->nextCell = font->nextCell + 1 >= font->cellCount ? 0 : font->nextCell + 1;
    }
    return last;
}
