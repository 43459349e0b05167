// The scramble key of our archives: a fill byte run through twelve fixed byte
// operations, a one-value fall-back key, and the XOR that applies either.
#include "runtime/file/archive_format.h"

namespace {

const uint8_t kFillByte = 0x6B;
const uint8_t kFallbackByte = 0x5D;

uint8_t RotateLeft(uint8_t v, int n) {
    return (uint8_t)((v << n) | (v >> (8 - n)));
}
uint8_t RotateRight(uint8_t v, int n) {
    return (uint8_t)((v >> n) | (v << (8 - n)));
}

} // namespace

void BuildArchiveKey(ArchiveKey* key) {
    uint8_t* k = key->bytes;
    for (int i = 0; i < ArchiveKeySize; i++) k[i] = kFillByte;
    k[0] = (uint8_t)~k[0];
    k[1] = RotateLeft(k[1], 1);
    k[2] = (uint8_t)(k[2] ^ 0x3C);
    k[3] = RotateRight(k[3], 3);
    k[4] = (uint8_t)~RotateLeft(k[4], 2);
    k[5] = (uint8_t)(k[5] ^ 0xA5);
    k[6] = RotateLeft((uint8_t)(k[6] ^ 0x5F), 4);
    k[7] = (uint8_t) ~(k[7] ^ 0x19);
    k[8] = (uint8_t)(RotateRight(k[8], 5) ^ 0xC3);
    k[9] = RotateLeft((uint8_t)~k[9], 6);
    k[10] = (uint8_t)(k[10] ^ 0x77);
    k[11] = (uint8_t)~RotateRight((uint8_t)(k[11] ^ 0x2E), 7);
}

void GetFallbackArchiveKey(ArchiveKey* key) {
    for (int i = 0; i < ArchiveKeySize; i++) key->bytes[i] = kFallbackByte;
}

void UnscrambleArchiveBytes(void* buffer, uint32_t length, uint32_t fileOffset, const ArchiveKey* key) {
    uint8_t* b = static_cast<uint8_t*>(buffer);
    uint32_t k = fileOffset % ArchiveKeySize;
    for (uint32_t i = 0; i < length; i++) {
        b[i] ^= key->bytes[k];
        if (++k == ArchiveKeySize) k = 0;
    }
}
