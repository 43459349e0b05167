// Pixel-format descriptors: building them from masks, the shared MEMIMG formats,
// the loaders' standard specs, and colour conversion between formats.
#include "runtime/graphics/color_format.h"

#include <string.h>

#include "runtime/core/memory.h"

static int LowestSetBit(uint32_t mask) {
    int n = 0;
    while (!(mask & 1u)) {
        mask >>= 1;
        n++;
    }
    return n;
}

static int RunLength(uint32_t mask) {
    int n = 0;
    while (mask & 1u) {
        mask >>= 1;
        n++;
    }
    return n;
}

static void SetupChannel(uint32_t mask, uint32_t* outMask, uint8_t* outBits, uint8_t* outShift) {
    if (mask == 0) {
        *outMask = 0;
        *outBits = 0;
        *outShift = 0;
        return;
    }
    int shift = LowestSetBit(mask);
    *outMask = mask;
    *outShift = (uint8_t)shift;
    *outBits = (uint8_t)RunLength(mask >> shift);
}

void SetupColorFormat(ColorFormat* format, int bitDepth, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                      uint32_t alphaMask) {
    memset(format, 0, sizeof(*format));
    format->ColorBitDepth = (uint16_t)bitDepth;
    format->PixelByte = (uint16_t)(bitDepth / 8);
    SetupChannel(redMask, &format->RedMask, &format->RedBits, &format->RedShift);
    SetupChannel(greenMask, &format->GreenMask, &format->GreenBits, &format->GreenShift);
    SetupChannel(blueMask, &format->BlueMask, &format->BlueBits, &format->BlueShift);
    SetupChannel(alphaMask, &format->AlphaMask, &format->AlphaBits, &format->AlphaShift);
    RecomputeSpareMask(format);
}

void RecomputeSpareMask(ColorFormat* format) {
    int widths = format->RedBits + format->GreenBits + format->BlueBits + format->AlphaBits;
    if (widths == format->ColorBitDepth) {
        format->SpareMask = 0;
        return;
    }
    uint64_t all = format->ColorBitDepth >= 32 ? 0xFFFFFFFFull : ((1ull << format->ColorBitDepth) - 1);
    format->SpareMask = (uint32_t)all & ~(format->RedMask | format->GreenMask | format->BlueMask | format->AlphaMask);
}

void ColorFormatFromPixelFormat(ColorFormat* format, const PixelFormatMasks* pixelFormat) {
    SetupColorFormat(format, pixelFormat->bitCount, pixelFormat->redMask, pixelFormat->greenMask, pixelFormat->blueMask,
                     pixelFormat->alphaMask);
}

static uint32_t PlaceChannel(int value, int bits, int shift) {
    if (bits == 0) return 0;
    uint32_t v = (uint32_t)(value & 0xFF);
    if (bits <= 8) return (v >> (8 - bits)) << shift;
    return (v << (bits - 8)) << shift; // wider than a byte (Mono16)
}

uint32_t MakeColorInFormat(const ColorFormat* format, int red, int green, int blue, int alpha) {
    uint32_t c = PlaceChannel(red, format->RedBits, format->RedShift) |
                 PlaceChannel(green, format->GreenBits, format->GreenShift) |
                 PlaceChannel(blue, format->BlueBits, format->BlueShift);
    if (format->AlphaBits != 0) c |= PlaceChannel(alpha, format->AlphaBits, format->AlphaShift);
    return c | format->SpareMask;
}

static uint32_t ConvertChannel(uint32_t color, uint32_t srcMask, int srcShift, int srcBits, int dstBits) {
    uint32_t v = (color & srcMask) >> srcShift;
    if (dstBits > srcBits) return v << (dstBits - srcBits);
    return v >> (srcBits - dstBits);
}

uint32_t ConvertColorValue(const ColorFormat* dst, const ColorFormat* src, uint32_t color) {
    uint32_t r = ConvertChannel(color, src->RedMask, src->RedShift, src->RedBits, dst->RedBits);
    uint32_t g = ConvertChannel(color, src->GreenMask, src->GreenShift, src->GreenBits, dst->GreenBits);
    uint32_t b = ConvertChannel(color, src->BlueMask, src->BlueShift, src->BlueBits, dst->BlueBits);
    uint32_t a;
    if (src->AlphaBits == 0) a = dst->AlphaBits ? (dst->AlphaMask >> dst->AlphaShift) : 0;
    else a = ConvertChannel(color, src->AlphaMask, src->AlphaShift, src->AlphaBits, dst->AlphaBits);
    uint32_t out = ((r << dst->RedShift) & dst->RedMask) | ((g << dst->GreenShift) & dst->GreenMask) |
                   ((b << dst->BlueShift) & dst->BlueMask);
    if (dst->AlphaBits) out |= (a << dst->AlphaShift) & dst->AlphaMask;
    return out | dst->SpareMask;
}

// Shared descriptors: [kind][0 plain, 1 alpha, 2 palette], built on first request.
static struct {
    int built;                 // the table below has been filled
    ColorFormat formats[4][3]; // one per kind and flag combination
} s_memImgFormats;

static void BuildMemImgFormats(void) {
    ColorFormat(*f)[3] = s_memImgFormats.formats;
    SetupColorFormat(&f[Rgb565][0], 16, 0xF800, 0x07E0, 0x001F, 0);
    SetupColorFormat(&f[Rgb565][1], 32, 0xF800, 0x07E0, 0x001F, 0xFF0000);
    SetupColorFormat(&f[Rgb565][2], 8, 0xF800, 0x07E0, 0x001F, 0);
    SetupColorFormat(&f[Xrgb8888][0], 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SetupColorFormat(&f[Xrgb8888][1], 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    SetupColorFormat(&f[Xrgb8888][2], 8, 0xFF0000, 0xFF00, 0xFF, 0);
    SetupColorFormat(&f[Mono8][0], 8, 0xFF, 0xFF, 0xFF, 0xFF);
    SetupColorFormat(&f[Mono16][0], 16, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF);
    for (int k = Mono8; k <= Mono16; k++) f[k][1] = f[k][2] = f[k][0];
    s_memImgFormats.built = 1;
}

const ColorFormat* GetMemImgColorFormat(int kind, int alphaFlag, int paletteFlag) {
    if (kind < 0 || kind > 3) return nullptr;
    if (!s_memImgFormats.built) BuildMemImgFormats();
    if (kind >= Mono8) return &s_memImgFormats.formats[kind][0];
    if (paletteFlag) return &s_memImgFormats.formats[kind][2];
    return &s_memImgFormats.formats[kind][alphaFlag ? 1 : 0];
}

void MakePaletteColorSpec(ColorSpec* spec) {
    SetupColorFormat(&spec->Format, 8, 0xFF0000, 0xFF00, 0xFF, 0);
    spec->Format.SpareMask = 0xFF000000u;
}

void MakeGrayPaletteColorSpec(ColorSpec* spec) {
    MakePaletteColorSpec(spec);
    for (int i = 0; i < 256; i++) {
        spec->Palette[i][0] = (uint8_t)i;
        spec->Palette[i][1] = (uint8_t)i;
        spec->Palette[i][2] = (uint8_t)i;
        spec->Palette[i][3] = 0;
    }
}

void MakeBgr24ColorSpec(ColorSpec* spec) {
    SetupColorFormat(&spec->Format, 24, 0xFF0000, 0xFF00, 0xFF, 0);
}

void ReleaseGraphImage(GraphImage* image) {
    if (!image) return;
    if (image->PixelData) RT_FREE(image->PixelData);
    memset(image, 0, sizeof(*image));
}
