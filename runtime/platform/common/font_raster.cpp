// The font rasteriser behind the text subsystem: faces found through fontconfig
// (asked with the language of the character set), glyphs drawn by FreeType as
// 1-bit or 17-level grey rows padded to 4 bytes, weight and italic honoured by
// the face chosen or, when it has none, by emboldening and slanting the outline.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "runtime/platform/common/font_head.h"
#include "runtime/platform/platform.h"

#define FALLBACK_FACE_MAX 4

struct FallbackFace {
    FT_Face face;       // a face that has characters the main one lacks
    FcCharSet* charset; // the characters it covers
};

struct PlatformFont {
    FontHead head;                             // family and metrics, read by the shared getters
    FT_Face face;                              // the face chosen for the name
    int height;                                // requested cell height
    int charSet;                               // 1, 128 or 129
    int wantBold;                              // weight asked for is 600 or more
    int wantItalic;                            // italic asked for
    int emboldenMain;                          // the chosen face is lighter than asked: embolden
    int slantMain;                             // the chosen face is upright but italic was asked: slant
    char language[4];                          // fontconfig language of the character set ("" = none)
    FallbackFace fallbacks[FALLBACK_FACE_MAX]; // faces for characters the main one lacks
    int fallbackCount;                         // entries in fallbacks
};
FONT_HEAD_FIRST(PlatformFont);

namespace {

struct FontService {
    std::mutex lock;    // faces are made and drawn from whichever thread holds the runtime lock
    FT_Library library; // FreeType, made with the first font
    int fontCount;      // fonts alive; the library goes with the last one
    int fcReady;        // FcInit ran
};

FontService s_fonts;

const char* LanguageOf(int charSet) {
    if (charSet == 128) return "ja";
    if (charSet == 129) return "ko";
    return "";
}

// Converts the Shift-JIS face name to UTF-8; empty on failure.
void FaceNameToUtf8(const char* faceSjis, char* out, int outSize) {
    out[0] = 0;
    if (!faceSjis || !faceSjis[0]) return;
    int len = (int)strnlen(faceSjis, 255);
    int n = PlatformConvertText("CP932", "UTF-8", faceSjis, len, out, outSize - 1);
    if (n < 0) n = 0;
    out[n] = 0;
}

int FcWeightOf(int weight) {
    if (weight <= 0) return FC_WEIGHT_REGULAR;
    if (weight > 1000) weight = 1000;
    return FcWeightFromOpenType(weight);
}

// The face's ascent and descent in font units as the system's font service takes
// them for a positive height: the OS/2 table's Windows figures, which bound the
// drawn glyphs, else the horizontal header's.
void FaceExtent(FT_Face face, long* ascent, long* descent) {
    const TT_OS2* os2 = (const TT_OS2*)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascent = os2->usWinAscent;
        *descent = os2->usWinDescent;
    } else {
        *ascent = face->ascender;
        *descent = -face->descender;
    }
    if (*ascent + *descent <= 0) {
        *ascent = face->units_per_EM;
        *descent = 0;
    }
}

// Sizes a face so its ascent plus descent fills the cell height, and returns the
// baseline's distance from the cell's top (0..height).
int SizeFace(FT_Face face, int height) {
    if (FT_IS_SCALABLE(face)) {
        long ascent = 0, descent = 0;
        FaceExtent(face, &ascent, &descent);
        FT_Size_RequestRec request;
        memset(&request, 0, sizeof request);
        request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        request.height = (FT_Long)((long long)height * face->units_per_EM * 64 / (ascent + descent));
        if (request.height < 64) request.height = 64;
        if (FT_Request_Size(face, &request) != 0) FT_Set_Pixel_Sizes(face, 0, (FT_UInt)height);
        // A face may round its scale to whole pixels per em; the baseline goes where
        // the scale that was taken puts it, and glyphs keep to the cell (see PlatformGetGlyph).
        long top = (long)((FT_MulFix(ascent, face->size->metrics.y_scale) + 32) >> 6);
        return top < 0 ? 0 : top > height ? height : (int)top;
    }
    // A bitmap-only face: the strike closest to the height.
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; i++)
        if (abs(face->available_sizes[i].height - height) < abs(face->available_sizes[best].height - height)) best = i;
    if (face->num_fixed_sizes > 0) FT_Select_Size(face, best);
    long top = face->size ? (long)((face->size->metrics.ascender + 32) >> 6) : height;
    return top < 0 ? 0 : top > height ? height : (int)top;
}

