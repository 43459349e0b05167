// Colour values in the screen's format: MakeColor and its inverse GetColorRGB.
#include "runtime/core/api_lock.h"
#include "runtime/graphics/color_format.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"

static int ScreenDepth(void) {
    return g_screen.colorBitDepth ? g_screen.colorBitDepth : 16;
}

static const ColorFormat* ScreenColorFormat(void) {
    return GetMemImgColorFormat(ScreenDepth() == 32 ? Xrgb8888 : Rgb565, 0, 0);
}

int NearestScreenPaletteIndex(int red, int green, int blue) {
    int best = 0;
    int bestDistance = 0xFFFFFF;
    for (int i = 0; i < 256; i++) {
        int dr = red - g_screen.palette[i][0], dg = green - g_screen.palette[i][1], db = blue - g_screen.palette[i][2];
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

unsigned int MakeColor(int r, int g, int b) {
    API_LOCK();
    if (ScreenDepth() == 8) return (unsigned int)NearestScreenPaletteIndex(r & 0xFF, g & 0xFF, b & 0xFF);
    const ColorFormat* f = ScreenColorFormat();
    return MakeColorInFormat(f, r, g, b, 0) & ~f->AlphaMask;
}

static int ChannelTo8(uint32_t color, uint32_t mask, int shift, int bits) {
    if (bits == 0) return 0;
    return (int)(((color & mask) >> shift) * 255 / ((1u << bits) - 1));
}

int GetColorRGB(uint32_t color, int* red, int* green, int* blue) {
    API_LOCK();
    int r, g, b;
    if (ScreenDepth() == 8) {
        if (color > 255) return -1;
        r = g_screen.palette[color][0];
        g = g_screen.palette[color][1];
        b = g_screen.palette[color][2];
    } else {
        const ColorFormat* f = ScreenColorFormat();
        r = ChannelTo8(color, f->RedMask, f->RedShift, f->RedBits);
        g = ChannelTo8(color, f->GreenMask, f->GreenShift, f->GreenBits);
        b = ChannelTo8(color, f->BlueMask, f->BlueShift, f->BlueBits);
    }
    if (red) *red = r;
    if (green) *green = g;
    if (blue) *blue = b;
    return 0;
}
