// The font table: creating fonts with their defaults and fall-backs, deleting
// them, the font system's life with the screen, and the small font queries.
#include <stdio.h>
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/core/text_encoding.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"
#include "runtime/text/font_state.h"
#include "runtime/text/text.h"

FontSystem g_fontSystem = {
    HANDLE_TABLE_INIT(HandleKindFont, FONT_CAPACITY, HandleFirstFree, 0),
    {{0}, 16, 6, 0, 1, 1, 0, 0},
    -1,
};

namespace {

// Platform character set of a character set index.
int PlatformCharSet(int index) {
    if (index == 1) return 128;
    if (index == 2) return 129;
    return 1;
}

// Puts a zeroed record into a given free slot with a given check number (the
// rebuild of a font under its old handle). The handle, or -1.
int PlaceFontRecord(int slot, int check, FontRecord** out) {
    HandleTable* table = &g_fontSystem.table;
    if (!table->slots || slot < 0 || slot >= table->capacity || table->slots[slot]) return -1;
    FontRecord* font = (FontRecord*)RT_CALLOC(sizeof(FontRecord));
    if (!font) return -1;
    font->check = check & 0x7FF;
    table->slots[slot] = font;
    table->usedCount++;
    if (slot >= table->slotEnd) table->slotEnd = slot + 1;
    *out = font;
    return EncodeHandle(HandleKindFont, font->check, slot);
}

// Platform font with the fall-backs of the face rules; null when none.
PlatformFont* MakePlatformFont(FontRecord* font, int charSetIndex) {
    int weight = font->thickness * 100;
    if (font->faceName[0]) {
        const int sets[3] = {PlatformCharSet(charSetIndex), 1, 128};
        for (int set : sets) {
            PlatformFont* made = PlatformCreateFont(font->faceName, font->size, weight, font->italic, set);
            if (made) return made;
        }
        LogWrite(SJ("指定のフォントの作成に失敗しました\n"));
        return nullptr;
    }
    PlatformFont* made = PlatformCreateFont("", font->size, weight, font->italic, PlatformCharSet(charSetIndex));
    if (!made) made = PlatformCreateFont("", font->size, weight, 0, 1);
    if (!made) LogWrite(SJ("フォントの作成に失敗しました\n"));
    return made;
}

int GraphicsUsable(void) {
    return g_screen.graphicsReady;
}

} // namespace

FontRecord* LookupFont(int font) {
    return (FontRecord*)LookupHandle(&g_fontSystem.table, font);
}