// Opens the best match of a fontconfig pattern; null when none loads.
FT_Face OpenMatch(FcPattern* pattern, FcCharSet** charsetOut, int* weightOut, int* slantOut, char* family,
                  int familySize) {
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (!match) return nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    FT_Face face = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        if (FT_New_Face(s_fonts.library, (const char*)file, index, &face) != 0) face = nullptr;
    }
    if (face) {
        FcChar8* name = nullptr;
        if (family && familySize > 0) {
            family[0] = 0;
            if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
                snprintf(family, (size_t)familySize, "%s", (const char*)name);
        }
        // Fontconfig reports a face it would embolden or slant with the weight and
        // slant asked for; those are synthesised here, so they count as missing.
        FcBool embolden = FcFalse;
        FcMatrix* matrix = nullptr;
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        int slanted = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix && matrix->xy != 0.0;
        if (weightOut) {
            if (FcPatternGetInteger(match, FC_WEIGHT, 0, weightOut) != FcResultMatch || embolden)
                *weightOut = FC_WEIGHT_REGULAR;
        }
        if (slantOut) {
            if (FcPatternGetInteger(match, FC_SLANT, 0, slantOut) != FcResultMatch || slanted)
                *slantOut = FC_SLANT_ROMAN;
        }
        if (charsetOut) {
            FcCharSet* cs = nullptr;
            *charsetOut = nullptr;
            if (FcPatternGetCharSet(match, FC_CHARSET, 0, &cs) == FcResultMatch) *charsetOut = FcCharSetCopy(cs);
        }
    }
    FcPatternDestroy(match);
    return face;
}

FcPattern* BasePattern(const PlatformFont* font, int weight) {
    FcPattern* pattern = FcPatternCreate();
    if (font->language[0]) FcPatternAddString(pattern, FC_LANG, (const FcChar8*)font->language);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightOf(weight));
    FcPatternAddInteger(pattern, FC_SLANT, font->wantItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, (double)font->height);
    return pattern;
}

// Unicode of a character code of the font's character set; 0 when unmapped.
uint32_t ToUnicode(const PlatformFont* font, unsigned int code) {
    if (code & PLATFORM_GLYPH_UNICODE) return code & 0x1FFFFF;
    char in[2];
    int inBytes;
    if (code > 0xFF) {
        in[0] = (char)(code >> 8);
        in[1] = (char)(code & 0xFF);
        inBytes = 2;
    } else {
        in[0] = (char)code;
        inBytes = 1;
    }
    unsigned char out[8];
    int n =
        PlatformConvertText(font->charSet == 129 ? "CP949" : "CP932", "UTF-32LE", in, inBytes, (char*)out, sizeof out);
    if (n != 4) return 0;
    return (uint32_t)out[0] | (uint32_t)out[1] << 8 | (uint32_t)out[2] << 16 | (uint32_t)out[3] << 24;
}

