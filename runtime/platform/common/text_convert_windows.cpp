// Encoding conversion on Windows, through the system's own code pages: the source
// text goes to UTF-16 and from there to the target. Names as the other backends
// take them: "UTF-8", "CP932", "CP949", "UTF-32LE".
#include <windows.h>

#include <string.h>

#include "runtime/platform/platform.h"

namespace {

// The code page of an encoding name; 0 for UTF-32LE, -1 when unknown.
int CodePageOf(const char* name) {
    if (!strcmp(name, "UTF-8")) return CP_UTF8;
    if (!strcmp(name, "CP932")) return 932;
    if (!strcmp(name, "CP949")) return 949;
    if (!strcmp(name, "UTF-32LE")) return 0;
    return -1;
}

// UTF-32LE to UTF-16; -1 on a value that is no character.
int Utf32ToWide(const char* in, int inBytes, wchar_t* out, int outCount) {
    if (inBytes % 4) return -1;
    int n = 0;
    for (int i = 0; i < inBytes; i += 4) {
        const unsigned char* b = (const unsigned char*)in + i;
        uint32_t c = b[0] | b[1] << 8 | b[2] << 16 | (uint32_t)b[3] << 24;
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
        int units = c > 0xFFFF ? 2 : 1;
        if (n + units > outCount) return -1;
        if (units == 2) {
            out[n++] = (wchar_t)(0xD800 + ((c - 0x10000) >> 10));
            out[n++] = (wchar_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[n++] = (wchar_t)c;
        }
    }
    return n;
}

// UTF-16 to UTF-32LE; -1 on a lone surrogate or when out is too small.
int WideToUtf32(const wchar_t* in, int count, char* out, int outBytes) {
    int n = 0;
    for (int i = 0; i < count; i++) {
        uint32_t c = (uint16_t)in[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && (uint16_t)in[i + 1] >= 0xDC00 &&
            (uint16_t)in[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + ((uint16_t)in[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            return -1;
        }
        if (n + 4 > outBytes) return -1;
        for (int k = 0; k < 4; k++) out[n++] = (char)(c >> (8 * k));
    }
    return n;
}

} // namespace

int PlatformConvertText(const char* fromCode, const char* toCode, const char* in, int inBytes, char* out,
                        int outBytes) {
    if (!in || !out || inBytes < 0 || outBytes < 0 || !fromCode || !toCode) return -1;
    int from = CodePageOf(fromCode), to = CodePageOf(toCode);
    if (from < 0 || to < 0) return -1;
    if (inBytes == 0) return 0;
    // A byte or a UTF-32 unit never becomes more than two UTF-16 units.
    int wideCount = inBytes * 2 + 2;
    wchar_t* wide = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, (size_t)wideCount * sizeof(wchar_t));
    if (!wide) return -1;
    int units = from == 0 ? Utf32ToWide(in, inBytes, wide, wideCount)
                          : MultiByteToWideChar((UINT)from, MB_ERR_INVALID_CHARS, in, inBytes, wide, wideCount);
    int result = -1;
    if (units > 0) {
        if (to == 0) {
            result = WideToUtf32(wide, units, out, outBytes);
        } else if (to == CP_UTF8) {
            int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, units, out, outBytes, nullptr, nullptr);
            result = n > 0 ? n : -1;
        } else {
            // A character the target set lacks is an error, not a '?'.
            BOOL usedDefault = FALSE;
            int n =
                WideCharToMultiByte((UINT)to, WC_NO_BEST_FIT_CHARS, wide, units, out, outBytes, nullptr, &usedDefault);
            result = n > 0 && !usedDefault ? n : -1;
        }
    }
    HeapFree(GetProcessHeap(), 0, wide);
    return result;
}
