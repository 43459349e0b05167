// The software image MEMIMG: set-up with its default pitch, views onto a
// sub-rectangle, release, and the raw fill that ignores every draw setting.
#include <string.h>

#include "runtime/core/memory.h"
#include "runtime/graphics/color_format.h"

static int BytesPerPixel(int kind, int usePalette, int alphaChannel) {
    if (usePalette) return 1;
    switch (kind) {
        case Rgb565:
            return alphaChannel ? 4 : 2;
        case Xrgb8888:
            return 4;
        case Mono8:
            return 1;
        default:
            return 2;
    }
}

int MemImgLayout(int width, int height, int pitch, int kind, int usePalette, int alphaChannel, int64_t* pitchOut,
                 int64_t* bytesOut) {
    if (kind < 0 || kind > 3 || width <= 0 || height <= 0) return -1;
    if (usePalette) alphaChannel = 0;
    if (kind == Mono8 || kind == Mono16) usePalette = alphaChannel = 0;
    // Everything in 64 bits: the padded row of a 2^31-wide image does not fit an int.
    int64_t rowBytes = (int64_t)BytesPerPixel(kind, usePalette, alphaChannel) * width;
    int64_t full = pitch == -1 ? (rowBytes + 15) & ~(int64_t)15 : pitch;
    if (full < rowBytes) return -1; // rows would overlap
    // Keep every later size and offset product inside int, header included.
    if (full > MEMIMG_MAX_BYTES || full * height > MEMIMG_MAX_BYTES) return -1;
    if (pitchOut) *pitchOut = full;
    if (bytesOut) *bytesOut = full * height;
    return 0;
}

int SetupMemImg(MEMIMG* image, int width, int height, int pitch, uint32_t transColor, int kind, int usePalette,
                int alphaChannel) {
    if (image->InitMark == MEMIMG_INIT_MARK) return -1;
    if (kind < 0 || kind > 3 || width <= 0 || height <= 0) return -1;
    if (usePalette) alphaChannel = 0;
    if (kind == Mono8 || kind == Mono16) usePalette = alphaChannel = 0;
    usePalette = usePalette ? 1 : 0;
    alphaChannel = alphaChannel ? 1 : 0;
    int64_t fullPitch = 0, bytes = 0;
    if (MemImgLayout(width, height, pitch, kind, usePalette, alphaChannel, &fullPitch, &bytes) != 0) return -1;

    image->Width = width;
    image->Height = height;
    image->TransColor = transColor;
    image->PixelKind = kind;
    image->UsePalette = usePalette;
    image->AlphaChannel = alphaChannel;
    image->PaletteCount = 0;
    image->Palette = image->OwnPalette;

    image->Pitch = (int)fullPitch;
    image->Format = GetMemImgColorFormat(kind, alphaChannel, usePalette);

    if (image->Pixels) {
        image->UserBuffer = 1;
    } else {
        image->Pixels = (uint8_t*)RT_ALLOC(bytes);
        image->UserBuffer = 0;
        if (!image->Pixels) return -1;
    }
    image->InitMark = MEMIMG_INIT_MARK;
    return 0;
}

void SetupMemImgView(MEMIMG* view, const MEMIMG* parent, int x, int y, int width, int height) {
    view->InitMark = MEMIMG_INIT_MARK;
    view->Width = width;
    view->Height = height;
    view->Pitch = parent->Pitch;
    view->Format = parent->Format;
    view->TransColor = parent->TransColor;
    view->PixelKind = parent->PixelKind;
    view->UsePalette = parent->UsePalette;
    view->PaletteCount = parent->PaletteCount;
    view->AlphaChannel = parent->AlphaChannel;
    view->UserBuffer = 0;
    view->Palette = parent->Palette;
    view->Pixels = parent->Pixels + (intptr_t)y * parent->Pitch + (intptr_t)x * parent->Format->PixelByte;
}

void ReleaseMemImg(MEMIMG* image) {
    if (!image || image->InitMark != MEMIMG_INIT_MARK) return;
    if (!image->UserBuffer && image->Pixels) RT_FREE(image->Pixels);
    image->Pixels = nullptr;
    image->InitMark = 0;
}

int MemImgHasPixels(const MEMIMG* image) {
    return image->Pixels != nullptr ? 1 : 0;
}

void FillMemImgRaw(MEMIMG* image, const int* rect, uint32_t pixelValue) {
    if (image->InitMark != MEMIMG_INIT_MARK || !image->Pixels) return;
    int l = 0, t = 0, r = image->Width, b = image->Height;
    if (rect) {
        l = rect[0] > 0 ? rect[0] : 0;
        t = rect[1] > 0 ? rect[1] : 0;
        r = rect[2] < image->Width ? rect[2] : image->Width;
        b = rect[3] < image->Height ? rect[3] : image->Height;
    }
    if (l >= r || t >= b) return;
    int bytes = image->Format->PixelByte;
    for (int y = t; y < b; y++) {
        uint8_t* row = image->Pixels + (intptr_t)y * image->Pitch + (intptr_t)l * bytes;
        int n = r - l;
        if (bytes == 1) {
            memset(row, (int)(pixelValue & 0xFF), n);
        } else if (bytes == 2) {
            uint16_t v = (uint16_t)pixelValue;
            uint16_t* p = (uint16_t*)row;
            for (int i = 0; i < n; i++) p[i] = v;
        } else {
            uint32_t* p = (uint32_t*)row;
            for (int i = 0; i < n; i++) p[i] = pixelValue;
        }
    }
}