// The face that draws the character and its glyph index; a face that covers it
// is looked for when the main one does not.
FT_Face FaceFor(PlatformFont* font, uint32_t unicode, FT_UInt* glyphIndex, int* synthetic) {
    *synthetic = 1;
    if (unicode == 0) {
        *glyphIndex = 0;
        return font->face;
    }
    FT_UInt index = FT_Get_Char_Index(font->face, unicode);
    if (index != 0) {
        *glyphIndex = index;
        *synthetic = 0;
        return font->face;
    }
    for (int i = 0; i < font->fallbackCount; i++) {
        FallbackFace* fb = &font->fallbacks[i];
        if (fb->charset && FcCharSetHasChar(fb->charset, unicode)) {
            index = FT_Get_Char_Index(fb->face, unicode);
            if (index != 0) {
                *glyphIndex = index;
                return fb->face;
            }
        }
    }
    if (font->fallbackCount < FALLBACK_FACE_MAX) {
        FcPattern* pattern = BasePattern(font, font->wantBold ? 700 : 400);
        FcCharSet* want = FcCharSetCreate();
        FcCharSetAddChar(want, unicode);
        FcPatternAddCharSet(pattern, FC_CHARSET, want);
        FcCharSet* has = nullptr;
        FT_Face face = OpenMatch(pattern, &has, nullptr, nullptr, nullptr, 0);
        FcPatternDestroy(pattern);
        FcCharSetDestroy(want);
        if (face) {
            index = FT_Get_Char_Index(face, unicode);
            if (index != 0) {
                SizeFace(face, font->height);
                FallbackFace* fb = &font->fallbacks[font->fallbackCount++];
                fb->face = face;
                fb->charset = has;
                *glyphIndex = index;
                return face;
            }
            FT_Done_Face(face);
            if (has) FcCharSetDestroy(has);
        }
    }
    *glyphIndex = 0;
    return font->face;
}

} // namespace

PlatformFont* PlatformCreateFont(const char* faceSjis, int height, int weight, int italic, int charSet) {
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    if (height <= 0) height = 16;
    if (height > 2048) height = 2048;
    if (!s_fonts.library && FT_Init_FreeType(&s_fonts.library) != 0) {
        s_fonts.library = nullptr;
        return nullptr;
    }
    if (!s_fonts.fcReady) s_fonts.fcReady = FcInit() ? 1 : 0;
    PlatformFont* font = (PlatformFont*)calloc(1, sizeof(PlatformFont));
    if (!font) return nullptr;
    font->height = height;
    font->charSet = charSet;
    font->wantBold = weight >= 600;
    font->wantItalic = italic != 0;
    snprintf(font->language, sizeof font->language, "%s", LanguageOf(charSet));

    char faceUtf8[768];
    FaceNameToUtf8(faceSjis, faceUtf8, sizeof faceUtf8);
    FcPattern* pattern = BasePattern(font, weight);
    if (faceUtf8[0]) FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)faceUtf8);
    int gotWeight = FC_WEIGHT_REGULAR, gotSlant = FC_SLANT_ROMAN;
    font->face = OpenMatch(pattern, nullptr, &gotWeight, &gotSlant, font->head.family, sizeof font->head.family);
    FcPatternDestroy(pattern);
    if (!font->face) {
        // Whatever fontconfig offers at all.
        FcPattern* any = FcPatternCreate();
        font->face = OpenMatch(any, nullptr, &gotWeight, &gotSlant, font->head.family, sizeof font->head.family);
        FcPatternDestroy(any);
    }
    if (!font->face) {
        free(font);
        if (s_fonts.fontCount == 0) {
            FT_Done_FreeType(s_fonts.library);
            s_fonts.library = nullptr;
            if (s_fonts.fcReady) FcFini();
            s_fonts.fcReady = 0;
        }
        return nullptr;
    }
    font->emboldenMain = font->wantBold && gotWeight < FC_WEIGHT_DEMIBOLD;
    font->slantMain = font->wantItalic && gotSlant == FC_SLANT_ROMAN;
    // The text height is the height asked for, as a positive height gives the
    // system's font service; separately rounded ascent and descent could exceed it.
    font->head.metrics.ascent = SizeFace(font->face, height);
    font->head.metrics.descent = height - font->head.metrics.ascent;
    font->head.metrics.height = height;
    const FT_Size_Metrics* m = &font->face->size->metrics;
    font->head.metrics.maxWidth = (int)((m->max_advance + 63) >> 6);
    if (font->emboldenMain) font->head.metrics.maxWidth += 1 + height / 24;
    if (font->head.metrics.maxWidth <= 0) font->head.metrics.maxWidth = height;
    s_fonts.fontCount++;
    return font;
}

