// TGA decoder: colour-mapped and true-colour images, plain or run-length
// (types 1, 2, 9, 10), of 16, 24 or 32 bits, turned left to right, top first.
#include <string.h>

#include "runtime/core/memory.h"
#include "runtime/graphics/decode_common.h"
#include "runtime/graphics/image_decode.h"

namespace {

#define TGA_MAX_SIDE 4095

// Unpacks run-length packets of valueBytes-wide values into count values.
// 0, or -1 when the data ends first.
static int TgaUnpackRle(const uint8_t* data, int size, int valueBytes, uint8_t* dst, int64_t count) {
    int64_t done = 0;
    int i = 0;
    while (done < count) {
        if (i >= size) return -1;
        int head = data[i++];
        int64_t n = (head & 0x7F) + 1;
        int64_t take = n < count - done ? n : count - done; // a packet is cut at the end
        if (head & 0x80) {
            if (size - i < valueBytes) return -1;
            for (int64_t k = 0; k < take; ++k) memcpy(dst + (done + k) * valueBytes, data + i, valueBytes);
            i += valueBytes;
        } else {
            if ((int64_t)(size - i) < n * valueBytes) return -1;
            memcpy(dst + done * valueBytes, data + i, (size_t)(take * valueBytes));
            i += (int)(n * valueBytes);
        }
        done += take;
    }
    return 0;
}

// Puts rows top first and pixels left to right as the descriptor asks.
static void TgaOrient(uint8_t* pixels, int width, int height, int bpp, int descriptor) {
    int pitch = width * bpp;
    if (descriptor & 0x10) { // stored right to left
        for (int y = 0; y < height; ++y) {
            uint8_t* row = pixels + (int64_t)y * pitch;
            for (int a = 0, b = width - 1; a < b; ++a, --b) {
                uint8_t t[4];
                memcpy(t, row + a * bpp, bpp);
                memcpy(row + a * bpp, row + b * bpp, bpp);
                memcpy(row + b * bpp, t, bpp);
            }
        }
    }
    if (!(descriptor & 0x20)) { // stored bottom row first
        for (int a = 0, b = height - 1; a < b; ++a, --b) {
            uint8_t* ra = pixels + (int64_t)a * pitch;
            uint8_t* rb = pixels + (int64_t)b * pitch;
            for (int x = 0; x < pitch; ++x) {
                uint8_t t = ra[x];
                ra[x] = rb[x];
                rb[x] = t;
            }
        }
    }
}

} // namespace

int LoadTgaImage(const DataStream* stream, intptr_t handle, GraphImage* out) {
    int start = stream->tell(handle);
    int length = DecodeStreamLength(stream, handle);
    if (start < 0 || length - start < 18) return -1;
    int size = length - start;

    // A footer ends the image data early.
    int dataEnd = size;
    if (size >= 18 + 26) {
        uint8_t footer[26];
        if (stream->seek(handle, start + size - 26, 0) != 0 || DecodeReadExact(stream, handle, footer, 26) != 0)
            return -1;
        if (memcmp(footer + 8, "TRUEVISION-XFILE", 16) == 0 && DecodeU32(footer) == 0) dataEnd = size - 26;
    }

    uint8_t h[18];
    if (stream->seek(handle, start, 0) != 0 || DecodeReadExact(stream, handle, h, 18) != 0) return -1;
    int idLength = h[0], mapType = h[1], type = h[2];
    int mapFirst = DecodeU16(h + 3), mapLength = DecodeU16(h + 5), mapEntryBits = h[7];
    int width = DecodeU16(h + 12), height = DecodeU16(h + 14), pixelBits = h[16], descriptor = h[17];
    if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
    if (DecodeU16(h + 8) != 0 || DecodeU16(h + 10) != 0) return -1;
    if (width <= 0 || height <= 0 || width > TGA_MAX_SIDE || height > TGA_MAX_SIDE) return -1;
    int mapped = type == 1 || type == 9;
    int depth = mapped ? mapEntryBits : pixelBits;
    if (depth != 16 && depth != 24 && depth != 32) return -1;
    int bpp = depth / 8;

    int64_t position = 18 + idLength;
    uint8_t table[256][4];
    memset(table, 0, sizeof(table));
    if (mapped) {
        // Indices are single bytes into a map of at most 256 entries.
        if (mapType != 1 || pixelBits != 8 || mapLength == 0 || mapFirst + mapLength > 256) return -1;
        uint8_t raw[256 * 4];
        if (stream->seek(handle, start + (int)position, 0) != 0 ||
            DecodeReadExact(stream, handle, raw, mapLength * bpp) != 0)
            return -1;
        for (int i = 0; i < mapLength; ++i) memcpy(table[mapFirst + i], raw + i * bpp, bpp);
        position += (int64_t)mapLength * bpp;
    } else if (mapType != 0) {
        position += (int64_t)mapLength * ((mapEntryBits + 7) / 8);
    }
    if (position > dataEnd) return -1;
    int dataSize = dataEnd - (int)position;
    int valueBytes = mapped ? 1 : bpp;
    int64_t count = (int64_t)width * height;
    // Check the data can hold the image before allocating it.
    if (type <= 2 ? count * valueBytes > dataSize : count > (int64_t)dataSize * 128) return -1;

    uint8_t* pixels = (uint8_t*)DecodeAllocPixels(count * bpp);
    uint8_t* data = (uint8_t*)RT_ALLOC(dataSize > 0 ? dataSize : 1);
    uint8_t* values = mapped ? (uint8_t*)DecodeAllocPixels(count) : pixels;
    int ok = pixels && data && values && stream->seek(handle, start + (int)position, 0) == 0 &&
             DecodeReadExact(stream, handle, data, dataSize) == 0;
    if (ok) {
        if (type <= 2) memcpy(values, data, (size_t)(count * valueBytes));
        else ok = TgaUnpackRle(data, dataSize, valueBytes, values, count) == 0;
    }
    if (ok && mapped) {
        for (int64_t i = 0; i < count; ++i) memcpy(pixels + i * bpp, table[values[i]], bpp);
    }
    if (data) RT_FREE(data);
    if (mapped && values) RT_FREE(values);
    if (!ok) {
        if (pixels) RT_FREE(pixels);
        return -1;
    }
    TgaOrient(pixels, width, height, bpp, descriptor);

    ColorSpec* spec = &out->Color;
    memset(spec, 0, sizeof(*spec));
    if (bpp == 2) {
        SetupColorFormat(&spec->Format, 16, 0x7C00, 0x03E0, 0x001F, 0);
        spec->Format.SpareMask = 0x8000;
    } else if (bpp == 3) {
        MakeBgr24ColorSpec(spec);
    } else {
        DecodeMakeBgra32Spec(spec);
    }
    DecodeSetImage(out, width, height, width * bpp, pixels);
    return 0;
}
