// Small helpers the image decoders share: exact reads, stream length, bounded
// pixel allocation and little-endian field access.
#pragma once

#include <stdint.h>

#include "runtime/file/file_ops.h"
#include "runtime/graphics/color_format.h"

// Largest pixel block a decoder will allocate (the tracked allocator takes an int).
#define DECODE_MAX_IMAGE_BYTES ((int64_t)0x3FFF0000)
// Output a decoder may produce beyond what its data could justify (run-length
// and compressed formats): small images stay cheap, big ones need real data.
#define DECODE_FREE_PIXEL_BYTES ((int64_t)1 << 20)

// Length of the stream in bytes, position restored; -1 when unknown.
int DecodeStreamLength(const DataStream* stream, intptr_t handle);
// Reads exactly size bytes; 0, or -1 on a short read.
int DecodeReadExact(const DataStream* stream, intptr_t handle, void* buffer, int size);
// Tracked allocation of a pixel block; null when bytes is not in 1..DECODE_MAX_IMAGE_BYTES.
void* DecodeAllocPixels(int64_t bytes);
// Zeroed variant.
void* DecodeCallocPixels(int64_t bytes);
// Fills size and pixel fields of a decoded image (the caller sets Color).
void DecodeSetImage(GraphImage* out, int width, int height, int pitch, void* pixels);
// 32-bit blue, green, red, alpha format used by PNG, raw BGRA, TGA and DDS results.
void DecodeMakeBgra32Spec(ColorSpec* spec);

static inline uint16_t DecodeU16(const uint8_t* p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}
static inline uint32_t DecodeU32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
