// Decoder of the archive's compressed blocks: literals, an escape byte, and
// matches of 4..8195 bytes at distances up to 16 M. Every step is checked
// against the end of the payload and of the output, so hostile blocks fail
// instead of reading or writing out of bounds.
#include "runtime/file/archive_format.h"

int64_t DecompressArchiveData(const uint8_t* block, uint32_t blockBytes, uint8_t* out, uint32_t capacity) {
    if (!block || blockBytes < ArchiveCompressedHeadSize) return -1;
    uint32_t decodedSize = ReadLe32(block);
    uint32_t blockSize = ReadLe32(block + 4);
    if (!out) return decodedSize;
    if (blockSize < ArchiveCompressedHeadSize || blockSize > blockBytes) return -1;
    if (decodedSize > capacity) return -1;
    const uint8_t escape = block[8];
    const uint8_t* p = block + ArchiveCompressedHeadSize;
    const uint8_t* end = block + blockSize;
    uint32_t o = 0;
    while (p < end) {
        uint8_t b = *p;
        if (b != escape) {
            if (o >= decodedSize) return -1;
            out[o++] = b;
            p++;
            continue;
        }
        if (end - p < 2) return -1;
        uint32_t c = p[1];
        if (c == escape) {
            if (o >= decodedSize) return -1;
            out[o++] = escape;
            p += 2;
            continue;
        }
        if (c > escape) c--;
        p += 2;
        uint32_t length = c >> 3;
        if (c & 4) {
            if (p >= end) return -1;
            length |= (uint32_t)*p++ << 5;
        }
        length += ArchiveMinMatch;
        uint32_t distance;
        switch (c & 3) {
            case 0:
                if (end - p < 1) return -1;
                distance = p[0];
                p += 1;
                break;
            case 1:
                if (end - p < 2) return -1;
                distance = ReadLe16(p);
                p += 2;
                break;
            case 2:
                if (end - p < 3) return -1;
                distance = ReadLe16(p) | ((uint32_t)p[2] << 16);
                p += 3;
                break;
            default:
                return -1; // code 3 carries no distance and never occurs in valid data
        }
        distance += 1;
        if (distance > o || length > decodedSize - o) return -1;
        uint8_t* dst = out + o;
        const uint8_t* src = dst - distance;
        if (distance >= length) {
            memcpy(dst, src, length);
        } else {
            // Overlap: the last distance bytes repeat.
            for (uint32_t i = 0; i < length; i++) dst[i] = src[i];
        }
        o += length;
    }
    return o == decodedSize ? (int64_t)decodedSize : -1;
}
