// BMP decoder: palette images (1 to 8 bits, RLE8, RLE4), 24-bit rows kept as
// they are, and 16/32-bit and bit-field files converted to 24-bit BGR.
#include <string.h>

#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/sjis.h"
#include "runtime/graphics/decode_common.h"
#include "runtime/graphics/image_decode.h"

namespace {

// Everything the header tells about the pixel data.
struct BmpInfo {
    int width, height;       // height already made positive
    int topDown;             // rows stored top first (negative height)
    int bits;                // bits per pixel
    uint32_t compression;    // 0 plain, 1 RLE8, 2 RLE4, 3/6 bit fields
    uint32_t masks[3];       // red, green, blue masks for 16/32 bits
    int paletteCount;        // palette entries read from the file
    uint8_t palette[256][4]; // blue, green, red, 0 (unused entries zero)
};

// Channel value scaled to 8 bits; narrow channels are stretched to 0..255.
static inline uint8_t ScaleChannel(uint32_t pixel, uint32_t mask, int shift, int width) {
    if (width == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (width >= 8) return (uint8_t)(v >> (width - 8));
    uint32_t max = (1u << width) - 1;
    return (uint8_t)((v * 255 + max / 2) / max);
}

static void MaskGeometry(uint32_t mask, int* shift, int* width) {
    *shift = 0;
    *width = 0;
    if (mask == 0) return;
    while (!(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++*width;
    }
}

// Reads file and information headers, masks and palette. 0 or -1.
static int ReadBmpHeaders(const DataStream* s, intptr_t h, int base, int length, BmpInfo* info, int* dataOffset) {
    uint8_t fileHeader[14];
    if (DecodeReadExact(s, h, fileHeader, 14) != 0) return -1;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return -1;
    uint32_t offset = DecodeU32(fileHeader + 10);

    uint8_t header[124];
    memset(header, 0, sizeof(header));
    if (DecodeReadExact(s, h, header, 4) != 0) return -1;
    uint32_t headerSize = DecodeU32(header);
    if (headerSize < 12 || headerSize > 4096) return -1;
    int headerRead = headerSize < 124 ? (int)headerSize : 124;
    if (DecodeReadExact(s, h, header + 4, headerRead - 4) != 0) return -1;

    int64_t width, height;
    int planes, entrySize;
    if (headerSize == 12) { // core header: 16-bit sizes, 3-byte palette entries
        width = DecodeU16(header + 4);
        height = (int16_t)DecodeU16(header + 6);
        planes = DecodeU16(header + 8);
        info->bits = DecodeU16(header + 10);
        info->compression = 0;
        entrySize = 3;
    } else {
        if (headerSize < 16) return -1;
        width = (int32_t)DecodeU32(header + 4);
        height = (int32_t)DecodeU32(header + 8);
        planes = DecodeU16(header + 12);
        info->bits = DecodeU16(header + 14);
        info->compression = headerSize >= 20 ? DecodeU32(header + 16) : 0;
        entrySize = 4;
    }
    if (planes != 1 || width <= 0 || height == 0) return -1;
    info->topDown = height < 0;
    if (height < 0) height = -height;
    if (width > 0x7FFFFFF || height > 0x7FFFFFF) return -1;
    info->width = (int)width;
    info->height = (int)height;

    int bits = info->bits;
    switch (info->compression) {
        case 0:
            if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
            break;
        case 1:
            if (bits != 8) return -1;
            break;
        case 2:
            if (bits != 4) return -1;
            break;
        case 3:
        case 6:
            if (bits != 16 && bits != 32) return -1;
            break;
        default:
            return -1; // embedded JPEG/PNG, OS/2 Huffman and RLE24 are not read
    }

    // Masks: bit fields give them (inside a long header or right after a 40-byte one).
    if (bits == 16) {
        info->masks[0] = 0x7C00;
        info->masks[1] = 0x03E0;
        info->masks[2] = 0x001F;
    } else {
        info->masks[0] = 0xFF0000;
        info->masks[1] = 0xFF00;
        info->masks[2] = 0xFF;
    }
    int64_t paletteStart = 14 + (int64_t)headerSize;
    if (info->compression == 3 || info->compression == 6) {
        uint8_t m[12];
        if (headerSize >= 52) {
            memcpy(m, header + 40, 12);
        } else {
            if (headerSize != 40) return -1;
            if (DecodeReadExact(s, h, m, 12) != 0) return -1;
            paletteStart += info->compression == 6 ? 16 : 12;
        }
        for (int i = 0; i < 3; ++i) info->masks[i] = DecodeU32(m + 4 * i);
    }

    // Palette: as many entries as the header says, never more than the depth allows.
    memset(info->palette, 0, sizeof(info->palette));
    info->paletteCount = 0;
    if (bits <= 8) {
        int maxEntries = 1 << bits;
        int count = maxEntries;
        if (headerSize >= 36) {
            uint32_t used = DecodeU32(header + 32);
            if (used > 0 && used < (uint32_t)maxEntries) count = (int)used;
        }
        // A palette that runs into the pixel data is cut there.
        if (offset > paletteStart && offset < paletteStart + (int64_t)count * entrySize)
            count = (int)((offset - paletteStart) / entrySize);
        if (count <= 0) return -1;
        if (s->seek(h, base + (int)paletteStart, 0) != 0) return -1;
        uint8_t raw[256 * 4];
        if (DecodeReadExact(s, h, raw, count * entrySize) != 0) return -1;
        for (int i = 0; i < count; ++i) {
            info->palette[i][0] = raw[i * entrySize];
            info->palette[i][1] = raw[i * entrySize + 1];
            info->palette[i][2] = raw[i * entrySize + 2];
        }
        info->paletteCount = count;
    }
    if (offset < 14 + 12 || (int64_t)offset >= length) return -1;
    *dataOffset = (int)offset;
    return 0;
}

static void SetPaletteSpec(ColorSpec* spec, const BmpInfo* info) {
    MakePaletteColorSpec(spec);
    memcpy(spec->Palette, info->palette, sizeof(spec->Palette));
}

// RLE8 / RLE4 into a zeroed 8-bit image; runs and deltas outside it are dropped.
static int DecodeRle(const BmpInfo* info, const uint8_t* data, int size, GraphImage* out) {
    int w = info->width, hgt = info->height;
    int pitch = (w + 3) & ~3;
    int64_t bytes = (int64_t)pitch * hgt;
    if (bytes > DECODE_FREE_PIXEL_BYTES + (int64_t)size * 256) return -1;
    uint8_t* pixels = (uint8_t*)DecodeCallocPixels(bytes);
    if (!pixels) return -1;
    int rle4 = info->compression == 2;
    int x = 0, line = 0;
    uint8_t* row = pixels + (int64_t)(info->topDown ? 0 : hgt - 1) * pitch;
    int i = 0;
    while (i + 1 < size && line < hgt) {
        int n = data[i], c = data[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n && x < w; ++k, ++x)
                row[x] = rle4 ? (uint8_t)((k & 1) ? (c & 15) : (c >> 4)) : (uint8_t)c;
            continue;
        }
        if (c == 1) break;
        if (c == 0 || c == 2) {
            int dy = 1;
            if (c == 2) {
                if (i + 1 >= size) break;
                x += data[i];
                dy = data[i + 1];
                i += 2;
                if (x > w) x = w;
            } else {
                x = 0;
            }
            line += dy;
            if (line >= hgt) break;
            row = pixels + (int64_t)(info->topDown ? line : hgt - 1 - line) * pitch;
            continue;
        }
        int inBytes = rle4 ? (c + 1) / 2 : c;
        int avail = size - i < inBytes ? size - i : inBytes;
        for (int k = 0; k < c && x < w; ++k, ++x) {
            int byteIndex = rle4 ? k / 2 : k;
            if (byteIndex >= avail) break;
            uint8_t b = data[i + byteIndex];
            row[x] = rle4 ? (uint8_t)((k & 1) ? (b & 15) : (b >> 4)) : b;
        }
        if (avail < inBytes) break;
        i += inBytes + (inBytes & 1);
    }
    SetPaletteSpec(&out->Color, info);
    DecodeSetImage(out, w, hgt, pitch, pixels);
    return 0;
}

// Plain 4-, 8- and 24-bit rows: 4-bit indices unpacked, rows put top first.
static int DecodeKeep(const BmpInfo* info, const uint8_t* data, int64_t rowSize, GraphImage* out) {
    int w = info->width, hgt = info->height;
    int64_t pitch = info->bits == 4 ? ((w + 3) & ~3) : rowSize;
    int64_t used = ((int64_t)info->bits * w + 7) / 8;
    uint8_t* pixels = (uint8_t*)DecodeCallocPixels(pitch * hgt);
    if (!pixels) return -1;
    for (int y = 0; y < hgt; ++y) {
        const uint8_t* src = data + (int64_t)(info->topDown ? y : hgt - 1 - y) * rowSize;
        uint8_t* dst = pixels + (int64_t)y * pitch;
        if (info->bits == 4) {
            for (int x = 0; x < w; ++x) dst[x] = (x & 1) ? (src[x / 2] & 15) : (src[x / 2] >> 4);
        } else {
            memcpy(dst, src, (size_t)used);
        }
    }
    if (info->bits == 24) MakeBgr24ColorSpec(&out->Color);
    else SetPaletteSpec(&out->Color, info);
    DecodeSetImage(out, w, hgt, (int)pitch, pixels);
    return 0;
}

// 1/2-bit palette files and 16/32-bit files become 24-bit blue, green, red.
static int DecodeTo24(const BmpInfo* info, const uint8_t* data, int64_t rowSize, GraphImage* out) {
    int w = info->width, hgt = info->height;
    int64_t pitch = ((int64_t)w * 3 + 3) & ~(int64_t)3;
    uint8_t* pixels = (uint8_t*)DecodeAllocPixels(pitch * hgt);
    if (!pixels) {
        LogWrite(SJ("ＤＩＢの作成に失敗しました3\n"));
        return LogWrite(SJ("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n"));
    }
    int shift[3], width[3];
    for (int c = 0; c < 3; ++c) MaskGeometry(info->masks[c], &shift[c], &width[c]);
    int bits = info->bits;
    for (int y = 0; y < hgt; ++y) {
        const uint8_t* src = data + (int64_t)(info->topDown ? y : hgt - 1 - y) * rowSize;
        uint8_t* dst = pixels + (int64_t)y * pitch;
        for (int x = 0; x < w; ++x, dst += 3) {
            if (bits <= 8) {
                int perByte = 8 / bits;
                int index = (src[x / perByte] >> (8 - bits - (x % perByte) * bits)) & ((1 << bits) - 1);
                memcpy(dst, info->palette[index], 3);
                continue;
            }
            uint32_t v = bits == 16 ? DecodeU16(src + x * 2) : DecodeU32(src + (int64_t)x * 4);
            dst[0] = ScaleChannel(v, info->masks[2], shift[2], width[2]);
            dst[1] = ScaleChannel(v, info->masks[1], shift[1], width[1]);
            dst[2] = ScaleChannel(v, info->masks[0], shift[0], width[0]);
        }
        memset(dst, 0, (size_t)(pitch - (int64_t)w * 3));
    }
    MakeBgr24ColorSpec(&out->Color);
    DecodeSetImage(out, w, hgt, (int)pitch, pixels);
    return 0;
}

} // namespace

int LoadBmpImage(const DataStream* stream, intptr_t handle, GraphImage* out) {
    int base = stream->tell(handle);
    int length = DecodeStreamLength(stream, handle);
    if (base < 0 || length < 0) return -1;
    BmpInfo info;
    memset(&info, 0, sizeof(info));
    int dataOffset = 0;
    if (ReadBmpHeaders(stream, handle, base, length - base, &info, &dataOffset) != 0) return -1;

    int dataSize = length - base - dataOffset;
    if (dataSize <= 0 || stream->seek(handle, base + dataOffset, 0) != 0) return -1;
    uint8_t* data = (uint8_t*)RT_ALLOC(dataSize);
    if (!data) return -1;
    if (DecodeReadExact(stream, handle, data, dataSize) != 0) {
        RT_FREE(data);
        return -1;
    }

    GraphImage image;
    memset(&image, 0, sizeof(image));
    int result;
    if (info.compression == 1 || info.compression == 2) {
        result = DecodeRle(&info, data, dataSize, &image);
    } else {
        int64_t rowSize = (((int64_t)info.bits * info.width + 7) / 8 + 3) & ~(int64_t)3;
        int64_t lastRow = ((int64_t)info.bits * info.width + 7) / 8;
        // The rows must be present; the last one may lack its padding.
        if (rowSize * (info.height - 1) + lastRow > dataSize) {
            result = -1;
        } else if (info.compression == 0 && (info.bits == 4 || info.bits == 8 || info.bits == 24)) {
            result = DecodeKeep(&info, data, rowSize, &image);
        } else {
            result = DecodeTo24(&info, data, rowSize, &image);
        }
    }
    RT_FREE(data);
    if (result != 0) return -1;
    *out = image;
    return 0;
}
