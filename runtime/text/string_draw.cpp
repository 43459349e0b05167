// String drawing: the core that measures or writes glyph pixels from the cache
// into a software image (horizontal or in a column, clipped exactly), and the
// public DrawStringWithFont with its direct and blended routes.
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/core/window.h"
#include "runtime/graphics/blit.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"
#include "runtime/text/font_state.h"
#include "runtime/text/text.h"

namespace {

struct ChannelLayout {
    int shift[3]; // red, green, blue
    int bits[3];
};

const ChannelLayout kLayout565 = {{11, 5, 0}, {5, 6, 5}};
const ChannelLayout kLayout8888 = {{16, 8, 0}, {8, 8, 8}};

// Anti-aliased edged pixel: glyph coverage b over outline coverage e, each
// field mixed on its own so that none spills into another.
uint32_t MixEdged(uint32_t text, uint32_t edge, int b, int alpha, const ChannelLayout& layout) {
    int weight = 4096 * b / alpha;
    uint32_t out = 0;
    for (int k = 0; k < 3; k++) {
        uint32_t mask = (1u << layout.bits[k]) - 1;
        int t = (int)((text >> layout.shift[k]) & mask);
        int d = (int)((edge >> layout.shift[k]) & mask);
        int v = d + (((t - d) * weight) >> 8);
        out |= ((uint32_t)v & mask) << layout.shift[k];
    }
    return out;
}

} // namespace

void ComputeGlyphPixel(int fontType, int v, uint32_t text, uint32_t edge, int kind, int alphaTarget, uint32_t* pixel,
                       int* alphaOut) {
    const ChannelLayout& layout = kind == Rgb565 ? kLayout565 : kLayout8888;
    uint32_t colorMask = kind == Rgb565 ? 0xFFFFu : 0xFFFFFFu;
    int alphaShift = kind == Rgb565 ? 16 : 24;
    text &= colorMask;
    edge &= colorMask;
    uint32_t color = 0;
    int alpha = 0;
    switch (fontType) {
        case 0:
            if (v == 1) color = text, alpha = 255;
            break;
        case FONT_TYPE_EDGE:
            if (v == 1) color = text, alpha = 255;
            else if (v == 2) color = edge, alpha = 255;
            break;
        case FONT_TYPE_ANTIALIAS:
            if (v >= 1 && v <= 15) color = text, alpha = v * 16;
            break;
        default: {
            int b = v & 15, e = (v >> 4) & 15;
            if (b == 15) {
                color = text, alpha = 255;
            } else if (b >= 1) {
                alpha = 16 * b + e * (15 - b);
                color = MixEdged(text, edge, b, alpha, layout);
            } else if (e > 0) {
                color = edge, alpha = e * 16;
            }
            break;
        }
    }
    *alphaOut = alpha;
    *pixel = alphaTarget ? (color | (uint32_t)alpha << alphaShift) : color;
}

