// Raw "BGRA" decoder: a 16-byte header and uncompressed blue, green, red,
// alpha pixels of 8 or 16 bits per channel.
#include <string.h>

#include "runtime/core/memory.h"
#include "runtime/graphics/decode_common.h"
#include "runtime/graphics/image_decode.h"

int LoadRawBgraImage(const DataStream* stream, intptr_t handle, GraphImage* out) {
    int start = stream->tell(handle);
    int length = DecodeStreamLength(stream, handle);
    if (start < 0 || length < start + 16) return -1;
    uint8_t header[16];
    if (DecodeReadExact(stream, handle, header, 16) != 0) return -1;
    if (memcmp(header, "BGRA", 4) != 0) return -1;
    uint32_t code = DecodeU32(header + 4);
    uint32_t width = DecodeU32(header + 8), height = DecodeU32(header + 12);
    int channelBytes = code == 0x08080808u ? 1 : code == 0x10101010u ? 2 : 0;
    if (channelBytes == 0 || width == 0 || height == 0) return -1;
    // The pixels must all be there before anything is allocated.
    int64_t rowIn = (int64_t)width * 4 * channelBytes;
    int64_t available = (int64_t)length - start - 16;
    if (width > 0x7FFFFFF || height > 0x7FFFFFF || rowIn * (int64_t)height > available) return -1;
    int64_t pitch = (int64_t)width * 4;
    uint8_t* pixels = (uint8_t*)DecodeAllocPixels(pitch * height);
    if (!pixels) return -1;
    if (channelBytes == 1) {
        if (DecodeReadExact(stream, handle, pixels, (int)(pitch * height)) != 0) {
            RT_FREE(pixels);
            return -1;
        }
    } else {
        uint8_t* row = (uint8_t*)DecodeAllocPixels(rowIn);
        if (!row) {
            RT_FREE(pixels);
            return -1;
        }
        for (uint32_t y = 0; y < height; ++y) {
            if (DecodeReadExact(stream, handle, row, (int)rowIn) != 0) {
                RT_FREE(row);
                RT_FREE(pixels);
                return -1;
            }
            uint8_t* dst = pixels + (int64_t)y * pitch;
            for (int64_t i = 0; i < pitch; ++i) dst[i] = row[i * 2 + 1]; // high byte of each u16
        }
        RT_FREE(row);
    }
    DecodeMakeBgra32Spec(&out->Color);
    DecodeSetImage(out, (int)width, (int)height, (int)pitch, pixels);
    return 0;
}
