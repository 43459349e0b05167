// Splitting a Shift-JIS (or Hangeul) or UTF-8 string into its character list and
// fetching the characters not yet cached in one batch.
#include <string.h>

#include "runtime/core/text_encoding.h"
#include "runtime/text/font_state.h"
#include "runtime/text/text.h"

int PrepareStringGlyphs(int handle, const char* text, int length, unsigned char* list, int* bytesUsed) {
    if (bytesUsed) *bytesUsed = 0;
    FontRecord* font = LookupFont(handle);
    if (!font || !text || !list || length <= 0) return 0;
    const unsigned char* bytes = (const unsigned char*)text;
    unsigned char batch[FONT_BATCH_MAX * 3];
    int batchCount = 0;
    int batchLimit = font->cellCount < FONT_BATCH_MAX ? font->cellCount : FONT_BATCH_MAX;
    int utf8 = CurrentTextEncoding() == TEXT_ENCODING_UTF8;
    int count = 0;
    int i = 0;
    while (i < length && bytes[i] != 0 && count < FONT_STRING_MAX) {
        unsigned char first = bytes[i];
        unsigned char second = 0;
        // A lead byte at the end of the string stands alone: nothing past the
        // terminator is read.
        if (utf8) {
            int used = 0;
            uint32_t cp = DecodeUtf8(bytes + i, length - i, &used);
            CharKeyOfCodePoint(cp, font->charSetIndex, &first, &second);
            i += used;
        } else if (IsLeadByte(bytes + i, font->charSetIndex) && bytes[i + 1] != 0) {
            second = bytes[i + 1];
            i += 2;
        } else {
            i += 1;
        }
        unsigned char* ch = list + count * 3;
        ch[0] = first;
        ch[1] = second;
        ch[2] = 0;
        count++;
        if (font->chars[first | second << 8].inUse || batchCount >= batchLimit) continue;
        int seen = 0;
        for (int k = 0; k < batchCount && !seen; k++) seen = batch[k * 3] == first && batch[k * 3 + 1] == second;
        if (seen) continue;
        memcpy(batch + batchCount * 3, ch, 3);
        batchCount++;
    }
    if (batchCount > 0) CacheGlyphs(batchCount, batch, handle);
    if (bytesUsed) *bytesUsed = i;
    return count;
}
