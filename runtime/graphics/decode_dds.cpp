// DDS decoder: uncompressed surfaces described by header masks or by a
// numeric format code; compressed (four-character) data is not decoded.
#include <string.h>

#include "runtime/core/memory.h"
#include "runtime/graphics/decode_common.h"
#include "runtime/graphics/image_decode.h"

namespace {

// One numeric format code and the layout it stands for.
struct DdsFormatEntry {
    uint32_t code;
    int bits;
    uint32_t red, green, blue, alpha;
};

static const DdsFormatEntry kDdsFormats[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x07E0, 0x001F, 0},
    {24, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {25, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {26, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x03, 0},
    {29, 16, 0xE0, 0x1C, 0x03, 0xFF00},
    {30, 16, 0x0F00, 0x00F0, 0x000F, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
};

#define DDS_PITCH_VALID 0x8u
#define DDS_ALPHA_PIXELS 0x1u
#define DDS_FOURCC 0x4u
#define DDS_RGB 0x40u

// Channel of an 8-bit pixel stretched to 0..255.
static uint8_t DdsChannel(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    uint32_t max = mask >> shift;
    return (uint8_t)((((value & mask) >> shift) * 255 + max / 2) / max);
}

} // namespace

int LoadDdsImage(const DataStream* stream, intptr_t handle, GraphImage* out) {
    int start = stream->tell(handle);
    int length = DecodeStreamLength(stream, handle);
    if (start < 0 || length - start < 128) return -1;
    uint8_t h[128];
    if (DecodeReadExact(stream, handle, h, 128) != 0) return -1;
    if (memcmp(h, "DDS", 3) != 0) return -1;
    const uint8_t* d = h + 4; // the surface description
    uint32_t flags = DecodeU32(d + 4);
    uint32_t height = DecodeU32(d + 8), width = DecodeU32(d + 12), givenPitch = DecodeU32(d + 16);
    uint32_t formatFlags = DecodeU32(d + 76), code = DecodeU32(d + 80);
    int bits;
    uint32_t masks[4];
    if (formatFlags & DDS_RGB) {
        bits = (int)DecodeU32(d + 84);
        for (int i = 0; i < 4; ++i) masks[i] = DecodeU32(d + 88 + 4 * i);
        if (!(formatFlags & DDS_ALPHA_PIXELS)) masks[3] = 0;
    } else if (formatFlags == DDS_FOURCC) {
        const DdsFormatEntry* entry = nullptr;
        for (const DdsFormatEntry& e : kDdsFormats)
            if (e.code == code) entry = &e;
        if (!entry) return -1;
        bits = entry->bits;
        masks[0] = entry->red;
        masks[1] = entry->green;
        masks[2] = entry->blue;
        masks[3] = entry->alpha;
    } else {
        return -1;
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
    uint32_t all = masks[0] | masks[1] | masks[2] | masks[3];
    if (all == 0 || (bits < 32 && (all >> bits) != 0)) return -1;
    if (width == 0 || height == 0 || width > 0x7FFFFFF || height > 0x7FFFFFF) return -1;

    int64_t rowBytes = (int64_t)(bits / 8) * width;
    int64_t pitch = (flags & DDS_PITCH_VALID) ? (int64_t)givenPitch : rowBytes;
    if (pitch < rowBytes || pitch > 0x7FFFFFFF) return -1; // rows may not overlap
    int64_t available = (int64_t)length - start - 128;
    if (pitch * (int64_t)(height - 1) + rowBytes > available) return -1;
    uint8_t* pixels = (uint8_t*)DecodeCallocPixels(pitch * (int64_t)height);
    if (!pixels) return -1;
    int64_t toRead = pitch * (int64_t)height < available ? pitch * (int64_t)height : available;
    if (DecodeReadExact(stream, handle, pixels, (int)toRead) != 0) {
        RT_FREE(pixels);
        return -1;
    }

    ColorSpec* spec = &out->Color;
    memset(spec, 0, sizeof(*spec));
    if (bits == 8) {
        // An 8-bit depth means palette indices to the rest of the runtime: give
        // each value its colour through the palette.
        MakePaletteColorSpec(spec);
        for (uint32_t i = 0; i < 256; ++i) {
            spec->Palette[i][0] = DdsChannel(i, masks[2]);
            spec->Palette[i][1] = DdsChannel(i, masks[1]);
            spec->Palette[i][2] = DdsChannel(i, masks[0]);
            spec->Palette[i][3] = 0;
        }
    } else {
        SetupColorFormat(&spec->Format, bits, masks[0], masks[1], masks[2], masks[3]);
    }
    DecodeSetImage(out, (int)width, (int)height, (int)pitch, pixels);
    return 0;
}
