// Directory names as the archive stores and compares them: upper case, zero
// padded to whole words, with the word count and byte sum checked first.
#include "runtime/file/archive_format.h"
#include "runtime/file/disk_file.h"

int MakeNameKey(const char* name, int length, ArchiveNameKey* key) {
    if (length < 0 || length > ArchiveNameMax) return -1;
    int words = (length + 4) / 4;
    memset(key->bytes, 0, (size_t)words * 4);
    uint16_t sum = 0;
    for (int i = 0; i < length; i++) {
        uint8_t c = (uint8_t)name[i];
        if (IsSjisLeadByte(c) && i + 1 < length) {
            key->bytes[i] = c;
            key->bytes[i + 1] = (uint8_t)name[i + 1];
            sum = (uint16_t)(sum + c + (uint8_t)name[i + 1]);
            i++;
            continue;
        }
        if (c >= 'a' && c <= 'z') c = (uint8_t)(c - 32);
        key->bytes[i] = c;
        sum = (uint16_t)(sum + c);
    }
    key->words = (uint16_t)words;
    key->checksum = sum;
    return 0;
}
