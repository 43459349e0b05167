// Colour values, pixel-format descriptors, the decoded GraphImage and the
// software image MEMIMG that every blitter reads and writes.
#pragma once

#include <stdint.h>

#include "runtime/runtime.h"

struct ColorFormat {
    uint16_t ColorBitDepth;                              // bits per pixel: 8, 16, 24 or 32
    uint16_t PixelByte;                                  // bytes per pixel
    uint8_t RedBits, GreenBits, BlueBits, AlphaBits;     // channel widths (0 = absent)
    uint8_t RedShift, GreenShift, BlueShift, AlphaShift; // lowest bit of each channel
    uint32_t RedMask, GreenMask, BlueMask, AlphaMask;    // channel bits in the pixel
    uint32_t SpareMask;                                  // bits of no channel; 0 when the widths fill the depth
};

// A format plus a 256-entry palette (bytes blue, green, red, reserved).
struct ColorSpec {
    ColorFormat Format;
    uint8_t Palette[256][4];
};

// A decoded image: rows top first, pixel bytes little-endian.
struct GraphImage {
    ColorSpec Color; // pixel format and, for 8-bit images, palette
    int32_t Width, Height;
    int32_t Pitch;   // bytes per row
    void* PixelData; // tracked allocation owned by the image
};

enum MemImgKind {
    Rgb565 = 0,
    Xrgb8888 = 1,
    Mono8 = 2,
    Mono16 = 3,
};

#define MEMIMG_INIT_MARK 0x12345678u

struct MEMIMG {
    uint32_t InitMark; // MEMIMG_INIT_MARK while initialised
    int32_t Width, Height;
    int32_t Pitch;             // bytes from one row to the next
    const ColorFormat* Format; // shared descriptor of kind/alpha/palette
    uint32_t TransColor;       // transparent colour as a pixel value (index for palettes)
    int32_t PixelKind;         // MemImgKind
    int32_t UsePalette;        // pixels are 8-bit indices into Palette
    int32_t PaletteCount;      // palette entries in use
    int32_t AlphaChannel;      // every pixel carries an alpha value
    int32_t UserBuffer;        // Pixels belongs to the caller
    uint32_t* Palette;         // palette in use (OwnPalette unless a view shares one)
    uint32_t OwnPalette[256];  // 0x00RRGGBB for Xrgb8888; packed u16 565 values for Rgb565
    uint8_t* Pixels;           // first byte of row 0
};

// Standard specs used by the image loaders.
void MakePaletteColorSpec(ColorSpec* spec);
void MakeGrayPaletteColorSpec(ColorSpec* spec);
void MakeBgr24ColorSpec(ColorSpec* spec);

void SetupColorFormat(ColorFormat* format, int bitDepth, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                      uint32_t alphaMask);
// SpareMask from the depth and the four masks (0 when the widths fill the depth).
void RecomputeSpareMask(ColorFormat* format);

// A platform pixel-format record: bit count and four masks.
struct PixelFormatMasks {
    int bitCount;
    uint32_t redMask, greenMask, blueMask, alphaMask;
};
void ColorFormatFromPixelFormat(ColorFormat* format, const PixelFormatMasks* pixelFormat);
uint32_t MakeColorInFormat(const ColorFormat* format, int red, int green, int blue, int alpha);
uint32_t ConvertColorValue(const ColorFormat* destFormat, const ColorFormat* srcFormat, uint32_t color);
// The shared descriptor of a kind (null for a kind outside 0..3).
const ColorFormat* GetMemImgColorFormat(int kind, int alphaFlag, int paletteFlag);

// Largest pixel block of one image: its size and every offset into it fit an
// int, with room for the tracked allocator's header.
#define MEMIMG_MAX_BYTES ((int64_t)0x7FFFFFFF - 64)
// Pitch (-1 = default, rows padded to 16 bytes) and byte size an image of this
// size and kind would have, computed in 64 bits. 0, or -1 for a size the runtime
// cannot hold (over MEMIMG_MAX_BYTES) or a pitch shorter than a row.
int MemImgLayout(int width, int height, int pitch, int kind, int usePalette, int alphaChannel, int64_t* pitchOut,
                 int64_t* bytesOut);
int SetupMemImg(MEMIMG* image, int width, int height, int pitch, uint32_t transColor, int kind, int usePalette,
                int alphaChannel);
void SetupMemImgView(MEMIMG* view, const MEMIMG* parent, int x, int y, int width, int height);
void ReleaseMemImg(MEMIMG* image);
int MemImgHasPixels(const MEMIMG* image);
// Rectangle (left, top, right, bottom), or null for the whole image.
void FillMemImgRaw(MEMIMG* image, const int* rect, uint32_t pixelValue);

// Releases the pixels of a decoded image and zeroes it.
void ReleaseGraphImage(GraphImage* image);