int IsLeadByte(const unsigned char* text, int charSetIndex) {
    if (!text) return 0;
    unsigned char b = *text;
    if (charSetIndex == 2) return b >= 0x80;
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

int EnsureFontWorkImage(FontRecord* font) {
    if (font->workImage != -1 && GetGraphSurfaceImage(font->workImage)) return 0;
    int width = 0, height = 0, depth = 0;
    GetScreenSize(&width, &height, &depth);
    if (width <= 0) width = 640;
    if (height <= 0) height = 480;
    font->workImage = CreateBlankGraph(width, height, (font->fontType & FONT_TYPE_ANTIALIAS) ? 1 : 0, 0);
    return font->workImage == -1 ? -1 : 0;
}

int ResetFontCacheRecord(FontRecord* font) {
    memset(font->chars, 0, sizeof font->chars);
    memset(font->cells, 0, sizeof font->cells);
    for (int i = 0; i < font->cellCount; i++) font->cells[i].cellIndex = i;
    font->cells[font->cellCount].cellIndex = -1;
    font->nextCell = 0;
    return 0;
}

int DeleteFontInternal(int handle) {
    FontRecord* font = LookupFont(handle);
    if (!font) return -1;
    if (font->platformFont) PlatformDeleteFont(font->platformFont);
    font->platformFont = nullptr;
    if (font->cache) RT_FREE(font->cache);
    font->cache = nullptr;
    if (font->workImage != -1 && LookupGraph(font->workImage)) ReleaseGraphInternal(font->workImage, 0);
    font->workImage = -1;
    if (font->lostFlag) *font->lostFlag = 1;
    if (g_fontSystem.defaultFont == handle) g_fontSystem.defaultFont = -1;
    return FreeHandle(&g_fontSystem.table, handle);
}

// The font of a Shift-JIS face name (the runtime's own calls keep the name so).
static FontHandle CreateFontFromSjis(const char* faceName, int size, int thickness, int fontType, int charSet,
                                     int edgeSize, int italic, int slot, int check) {
    API_LOCK();
    if (!GraphicsUsable()) return -1;
    // Defaults: only an edge size that was given turns the outline on.
    if (size == -1) size = 16;
    if (thickness == -1) thickness = 6;
    if (fontType == -1) fontType = 0;
    fontType &= FONT_TYPE_EDGE | FONT_TYPE_ANTIALIAS;
    if (edgeSize == -1) {
        edgeSize = 1;
    } else if (edgeSize > 0) {
        fontType |= FONT_TYPE_EDGE;
    }
    if (edgeSize < 0) edgeSize = 0;
    // Beyond this an outline is no longer a character's outline, and the cell
    // would not fit in memory.
    if (edgeSize > 64) edgeSize = 64;
    if (size <= 0) size = 16;
    if (size > 1024) size = 1024;
    if (thickness < 0) thickness = 0;
    if (charSet == -1) charSet = g_runtime.window.textCodePage == 2 ? 2 : 1;
    if (charSet < 0 || charSet > 2) charSet = 1;
    int depth = 16;
    GetScreenSize(nullptr, nullptr, &depth);
    if (depth == 8) fontType &= ~FONT_TYPE_ANTIALIAS;

    HandleTable* table = &g_fontSystem.table;
    FontRecord* font = nullptr;
    int handle;
    if (slot == -1) {
        int full = 0;
        handle = MakeHandle(table, sizeof(FontRecord), (void**)&font, &full);
        if (handle == -1) {
            if (full) {
                LogPrintf(SJ("作成できるフォントハンドル数 %d の限界を超えました"), FONT_CAPACITY);
                return -1;
            }
            return LogWrite(SJ("フォント管理用メモリ領域の確保に失敗しました\n"));
        }
        if (check != -1) {
            font->check = check & 0x7FF;
            handle = EncodeHandle(HandleKindFont, font->check, handle & 0xFFFF);
        }
    } else {
        if (slot < 0 || slot >= FONT_CAPACITY) return -1;
        if (table->slots && table->slots[slot]) return -1;
        if (!table->slots) {
            // The slot array comes with the first handle ever made.
            int full = 0;
            int savedCheck = table->nextCheck;
            int probe = MakeHandle(table, sizeof(HandleRecordHeader), nullptr, &full);
            if (probe != -1) FreeHandle(table, probe);
            table->nextCheck = savedCheck;
        }
        if (check == -1) {
            check = table->nextCheck;
            table->nextCheck = table->nextCheck + 1 >= 2048 ? 0 : table->nextCheck + 1;
        }
        handle = PlaceFontRecord(slot, check, &font);
        if (handle == -1) return LogWrite(SJ("フォント管理用メモリ領域の確保に失敗しました\n"));
    }

    font->workImage = -1;
    font->size = size;
    font->thickness = thickness;
    font->fontType = fontType;
    font->edgeSize = edgeSize;
    font->italic = italic;
    font->spacing = 0;
    snprintf(font->faceName, sizeof font->faceName, "%s", faceName ? faceName : "");

    font->platformFont = MakePlatformFont(font, charSet);
    if (!font->platformFont) {
        font->faceName[0] = 0;
        DeleteFontInternal(handle);
        return -1;
    }
    PlatformFontMetrics metrics;
    PlatformGetFontMetrics(font->platformFont, &metrics);
    int edges = (fontType & FONT_TYPE_EDGE) ? edgeSize * 2 : 0;
    font->ascent = metrics.ascent;
    // The square cell holds the tallest glyph too: a narrow face's widest
    // character is less than its text height, and its glyphs would lose their feet.
    int extent = metrics.maxWidth > metrics.height ? metrics.maxWidth : metrics.height;
    font->cellSize = (extent + edges + 7) / 8 * 8;
    if (font->cellSize < 8) font->cellSize = 8;
    font->lineHeight = metrics.height + edges;
    if (font->lineHeight & 1) font->lineHeight++;

    font->cacheBitsPerPixel = fontType == 0 ? 1 : 8;
    int cells = FontCellCount(font->cellSize);
    font->cellCount = cells;
    font->cacheRowBytes = (font->cacheBitsPerPixel * font->cellSize + 7) / 8;
    long long cacheBytes = (long long)font->cacheRowBytes * cells * font->cellSize;
    font->cache = cacheBytes <= 0x7FFFFFFF ? (uint8_t*)RT_ALLOC(cacheBytes) : nullptr;
    if (!font->cache) {
        LogWrite(SJ("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle"));
        DeleteFontInternal(handle);
        return -1;
    }
    if (EnsureFontWorkImage(font) != 0) {
        LogWrite(SJ("フォント用描画スクリーンの作成に失敗しました\n"));
        DeleteFontInternal(handle);
        return -1;
    }
    ResetFontCacheRecord(font);
    font->charSetIndex = charSet;
    font->lostFlag = nullptr;
    return handle;
}

int DeleteFontHandle(FontHandle font) {
    API_LOCK();
    return DeleteFontInternal(font);
}

void DeleteAllFonts(void) {
    HandleTable* table = &g_fontSystem.table;
    for (int slot = 0; slot < table->slotEnd; slot++) {
        int handle = HandleOfSlot(table, slot);
        if (handle != -1) DeleteFontInternal(handle);
    }
    g_fontSystem.defaultFont = -1;
}

void SetDefaultFontSettings(void) {
    FontDefaults* d = &g_fontSystem.defaults;
    d->faceName[0] = 0;
    d->size = 16;
    d->thickness = 6;
    d->fontType = 0;
    d->charSetIndex = 1;
    d->edgeSize = 1;
    d->italic = 0;
    d->spacing = 0;
}

int InitFontSystem(void) {
    API_LOCK();
    if (!GraphicsUsable()) return -1;
    LogWrite(SJ("フォントの初期化を行います\n"));
    LogIndent();
    DeleteAllFonts();
    g_fontSystem.defaultFont = CreateFontFromSjis("", 16, 6, -1, -1, -1, 0, -1, -1);
    LogUnindent();
    LogWrite(SJ("フォントの初期化は正常に終了しました\n"));
    return 0;
}

FontHandle CreateFontToHandle(const char* faceName, int size, int thickness, int fontType, int charSet, int edgeSize,
                              int italic, int slot, int check) {
    API_LOCK();
    char face[256];
    CallerTextToSjis(faceName, face, sizeof face);
    return CreateFontFromSjis(face, size, thickness, fontType, charSet, edgeSize, italic, slot, check);
}

void RecreateAllFonts(void) {
    API_LOCK();
    HandleTable* table = &g_fontSystem.table;
    for (int slot = 0; slot < table->slotEnd; slot++) {
        int handle = HandleOfSlot(table, slot);
        if (handle == -1) continue;
        FontRecord* font = LookupFont(handle);
        char face[256];
        memcpy(face, font->faceName, sizeof face);
        int size = font->size, thickness = font->thickness, type = font->fontType;
        int charSet = font->charSetIndex, italic = font->italic, check = font->check;
        int edge = (type & FONT_TYPE_EDGE) ? font->edgeSize : -1;
        int wasDefault = g_fontSystem.defaultFont == handle;
        DeleteFontInternal(handle);
        int made = CreateFontFromSjis(face, size, thickness, type, charSet, edge, italic, slot, check);
        if (wasDefault) g_fontSystem.defaultFont = made;
    }
}

int ResetFontCache(FontHandle handle) {
    API_LOCK();
    FontRecord* font = LookupFont(handle);
    if (!font) return -1;
    return ResetFontCacheRecord(font);
}

int SetFontExtraAdvance(int spacing, FontHandle handle) {
    API_LOCK();
    FontRecord* font = LookupFont(handle);
    if (!font) return -1;
    font->spacing = spacing;
    return 0;
}

int RegisterFontLostFlag(FontHandle handle, int* flag) {
    API_LOCK();
    FontRecord* font = LookupFont(handle);
    if (!font) return -1;
    font->lostFlag = flag;
    if (flag) *flag = 0;
    return 0;
}

int GetFontLineHeight(FontHandle handle) {
    API_LOCK();
    FontRecord* font = LookupFont(handle);
    if (!font) return -1;
    return font->lineHeight;
}

int GetFontInfo(FontHandle handle, char* faceName, int* size, int* thickness) {
    API_LOCK();
    FontRecord* font = LookupFont(handle);
    if (!font) return -1;
    if (faceName) SjisToCallerText(font->faceName, faceName, 256);
    if (size) *size = font->size;
    if (thickness) *thickness = font->thickness;
    return 0;
}