namespace {

// Fills the font's table of what each cache value writes for these colours.
void BuildColorTable(const FontRecord* font, GlyphColorTable* table, uint32_t text, uint32_t edge, int kind,
                     int alphaTarget) {
    uint32_t colorMask = kind == Rgb565 ? 0xFFFFu : 0xFFFFFFu;
    for (int v = 0; v < 256; v++) {
        int alpha = 0;
        ComputeGlyphPixel(font->fontType, v, text, edge, kind, alphaTarget, &table->pixel[v], &alpha);
        table->alpha[v] = (uint8_t)alpha;
    }
    table->textValue = text & colorMask;
    table->edgeValue = edge & colorMask;
    table->pixelKind = kind;
    table->alphaTarget = alphaTarget;
    table->valid = 1;
}

// A partly covered pixel on an image without alpha: mixed into what is there.
inline uint32_t MixInto(uint32_t dest, uint32_t color, int alpha, const ChannelLayout& layout) {
    uint32_t out = 0;
    for (int k = 0; k < 3; k++) {
        uint32_t mask = (1u << layout.bits[k]) - 1;
        int d = (int)((dest >> layout.shift[k]) & mask);
        int s = (int)((color >> layout.shift[k]) & mask);
        out |= ((uint32_t)(d + (((s - d) * alpha) >> 8)) & mask) << layout.shift[k];
    }
    return out;
}

// Writes glyph rows [r0, r1) and columns [c0, c1) of a cell. The pixel of glyph
// (r, c) is at origin + r * rowStep + c * colStep (bytes).
template <int PixelBytes, bool OneBit>
void WriteGlyphPixels(const FontRecord* font, const uint8_t* cell, int r0, int r1, int c0, int c1, uint8_t* origin,
                      long rowStep, long colStep, const GlyphColorTable* table, bool blendPartial) {
    const ChannelLayout& layout = table->pixelKind == Rgb565 ? kLayout565 : kLayout8888;
    for (int r = r0; r < r1; r++) {
        const uint8_t* src = cell + (long)r * font->cacheRowBytes;
        uint8_t* dst = origin + r * rowStep + c0 * colStep;
        for (int c = c0; c < c1; c++, dst += colStep) {
            int v = OneBit ? (src[c >> 3] >> (7 - (c & 7))) & 1 : src[c];
            int alpha = table->alpha[v];
            if (!alpha) continue;
            uint32_t pixel = table->pixel[v];
            if (PixelBytes == 2) {
                uint16_t* p = (uint16_t*)dst;
                *p = (uint16_t)(alpha == 255 || !blendPartial ? pixel : MixInto(*p, pixel, alpha, layout));
            } else {
                uint32_t* p = (uint32_t*)dst;
                if (alpha == 255 || !blendPartial) *p = pixel;
                else *p = (*p & 0xFF000000u) | MixInto(*p, pixel, alpha, layout);
            }
        }
    }
}

// The text value of a colour: scaled by the draw bright, spare bits removed.
uint32_t TextValue(unsigned int color) {
    int r = 0, g = 0, b = 0;
    GetColorRGB(color, &r, &g, &b);
    uint32_t bright = g_draw.bright;
    r = r * (int)((bright >> 16) & 0xFF) / 255;
    g = g * (int)((bright >> 8) & 0xFF) / 255;
    b = b * (int)(bright & 0xFF) / 255;
    return MakeColor(r, g, b) & ~MakeColor(0, 0, 0);
}

GlyphCell* CellOf(FontRecord* font, int handle, const unsigned char* ch) {
    CharEntry* entry = &font->chars[ch[0] | ch[1] << 8];
    if (entry->inUse && entry->cell) return entry->cell;
    GlyphCell* cell = CacheGlyphs(1, ch, handle);
    if (!cell) FatalExit(SJ("テキストキャッシュの作成に失敗しました"));
    return cell;
}

// A position kept inside the int range (the far end of a string).
int ClampWide(long long v) {
    const long long limit = 1LL << 30;
    return (int)(v < -limit ? -limit : v > limit ? limit : v);
}

void SaveArea(int* saved, float* savedF, int* savedEmpty) {
    memcpy(saved, g_draw.area, sizeof g_draw.area);
    memcpy(savedF, g_draw.areaF, sizeof g_draw.areaF);
    *savedEmpty = g_draw.areaEmpty;
}

void PutArea(const int* area) {
    for (int i = 0; i < 4; i++) {
        g_draw.area[i] = area[i];
        g_draw.areaF[i] = (float)area[i];
    }
    g_draw.areaEmpty = area[0] == area[2] || area[1] == area[3];
}

void RestoreArea(const int* saved, const float* savedF, int savedEmpty) {
    memcpy(g_draw.area, saved, sizeof g_draw.area);
    memcpy(g_draw.areaF, savedF, sizeof g_draw.areaF);
    g_draw.areaEmpty = savedEmpty;
}

} // namespace

