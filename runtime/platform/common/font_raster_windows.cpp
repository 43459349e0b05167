// The font rasteriser on Windows: the system's own font service (GDI). The face
// is asked for by name and character set, and when the name is not installed the
// font mapper picks the nearest face of that set, as every Windows program sees it;
// glyphs come from GetGlyphOutlineW as 1-bit or 17-level grey rows padded to 4
// bytes, which is the layout the text subsystem keeps.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "runtime/platform/common/font_head.h"
#include "runtime/platform/platform.h"

struct PlatformFont {
    FontHead head; // family and metrics, read by the shared getters
    HFONT font;    // the GDI font object
    int height;    // requested cell height
    int charSet;   // 1, 128 or 129
};
FONT_HEAD_FIRST(PlatformFont);

namespace {

struct FontService {
    std::mutex lock; // fonts are made and drawn from whichever thread holds the runtime lock
    HDC dc;          // memory device context the fonts are selected into, made with the first font
    int fontCount;   // fonts alive; the context goes with the last one
};

FontService s_fonts;

// Shift-JIS face name to UTF-16 (the face names of a Japanese system are Shift-JIS
// whatever the code page of the machine running us).
void FaceNameToWide(const char* faceSjis, wchar_t* out, int outCount) {
    out[0] = 0;
    if (!faceSjis || !faceSjis[0]) return;
    int n = MultiByteToWideChar(932, 0, faceSjis, (int)strnlen(faceSjis, 255), out, outCount - 1);
    out[n > 0 ? n : 0] = 0;
}

// Unicode of a character code of the font's character set; 0 when unmapped.
uint32_t ToUnicode(const PlatformFont* font, unsigned int code) {
    if (code & PLATFORM_GLYPH_UNICODE) return code & 0x1FFFFF;
    char in[2];
    int inBytes = 0;
    if (code > 0xFF) in[inBytes++] = (char)(code >> 8);
    in[inBytes++] = (char)(code & 0xFF);
    wchar_t out[2];
    int n = MultiByteToWideChar(font->charSet == 129 ? 949 : 932, MB_ERR_INVALID_CHARS, in, inBytes, out, 2);
    return n == 1 ? out[0] : 0;
}

void ReleaseServiceIfUnused() {
    if (s_fonts.fontCount == 0 && s_fonts.dc) {
        DeleteDC(s_fonts.dc);
        s_fonts.dc = nullptr;
    }
}

} // namespace

PlatformFont* PlatformCreateFont(const char* faceSjis, int height, int weight, int italic, int charSet) {
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    if (height <= 0) height = 16;
    if (height > 2048) height = 2048;
    if (!s_fonts.dc) s_fonts.dc = CreateCompatibleDC(nullptr);
    if (!s_fonts.dc) return nullptr;
    PlatformFont* font = (PlatformFont*)calloc(1, sizeof(PlatformFont));
    if (!font) {
        ReleaseServiceIfUnused();
        return nullptr;
    }
    font->height = height;
    font->charSet = charSet;
    wchar_t face[LF_FACESIZE];
    FaceNameToWide(faceSjis, face, LF_FACESIZE);
    // A positive height is the cell height (ascent + descent). Quality 3 (no
    // anti-aliasing: the runtime smooths by itself), fixed pitch.
    font->font = CreateFontW(height, 0, 0, 0,
                             weight < 0      ? 0
                             : weight > 1000 ? 1000
                                             : weight,
                             italic ? TRUE : FALSE, FALSE, FALSE, (DWORD)charSet, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH, face);
    // The mapper answers almost any request; a failure gets the plainest one.
    if (!font->font)
        font->font = CreateFontW(height, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH, L"");
    if (!font->font) {
        free(font);
        ReleaseServiceIfUnused();
        return nullptr;
    }
    HGDIOBJ old = SelectObject(s_fonts.dc, font->font);
    TEXTMETRICW tm;
    memset(&tm, 0, sizeof tm);
    GetTextMetricsW(s_fonts.dc, &tm);
    wchar_t chosen[LF_FACESIZE] = {0};
    GetTextFaceW(s_fonts.dc, LF_FACESIZE, chosen);
    SelectObject(s_fonts.dc, old);
    WideCharToMultiByte(CP_UTF8, 0, chosen, -1, font->head.family, sizeof font->head.family, nullptr, nullptr);
    font->head.metrics.height = tm.tmHeight > 0 ? (int)tm.tmHeight : height;
    font->head.metrics.ascent = (int)tm.tmAscent;
    font->head.metrics.descent = (int)tm.tmDescent;
    font->head.metrics.maxWidth = tm.tmMaxCharWidth > 0 ? (int)tm.tmMaxCharWidth : height;
    s_fonts.fontCount++;
    return font;
}

void PlatformDeleteFont(PlatformFont* font) {
    if (!font) return;
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    DeleteObject(font->font);
    free(font);
    s_fonts.fontCount--;
    ReleaseServiceIfUnused();
}

int PlatformGetGlyph(PlatformFont* font, unsigned int code, int gray, PlatformGlyphMetrics* metrics, void* buffer,
                     int bufferSize) {
    if (!font) return -1;
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    uint32_t unicode = ToUnicode(font, code);
    // Characters beyond the first plane have no single UTF-16 unit: the default glyph.
    if (unicode > 0xFFFF) unicode = 0;
    static const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    UINT format = gray ? GGO_GRAY4_BITMAP : GGO_BITMAP;
    HGDIOBJ old = SelectObject(s_fonts.dc, font->font);
    GLYPHMETRICS gm;
    memset(&gm, 0, sizeof gm);
    DWORD size = GetGlyphOutlineW(s_fonts.dc, unicode, format, &gm, 0, nullptr, &identity);
    int result = -1;
    if (size != GDI_ERROR) {
        PlatformGlyphMetrics out;
        // An empty glyph (a space) has no bitmap; GDI still reports a 1 x 1 box.
        out.blackBoxX = size ? (int)gm.gmBlackBoxX : 0;
        out.blackBoxY = size ? (int)gm.gmBlackBoxY : 0;
        out.originX = gm.gmptGlyphOrigin.x;
        out.originY = gm.gmptGlyphOrigin.y;
        out.advance = gm.gmCellIncX;
        if (metrics) *metrics = out;
        if (!buffer || size == 0) {
            result = (int)size;
        } else if ((DWORD)bufferSize >= size &&
                   GetGlyphOutlineW(s_fonts.dc, unicode, format, &gm, size, buffer, &identity) != GDI_ERROR) {
            result = (int)size;
        }
    }
    SelectObject(s_fonts.dc, old);
    return result;
}
