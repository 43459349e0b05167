// Character keys of UTF-8 text. The glyph cache is keyed by two bytes; a code
// point that the font's character set (CP932, or CP949 for Hangeul) holds gets
// exactly its Shift-JIS or Hangeul key, so both encodings share cells and pixels.
// Other code points get keys that no Shift-JIS string can form (a first byte
// below 0x80 with a second byte), handed out once per process.
#include <string.h>

#include "runtime/platform/platform.h"
#include "runtime/text/text.h"

namespace {

const int kMapCapacity = 1 << 16;       // open-addressed (code point, set) entries
const int kExtendedFirst = 0x01;        // first bytes of extended keys: 0x01..0x7F
const int kExtendedCount = 0x7F * 0xFF; // second bytes 0x01..0xFF

struct KeyMapEntry {
    uint32_t tag; // code point + 1, with bit 24 for Hangeul fonts; 0 = empty
    uint16_t key; // first byte | second byte << 8
};

struct CharKeyState {
    KeyMapEntry map[kMapCapacity];     // code point -> key, filled as characters are met
    int mapCount;                      // entries in use
    uint32_t extended[kExtendedCount]; // code point of each extended key handed out
    int extendedCount;                 // extended keys handed out
};

CharKeyState s_keys;

uint16_t PackKey(unsigned char first, unsigned char second) {
    return (uint16_t)(first | second << 8);
}

uint16_t NewExtendedKey(uint32_t cp) {
    if (s_keys.extendedCount >= kExtendedCount) return 0;
    int n = s_keys.extendedCount++;
    s_keys.extended[n] = cp;
    return PackKey((unsigned char)(kExtendedFirst + n / 0xFF), (unsigned char)(1 + n % 0xFF));
}

// The key the character set gives the code point, when it has one that converts
// back to the same code point; 0 otherwise.
uint16_t NativeKey(uint32_t cp, int hangeul) {
    unsigned char utf32[4] = {(unsigned char)cp, (unsigned char)(cp >> 8), (unsigned char)(cp >> 16), 0};
    const char* set = hangeul ? "CP949" : "CP932";
    unsigned char bytes[4];
    int n = PlatformConvertText("UTF-32LE", set, (const char*)utf32, 4, (char*)bytes, sizeof bytes);
    uint16_t key = 0;
    if (n == 1 && !hangeul && bytes[0] >= 0xA1 && bytes[0] <= 0xDF) key = bytes[0];
    if (n == 2 && IsLeadByte(bytes, hangeul ? 2 : 1)) key = PackKey(bytes[0], bytes[1]);
    if (!key) return 0;
    unsigned char back[8];
    int m = PlatformConvertText(set, "UTF-32LE", (const char*)bytes, n, (char*)back, sizeof back);
    if (m != 4 || memcmp(back, utf32, 4) != 0) return 0;
    return key;
}

} // namespace

void CharKeyOfCodePoint(uint32_t cp, int charSetIndex, unsigned char* first, unsigned char* second) {
    if (cp < 0x80) {
        *first = (unsigned char)cp;
        *second = 0;
        return;
    }
    int hangeul = charSetIndex == 2;
    uint32_t tag = (cp + 1) | (hangeul ? 1u << 24 : 0u);
    unsigned h = (tag * 2654435761u) & (kMapCapacity - 1);
    while (s_keys.map[h].tag && s_keys.map[h].tag != tag) h = (h + 1) & (kMapCapacity - 1);
    uint16_t key;
    if (s_keys.map[h].tag == tag) {
        key = s_keys.map[h].key;
    } else {
        key = NativeKey(cp, hangeul);
        if (!key) key = NewExtendedKey(cp);
        // A full table keeps the map's last quarter free for lookups to end.
        if (key && s_keys.mapCount < kMapCapacity * 3 / 4) {
            s_keys.map[h].tag = tag;
            s_keys.map[h].key = key;
            s_keys.mapCount++;
        }
        // Out of keys: the replacement character stands in.
        if (!key && cp != 0xFFFD) {
            CharKeyOfCodePoint(0xFFFD, charSetIndex, first, second);
            return;
        }
        if (!key) key = '?';
    }
    *first = (unsigned char)(key & 0xFF);
    *second = (unsigned char)(key >> 8);
}

uint32_t CodePointOfExtendedKey(unsigned char first, unsigned char second) {
    if (first < kExtendedFirst || first >= 0x80 || second == 0) return 0;
    int n = (first - kExtendedFirst) * 0xFF + (second - 1);
    return n < s_keys.extendedCount ? s_keys.extended[n] : 0;
}