int DrawStringCore(int mode, int x, int y, const char* text, unsigned int color, MEMIMG* target, const int* clip,
                   int handle, unsigned int edgeColor, int length, int vertical, int* size) {
    FontRecord* font = LookupFont(handle);
    if (!font) return -1;
    uint32_t textValue = 0, edgeValue = 0;
    if (mode == 1) {
        textValue = TextValue(color);
        edgeValue = TextValue(edgeColor);
    }
    if (size) {
        size[0] = vertical ? font->lineHeight : 0;
        size[1] = vertical ? 0 : font->lineHeight;
    }
    if (!text || !text[0]) return 0;
    int total = (int)strlen(text);
    if (length < 0 || length > total) length = total;

    int drawable = mode == 1 && target && clip && target->InitMark == MEMIMG_INIT_MARK && target->Pixels &&
                   !target->UsePalette && (target->PixelKind == Rgb565 || target->PixelKind == Xrgb8888);
    GlyphColorTable* table = &font->colors;
    int pixelBytes = 0;
    bool blendPartial = false;
    if (drawable) {
        int alphaTarget = target->AlphaChannel ? 1 : 0;
        uint32_t colorMask = target->PixelKind == Rgb565 ? 0xFFFFu : 0xFFFFFFu;
        if (!table->valid || table->textValue != (textValue & colorMask) ||
            table->edgeValue != (edgeValue & colorMask) || table->pixelKind != target->PixelKind ||
            table->alphaTarget != alphaTarget)
            BuildColorTable(font, table, textValue, edgeValue, target->PixelKind, alphaTarget);
        pixelBytes = target->PixelKind == Rgb565 && !alphaTarget ? 2 : 4;
        blendPartial = !alphaTarget;
    }

    unsigned char list[FONT_STRING_MAX * 3];
    double pen = 0.0;
    int offset = 0;
    // Strings longer than one character list are done in pieces, all of them.
    while (offset < length) {
        int used = 0;
        int count = PrepareStringGlyphs(handle, text + offset, length - offset, list, &used);
        if (count <= 0 || used <= 0) break;
        // Cells may have moved while the batch was fetched.
        font = LookupFont(handle);
        for (int i = 0; i < count; i++) {
            const unsigned char* ch = list + i * 3;
            GlyphCell* cell = CellOf(font, handle, ch);
            int space = (ch[0] == 0x20 && ch[1] == 0) || (ch[0] == 0x81 && ch[1] == 0x40);
            if (drawable && !space && (cell->width || cell->height)) {
                const uint8_t* cellPixels =
                    font->cache + (long)font->cacheRowBytes * font->cellSize * (cell->cellIndex % font->cellCount);
                int rect[4];
                // Positions are worked out wide: a glyph far outside every image
                // is skipped before anything could overflow.
                long long penPixels = (long long)pen;
                long long wide[4];
                if (!vertical) {
                    wide[0] = (long long)x + penPixels + cell->originX;
                    wide[1] = (long long)y + cell->top;
                    wide[2] = wide[0] + cell->width;
                    wide[3] = wide[1] + cell->height;
                } else {
                    wide[0] = (long long)x + font->lineHeight - cell->top - cell->height;
                    wide[1] = (long long)y + penPixels + cell->originX;
                    wide[2] = wide[0] + cell->height;
                    wide[3] = wide[1] + cell->width;
                }
                const long long far = 1LL << 30;
                int visible = wide[0] > -far && wide[1] > -far && wide[2] < far && wide[3] < far;
                for (int k = 0; k < 4; k++) rect[k] = visible ? (int)wide[k] : 0;
                int full[4] = {rect[0], rect[1], rect[2], rect[3]};
                ClipRect(rect, clip);
                // Never outside the image itself either.
                int bounds[4] = {0, 0, target->Width, target->Height};
                ClipRect(rect, bounds);
                if (rect[0] < rect[2] && rect[1] < rect[3]) {
                    int r0, r1, c0, c1;
                    uint8_t* origin;
                    long rowStep, colStep;
                    long pitch = target->Pitch;
                    if (!vertical) {
                        r0 = rect[1] - full[1];
                        r1 = rect[3] - full[1];
                        c0 = rect[0] - full[0];
                        c1 = rect[2] - full[0];
                        origin = target->Pixels + full[1] * pitch + (long)full[0] * pixelBytes;
                        rowStep = pitch;
                        colStep = pixelBytes;
                    } else {
                        // Glyph row r lands in column right - 1 - r, glyph column c in row top + c.
                        r0 = full[2] - rect[2];
                        r1 = full[2] - rect[0];
                        c0 = rect[1] - full[1];
                        c1 = rect[3] - full[1];
                        origin = target->Pixels + full[1] * pitch + (long)(full[2] - 1) * pixelBytes;
                        rowStep = -pixelBytes;
                        colStep = pitch;
                    }
                    int oneBit = font->cacheBitsPerPixel == 1;
                    if (pixelBytes == 2) {
                        if (oneBit)
                            WriteGlyphPixels<2, true>(font, cellPixels, r0, r1, c0, c1, origin, rowStep, colStep, table,
                                                      blendPartial);
                        else
                            WriteGlyphPixels<2, false>(font, cellPixels, r0, r1, c0, c1, origin, rowStep, colStep,
                                                       table, blendPartial);
                    } else {
                        if (oneBit)
                            WriteGlyphPixels<4, true>(font, cellPixels, r0, r1, c0, c1, origin, rowStep, colStep, table,
                                                      blendPartial);
                        else
                            WriteGlyphPixels<4, false>(font, cellPixels, r0, r1, c0, c1, origin, rowStep, colStep,
                                                       table, blendPartial);
                    }
                }
            }
            pen += cell->advance + font->spacing;
        }
        offset += used;
    }
    int advance = (int)pen;
    if (size) {
        if (vertical) size[1] = advance;
        else size[0] = advance;
    }
    return advance;
}

