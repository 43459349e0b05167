// Shared decoder helpers: reads through a DataStream always use 1-byte elements
// so that the returned count is a byte count on every stream variant.
#include "runtime/graphics/decode_common.h"

#include <string.h>

#include "runtime/core/memory.h"

int DecodeStreamLength(const DataStream* stream, intptr_t handle) {
    int position = stream->tell(handle);
    if (position < 0) return -1;
    if (stream->seek(handle, 0, 2) != 0) return -1;
    int length = stream->tell(handle);
    if (stream->seek(handle, position, 0) != 0) return -1;
    return length;
}

int DecodeReadExact(const DataStream* stream, intptr_t handle, void* buffer, int size) {
    if (size < 0) return -1;
    if (size == 0) return 0;
    int got = stream->read(buffer, 1, size, handle);
    return got == size ? 0 : -1;
}

void* DecodeAllocPixels(int64_t bytes) {
    if (bytes <= 0 || bytes > DECODE_MAX_IMAGE_BYTES) return nullptr;
    return RT_ALLOC(bytes);
}

void* DecodeCallocPixels(int64_t bytes) {
    if (bytes <= 0 || bytes > DECODE_MAX_IMAGE_BYTES) return nullptr;
    return RT_CALLOC(bytes);
}

void DecodeSetImage(GraphImage* out, int width, int height, int pitch, void* pixels) {
    out->Width = width;
    out->Height = height;
    out->Pitch = pitch;
    out->PixelData = pixels;
}

void DecodeMakeBgra32Spec(ColorSpec* spec) {
    memset(spec, 0, sizeof(*spec));
    SetupColorFormat(&spec->Format, 32, 0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u);
}
