// The decoder dispatcher: opens a file or memory stream and tries the six
// decoders in their fixed order until one accepts the data.
#include "runtime/graphics/image_decode.h"

#include <string.h>

typedef int (*ImageDecoder)(const DataStream* stream, intptr_t handle, GraphImage* out);

// Tried in this order; formats with a clear signature come before TGA, which has none.
static const ImageDecoder kImageDecoders[] = {
    LoadBmpImage, LoadJpegImage, LoadPngImage, LoadRawBgraImage, LoadTgaImage, LoadDdsImage,
};

int LoadGraphImageStream(const DataStream* stream, intptr_t handle, GraphImage* out) {
    memset(out, 0, sizeof(*out));
    for (ImageDecoder decoder : kImageDecoders) {
        if (stream->seek(handle, 0, 0) != 0) return -1;
        GraphImage image;
        memset(&image, 0, sizeof(image));
        if (decoder(stream, handle, &image) == 0) {
            *out = image;
            return 0;
        }
    }
    return -1;
}

int LoadGraphImageFile(const char* path, GraphImage* out) {
    memset(out, 0, sizeof(*out));
    if (!path || !g_fileOps) return -1;
    FileHandle file = g_fileOps->open(path, 0, 1);
    if (file == 0) return -1;
    int result = LoadGraphImageStream(&g_fileStream, file, out);
    g_fileStream.close(file);
    return result;
}

int LoadGraphImageMemory(const void* data, int size, GraphImage* out) {
    memset(out, 0, sizeof(*out));
    if (!data || size <= 0) return -1;
    MemoryStream* memory = OpenMemoryStream(data, size);
    if (!memory) return -1;
    int result = LoadGraphImageStream(&g_memoryStream, (intptr_t)memory, out);
    g_memoryStream.close((intptr_t)memory);
    return result;
}

int MirrorGraphImage(GraphImage* image) {
    if (!image || !image->PixelData || image->Width <= 0 || image->Height <= 0) return -1;
    int bpp = image->Color.Format.PixelByte;
    if (bpp < 1 || bpp > 4) return -1;
    for (int y = 0; y < image->Height; ++y) {
        uint8_t* row = (uint8_t*)image->PixelData + (int64_t)y * image->Pitch;
        for (int a = 0, b = image->Width - 1; a < b; ++a, --b) {
            uint8_t t[4];
            memcpy(t, row + a * bpp, bpp);
            memcpy(row + a * bpp, row + b * bpp, bpp);
            memcpy(row + b * bpp, t, bpp);
        }
    }
    return 0;
}
