// SetTextEncoding and the one set of rules for reading a caller's strings in it.
// Shift-JIS stays the default; UTF-8 is decoded strictly, so that a bad byte
// becomes one replacement character and no read goes past the string.
#include "runtime/core/text_encoding.h"

#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/platform/platform.h"
#include "runtime/runtime.h"

namespace {

struct TextEncodingState {
    int encoding; // TEXT_ENCODING_SHIFT_JIS (0) or TEXT_ENCODING_UTF8 (1)
};

TextEncodingState s_text;

int IsContinuation(unsigned char b, unsigned char low, unsigned char high) {
    return b >= low && b <= high;
}

// Appends the bytes of a code point in CP932 to out; '?' when it has none.
int AppendSjis(uint32_t cp, char* out, int room) {
    if (room <= 0) return 0;
    if (cp < 0x80) {
        out[0] = (char)cp;
        return 1;
    }
    unsigned char utf32[4] = {(unsigned char)cp, (unsigned char)(cp >> 8), (unsigned char)(cp >> 16), 0};
    char sjis[4];
    int n = PlatformConvertText("UTF-32LE", "CP932", (const char*)utf32, 4, sjis, sizeof sjis);
    if (n <= 0 || n > room) {
        out[0] = '?';
        return 1;
    }
    memcpy(out, sjis, (size_t)n);
    return n;
}

// Appends the UTF-8 bytes of a code point when they fit whole; else nothing.
int AppendUtf8(uint32_t cp, char* out, int room) {
    unsigned char b[4];
    int n;
    if (cp < 0x80) {
        b[0] = (unsigned char)cp;
        n = 1;
    } else if (cp < 0x800) {
        b[0] = (unsigned char)(0xC0 | (cp >> 6));
        b[1] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = (unsigned char)(0xE0 | (cp >> 12));
        b[1] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
        b[2] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = (unsigned char)(0xF0 | (cp >> 18));
        b[1] = (unsigned char)(0x80 | ((cp >> 12) & 0x3F));
        b[2] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
        b[3] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 4;
    }
    if (n > room) return 0;
    memcpy(out, b, (size_t)n);
    return n;
}

} // namespace

int SetTextEncoding(int encoding) {
    API_LOCK();
    if (encoding != TEXT_ENCODING_SHIFT_JIS && encoding != TEXT_ENCODING_UTF8) return -1;
    s_text.encoding = encoding;
    return 0;
}

int GetTextEncoding(void) {
    API_LOCK();
    return s_text.encoding;
}

int CurrentTextEncoding(void) {
    return s_text.encoding;
}

uint32_t DecodeUtf8(const unsigned char* b, int available, int* used) {
    *used = available > 0 ? 1 : 0;
    if (available <= 0) return 0xFFFD;
    unsigned char b0 = b[0];
    if (b0 < 0x80) return b0;
    int extra;
    uint32_t cp;
    // The second byte's range excludes overlong forms, surrogates and code
    // points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; k++) {
        // A NUL or the end of the allowed bytes cuts the sequence: the bytes so
        // far make one replacement character.
        if (k >= available || !IsContinuation(b[k], k == 1 ? low : 0x80, k == 1 ? high : 0xBF)) {
            *used = k;
            return 0xFFFD;
        }
        cp = cp << 6 | (b[k] & 0x3F);
    }
    *used = extra + 1;
    return cp;
}

void CallerTextToSjis(const char* text, char* out, int outSize) {
    if (outSize <= 0) return;
    out[0] = 0;
    if (!text) return;
    if (s_text.encoding != TEXT_ENCODING_UTF8) {
        strncpy(out, text, (size_t)outSize - 1);
        out[outSize - 1] = 0;
        return;
    }
    const unsigned char* in = (const unsigned char*)text;
    int length = (int)strlen(text);
    int at = 0, written = 0;
    while (at < length && written < outSize - 2) {
        int used = 0;
        uint32_t cp = DecodeUtf8(in + at, length - at, &used);
        written += AppendSjis(cp, out + written, outSize - 1 - written);
        at += used;
    }
    out[written] = 0;
}

void CallerTextToUtf8(const char* text, char* out, int outSize) {
    if (outSize <= 0) return;
    out[0] = 0;
    if (!text) return;
    int length = (int)strlen(text);
    if (s_text.encoding != TEXT_ENCODING_UTF8) {
        int n = PlatformConvertText("CP932", "UTF-8", text, length, out, outSize - 1);
        if (n < 0) {
            // Not valid Shift-JIS: its ASCII bytes at least.
            n = 0;
            for (int i = 0; i < length && n < outSize - 1; i++)
                out[n++] = (unsigned char)text[i] < 0x80 ? text[i] : '?';
        }
        out[n] = 0;
        return;
    }
    const unsigned char* in = (const unsigned char*)text;
    int at = 0, written = 0;
    while (at < length) {
        int used = 0;
        uint32_t cp = DecodeUtf8(in + at, length - at, &used);
        int n = AppendUtf8(cp, out + written, outSize - 1 - written);
        if (n == 0) break; // cut at a whole character
        written += n;
        at += used;
    }
    out[written] = 0;
}

void SjisToCallerText(const char* sjis, char* out, int outSize) {
    if (outSize <= 0) return;
    out[0] = 0;
    if (!sjis) return;
    int length = (int)strlen(sjis);
    if (s_text.encoding != TEXT_ENCODING_UTF8 || length == 0) {
        strncpy(out, sjis, (size_t)outSize - 1);
        out[outSize - 1] = 0;
        return;
    }
    int n = PlatformConvertText("CP932", "UTF-8", sjis, length, out, outSize - 1);
    if (n < 0) n = 0;
    // Never end inside a character.
    while (n > 0 && ((unsigned char)out[n - 1] & 0xC0) == 0x80) {
        int start = n - 1;
        while (start > 0 && ((unsigned char)out[start] & 0xC0) == 0x80) start--;
        int used = 0;
        DecodeUtf8((const unsigned char*)out + start, n - start, &used);
        if (start + used == n) break;
        n = start;
    }
    out[n] = 0;
}