void PlatformDeleteFont(PlatformFont* font) {
    if (!font) return;
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    for (int i = 0; i < font->fallbackCount; i++) {
        FT_Done_Face(font->fallbacks[i].face);
        if (font->fallbacks[i].charset) FcCharSetDestroy(font->fallbacks[i].charset);
    }
    FT_Done_Face(font->face);
    free(font);
    if (--s_fonts.fontCount == 0) {
        // With the last font go the libraries' own tables, so nothing of them
        // outlives the runtime.
        if (s_fonts.library) FT_Done_FreeType(s_fonts.library);
        s_fonts.library = nullptr;
        if (s_fonts.fcReady) FcFini();
        s_fonts.fcReady = 0;
    }
}

int PlatformGetGlyph(PlatformFont* font, unsigned int code, int gray, PlatformGlyphMetrics* metrics, void* buffer,
                     int bufferSize) {
    if (!font) return -1;
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    uint32_t unicode = ToUnicode(font, code);
    FT_UInt glyphIndex = 0;
    int synthetic = 1;
    FT_Face face = FaceFor(font, unicode, &glyphIndex, &synthetic);
    int embolden = synthetic ? font->wantBold : font->emboldenMain;
    int slant = synthetic ? font->wantItalic : font->slantMain;
    FT_Int32 flags = gray ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
    // Outlines are needed to slant or embolden.
    if (embolden || slant) flags |= FT_LOAD_NO_BITMAP;
    if (FT_Load_Glyph(face, glyphIndex, flags) != 0 && FT_Load_Glyph(face, 0, flags) != 0) return -1;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (slant) FT_GlyphSlot_Oblique(slot);
        if (embolden) FT_GlyphSlot_Embolden(slot);
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, gray ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0)
        return -1;
    const FT_Bitmap* bm = &slot->bitmap;
    int width = (int)bm->width;
    int allRows = (int)bm->rows;
    // Ink above the cell's top or below its bottom (a glyph beyond the face's own
    // ascent or descent) is left out, as the system's font service clips it, so
    // every glyph keeps to the text height.
    int lineRow = font->head.metrics.ascent - slot->bitmap_top;
    int first = lineRow < 0 ? -lineRow : 0;
    int end = lineRow + allRows > font->height ? font->height - lineRow : allRows;
    int rows = end - first;
    if (width <= 0 || rows <= 0) width = rows = first = 0;
    PlatformGlyphMetrics gm;
    gm.blackBoxX = width;
    gm.blackBoxY = rows;
    gm.originX = slot->bitmap_left;
    gm.originY = slot->bitmap_top - first;
    gm.advance = (int)((slot->advance.x + 32) >> 6);
    if (metrics) *metrics = gm;
    int pitch = gray ? (width + 3) / 4 * 4 : (width + 31) / 32 * 4;
    long size = (long)pitch * rows;
    if (size > 0x7FFFFFFF) return -1;
    if (!buffer) return (int)size;
    if (bufferSize < size) return -1;
    memset(buffer, 0, (size_t)size);
    unsigned char* out = (unsigned char*)buffer;
    for (int y = 0; y < rows; y++) {
        const unsigned char* src = bm->buffer + (long)(first + y) * bm->pitch;
        if (bm->pitch < 0) src = bm->buffer + (long)(allRows - 1 - first - y) * -bm->pitch;
        unsigned char* dst = out + (long)y * pitch;
        for (int x = 0; x < width; x++) {
            int on;
            int level;
            if (bm->pixel_mode == FT_PIXEL_MODE_MONO) {
                on = (src[x >> 3] >> (7 - (x & 7))) & 1;
                level = on ? 16 : 0;
            } else if (bm->pixel_mode == FT_PIXEL_MODE_GRAY) {
                int levels = bm->num_grays > 1 ? bm->num_grays - 1 : 255;
                level = (src[x] * 16 + levels / 2) / levels;
                on = src[x] * 2 >= levels;
            } else {
                level = 0;
                on = 0;
            }
            if (gray) dst[x] = (unsigned char)level;
            else if (on) dst[x >> 3] |= (unsigned char)(0x80 >> (x & 7));
        }
    }
    return (int)size;
}