int MeasureStringWithFont(const char* text, int length, FontHandle font, int vertical) {
    API_LOCK();
    return DrawStringCore(0, 0, 0, text, 0, nullptr, nullptr, font, 0, length, vertical, nullptr);
}

int DrawStringWithFont(int x, int y, const char* text, unsigned int color, FontHandle handle, unsigned int edgeColor,
                       int vertical) {
    API_LOCK();
    if (!GraphicsReady()) return -1;
    if (!text || !text[0]) return 0;
    if (g_draw.areaEmpty) return 0;
    FontRecord* font = LookupFont(handle);
    if (!font) return LogWrite(SJ("フォントハンドル値が異常です\n"));
    WaitWhileInactive();
    font = LookupFont(handle);
    if (!font) return LogWrite(SJ("フォントハンドル値が異常です\n"));

    int size[2] = {0, 0};
    DrawStringCore(0, 0, 0, text, color, nullptr, nullptr, handle, edgeColor, -1, vertical, size);
    int depth = 16;
    GetScreenSize(nullptr, nullptr, &depth);
    int blendOther = g_draw.blendMode != 0 && !(g_draw.blendMode == 1 && g_draw.blendParam == 255);
    int blended = depth != 8 && ((font->fontType & FONT_TYPE_ANTIALIAS) || blendOther);
    MEMIMG* target = CurrentTargetImage();
    if (!target) return -1;
    int front = TargetIsFront();
    if (front) RefreshFrontBuffer();
    int touched[4] = {x, y, ClampWide((long long)x + size[0]), ClampWide((long long)y + size[1])};

    if (!blended) {
        int area[4];
        memcpy(area, g_draw.area, sizeof area);
        int result = DrawStringCore(1, x, y, text, color, target, area, handle, edgeColor, -1, vertical, nullptr);
        if (front) PresentFrontRect(touched);
        return result == -1 ? -1 : 0;
    }

    if (EnsureFontWorkImage(font) != 0) return -1;
    MEMIMG* work = GetGraphSurfaceImage(font->workImage);
    if (!work || !work->Pixels) return -1;
    int saved[4], savedEmpty;
    float savedF[4];
    SaveArea(saved, savedF, &savedEmpty);
    uint32_t savedBright = g_draw.bright;

    // Only the part of the string inside the draw area is composed in the work
    // image, placed at its top-left corner, so that a string starting left of
    // or above the area keeps its visible part.
    int visible[4] = {x, y, ClampWide((long long)x + size[0]), ClampWide((long long)y + size[1])};
    ClipRect(visible, saved);
    int workArea[4] = {0, 0, visible[2] - visible[0], visible[3] - visible[1]};
    int workRect[4] = {0, 0, work->Width, work->Height};
    ClipRect(workArea, workRect);
    if (workArea[2] <= 0 || workArea[3] <= 0) return 0;
    PutArea(workArea);

    // The key colour must differ from every colour the text writes.
    uint32_t key = 0;
    if (!work->AlphaChannel) {
        uint32_t mask = work->PixelKind == Rgb565 ? 0xFFFFu : 0xFFFFFFFFu;
        uint32_t textValue = TextValue(color), edgeValue = TextValue(edgeColor);
        key = work->TransColor & mask;
        for (int guard = 0; guard < 8; guard++) {
            if (key != (color & mask) && key != (edgeColor & mask) && key != (textValue & mask) &&
                key != (edgeValue & mask))
                break;
            key = (key + 1) & mask;
        }
    }
    work->TransColor = key;
    FillMemImgRaw(work, workArea, key);

    int result = DrawStringCore(1, ClampWide((long long)x - visible[0]), ClampWide((long long)y - visible[1]), text,
                                color, work, workArea, handle, edgeColor, -1, vertical, nullptr);
    if (result == -1) {
        RestoreArea(saved, savedF, savedEmpty);
        g_draw.bright = savedBright;
        return -1;
    }
    g_draw.bright = 0xFFFFFF;
    int drawArea[4] = {visible[0], visible[1], visible[0] + workArea[2], visible[1] + workArea[3]};
    ClipRect(drawArea, saved);
    PutArea(drawArea);
    if (!g_draw.areaEmpty) BlitMemImg(target, work, visible[0], visible[1], 1);
    RestoreArea(saved, savedF, savedEmpty);
    g_draw.bright = savedBright;
    if (front) PresentFrontRect(touched);
    return 0;
}
