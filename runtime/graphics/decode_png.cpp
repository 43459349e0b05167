// PNG decoder over libpng: a bounds-checked read callback over the DataStream,
// transforms that leave 8-bit indices, grey, BGR or BGRA rows, and a jump
// buffer that turns every library error into -1.
#include <setjmp.h>
#include <string.h>

#include <png.h>

#include "runtime/core/memory.h"
#include "runtime/graphics/decode_common.h"
#include "runtime/graphics/image_decode.h"

namespace {

// What the read callback and the error path need.
struct PngJob {
    const DataStream* stream; // the image stream
    intptr_t handle;          // its handle
    int end;                  // stream length noted at the start
    png_structp png;          // libpng read structure (null until created)
    png_infop info;           // libpng info structure
    uint8_t* pixels;          // output block (tracked), null until allocated
    png_bytep* rows;          // row pointers into pixels (tracked)
};

static void PngRead(png_structp png, png_bytep data, size_t length) {
    PngJob* job = (PngJob*)png_get_io_ptr(png);
    int position = job->stream->tell(job->handle);
    if (position < 0 || (int64_t)length > (int64_t)job->end - position ||
        DecodeReadExact(job->stream, job->handle, data, (int)length) != 0)
        png_error(png, "Read Error");
}

static void PngError(png_structp png, png_const_charp message) {
    png_longjmp(png, 1);
}

// Warnings (bad ancillary chunks and the like) are not shown.
static void PngWarning(png_structp png, png_const_charp message) {}

static void PngCleanUp(PngJob* job) {
    if (job->png) png_destroy_read_struct(&job->png, job->info ? &job->info : nullptr, nullptr);
    if (job->pixels) RT_FREE(job->pixels);
    if (job->rows) RT_FREE(job->rows);
    job->png = nullptr;
    job->info = nullptr;
    job->pixels = nullptr;
    job->rows = nullptr;
}

// Reads header and pixels; library errors jump out to the caller's setjmp.
static int PngRun(PngJob* job, GraphImage* out) {
    png_structp png = job->png;
    png_infop info = job->info;
    png_set_read_fn(png, job, PngRead);
    png_set_sig_bytes(png, 0);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);

    png_set_strip_16(png);
    if (bitDepth < 8) {
        png_set_packing(png);
        png_set_packswap(png);
    }
    int expand = 0;
    if ((colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) || png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_expand(png);
        expand = 1;
    }
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int64_t rowBytes = (int64_t)png_get_rowbytes(png, info);
    int channels = png_get_channels(png, info);
    int64_t bytes = rowBytes * (int64_t)height;
    // Deflate expands at most about a thousandfold: refuse sizes the data cannot hold.
    if (width == 0 || height == 0 || rowBytes <= 0 || rowBytes > 0x7FFFFFFF ||
        bytes > DECODE_FREE_PIXEL_BYTES + (int64_t)job->end * 1100)
        return -1;
    job->pixels = (uint8_t*)DecodeAllocPixels(bytes);
    job->rows = (png_bytep*)DecodeAllocPixels((int64_t)height * (int64_t)sizeof(png_bytep));
    if (!job->pixels || !job->rows) return -1;
    for (png_uint_32 y = 0; y < height; ++y) job->rows[y] = job->pixels + (int64_t)y * rowBytes;
    png_read_image(png, job->rows);

    ColorSpec* spec = &out->Color;
    memset(spec, 0, sizeof(*spec));
    if (colorType == PNG_COLOR_TYPE_PALETTE && !expand) {
        if (channels != 1) return -1;
        MakePaletteColorSpec(spec);
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) && palette) {
            if (count > 256) count = 256;
            for (int i = 0; i < count; ++i) {
                spec->Palette[i][0] = palette[i].blue;
                spec->Palette[i][1] = palette[i].green;
                spec->Palette[i][2] = palette[i].red;
                spec->Palette[i][3] = 0;
            }
        }
    } else if (channels == 4) {
        DecodeMakeBgra32Spec(spec);
    } else if (channels == 3) {
        MakeBgr24ColorSpec(spec);
    } else if (channels == 1) {
        MakeGrayPaletteColorSpec(spec);
    } else if (channels == 2) {
        // Grey byte then alpha byte: the grey byte serves all three channels.
        SetupColorFormat(&spec->Format, 16, 0xFF, 0xFF, 0xFF, 0);
        spec->Format.SpareMask = 0xFF00;
    } else {
        return -1;
    }
    DecodeSetImage(out, (int)width, (int)height, (int)rowBytes, job->pixels);
    job->pixels = nullptr; // now owned by the image
    return 0;
}

} // namespace

int LoadPngImage(const DataStream* stream, intptr_t handle, GraphImage* out) {
    int length = DecodeStreamLength(stream, handle);
    if (length <= 0) return -1;
    // Heap record: the error path finds everything through this one pointer.
    PngJob* job = (PngJob*)RT_CALLOC(sizeof(PngJob));
    if (!job) return -1;
    job->stream = stream;
    job->handle = handle;
    job->end = length;
    GraphImage image;
    memset(&image, 0, sizeof(image));

    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, PngError, PngWarning);
    if (job->png) job->info = png_create_info_struct(job->png);
    if (!job->png || !job->info) {
        PngCleanUp(job);
        RT_FREE(job);
        return -1;
    }
    if (setjmp(png_jmpbuf(job->png))) {
        PngCleanUp(job);
        RT_FREE(job);
        return -1;
    }
    int result = PngRun(job, &image);
    PngCleanUp(job);
    RT_FREE(job);
    if (result != 0) return -1;
    *out = image;
    return 0;
}
