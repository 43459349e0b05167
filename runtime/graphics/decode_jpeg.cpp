// JPEG decoder over libjpeg: a source manager reading the DataStream, and an
// error manager that jumps back here instead of ending the process.
#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <jpeglib.h>
#include <jerror.h>

#include "runtime/core/memory.h"
#include "runtime/graphics/decode_common.h"
#include "runtime/graphics/image_decode.h"

namespace {

#define JPEG_INPUT_BUFFER 4096

// Error manager: the library's standard one plus the jump back to the decoder.
struct JpegError {
    jpeg_error_mgr base; // must stay first: the library sees only this
    jmp_buf jump;        // where error_exit returns to
};

// Source manager reading the stream in 4096-byte steps.
struct JpegSource {
    jpeg_source_mgr base;             // must stay first
    const DataStream* stream;         // the image stream
    intptr_t handle;                  // its handle
    int remaining;                    // bytes of the stream not read yet
    int anyRead;                      // something was supplied already
    JOCTET buffer[JPEG_INPUT_BUFFER]; // the current chunk
};

static const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

static void JpegErrorExit(j_common_ptr cinfo) {
    JpegError* error = (JpegError*)cinfo->err;
    longjmp(error->jump, 1);
}

// Library messages are not shown: failures come back as -1.
static void JpegOutputMessage(j_common_ptr cinfo) {}

static void JpegInitSource(j_decompress_ptr cinfo) {}

static boolean JpegFillInput(j_decompress_ptr cinfo) {
    JpegSource* src = (JpegSource*)cinfo->src;
    int want = src->remaining < JPEG_INPUT_BUFFER ? src->remaining : JPEG_INPUT_BUFFER;
    int got = want > 0 ? src->stream->read(src->buffer, 1, want, src->handle) : 0;
    if (got <= 0) {
        // Premature end: supply an end-of-image marker so the image still completes.
        if (!src->anyRead) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->remaining = 0;
        src->base.next_input_byte = kFakeEoi;
        src->base.bytes_in_buffer = 2;
        return TRUE;
    }
    src->remaining -= got;
    src->anyRead = 1;
    src->base.next_input_byte = src->buffer;
    src->base.bytes_in_buffer = (size_t)got;
    return TRUE;
}

static void JpegSkipInput(j_decompress_ptr cinfo, long count) {
    JpegSource* src = (JpegSource*)cinfo->src;
    if (count <= 0) return;
    while (count > (long)src->base.bytes_in_buffer) {
        count -= (long)src->base.bytes_in_buffer;
        JpegFillInput(cinfo);
    }
    src->base.next_input_byte += count;
    src->base.bytes_in_buffer -= (size_t)count;
}

static void JpegTermSource(j_decompress_ptr cinfo) {}

// Everything the decoder must find again after a jump.
struct JpegJob {
    jpeg_decompress_struct cinfo; // the library's decompressor
    JpegError error;              // its error manager
    JpegSource source;            // the stream reader
    uint8_t* pixels;              // output block (tracked), null until allocated
    uint8_t* line;                // one scanline as the library gives it
    int created;                  // cinfo needs jpeg_destroy_decompress
};

static void JpegCleanUp(JpegJob* job) {
    if (job->created) jpeg_destroy_decompress(&job->cinfo);
    if (job->pixels) RT_FREE(job->pixels);
    if (job->line) RT_FREE(job->line);
    job->created = 0;
    job->pixels = nullptr;
    job->line = nullptr;
}

// The decoding proper; every library error lands in the caller's setjmp.
static int JpegRun(JpegJob* job, const DataStream* stream, intptr_t handle, int available, GraphImage* out) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    jpeg_read_header(cinfo, TRUE);
    // Refuse sizes the data cannot describe before the library plans its buffers.
    int64_t width = cinfo->image_width, height = cinfo->image_height;
    int64_t components = cinfo->num_components == 1 ? 1 : 3;
    int64_t bytes = width * height * components;
    if (width <= 0 || height <= 0 || bytes > DECODE_FREE_PIXEL_BYTES + (int64_t)available * 1024) return -1;
    jpeg_start_decompress(cinfo);
    int channels = cinfo->output_components;
    if (channels != 1 && channels != 3) return -1;
    if ((int64_t)cinfo->output_width != width || (int64_t)cinfo->output_height != height) return -1;
    int pitch = (int)width * channels;
    job->pixels = (uint8_t*)DecodeAllocPixels((int64_t)pitch * height);
    job->line = (uint8_t*)DecodeAllocPixels(pitch);
    if (!job->pixels || !job->line) return -1;
    while (cinfo->output_scanline < cinfo->output_height) {
        int y = (int)cinfo->output_scanline;
        JSAMPROW row = job->line;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return -1;
        uint8_t* dst = job->pixels + (int64_t)y * pitch;
        if (channels == 3) {
            for (int x = 0; x < (int)width; ++x) { // red, green, blue -> blue, green, red
                dst[x * 3] = job->line[x * 3 + 2];
                dst[x * 3 + 1] = job->line[x * 3 + 1];
                dst[x * 3 + 2] = job->line[x * 3];
            }
        } else {
            memcpy(dst, job->line, (size_t)pitch);
        }
    }
    jpeg_finish_decompress(cinfo);
    if (channels == 3) MakeBgr24ColorSpec(&out->Color);
    else MakeGrayPaletteColorSpec(&out->Color);
    DecodeSetImage(out, (int)width, (int)height, pitch, job->pixels);
    job->pixels = nullptr; // now owned by the image
    return 0;
}

} // namespace

int LoadJpegImage(const DataStream* stream, intptr_t handle, GraphImage* out) {
    int start = stream->tell(handle);
    int length = DecodeStreamLength(stream, handle);
    if (start < 0 || length <= start) return -1;

    // Heap record: nothing the error path needs lives in this frame's registers.
    JpegJob* job = (JpegJob*)RT_CALLOC(sizeof(JpegJob));
    if (!job) return -1;
    GraphImage image;
    memset(&image, 0, sizeof(image));
    job->cinfo.err = jpeg_std_error(&job->error.base);
    job->error.base.error_exit = JpegErrorExit;
    job->error.base.output_message = JpegOutputMessage;
    if (setjmp(job->error.jump)) {
        JpegCleanUp(job);
        RT_FREE(job);
        return -1;
    }
    jpeg_create_decompress(&job->cinfo);
    job->created = 1;
    JpegSource* src = &job->source;
    src->stream = stream;
    src->handle = handle;
    src->remaining = length - start;
    src->base.init_source = JpegInitSource;
    src->base.fill_input_buffer = JpegFillInput;
    src->base.skip_input_data = JpegSkipInput;
    src->base.resync_to_restart = jpeg_resync_to_restart;
    src->base.term_source = JpegTermSource;
    src->base.next_input_byte = nullptr;
    src->base.bytes_in_buffer = 0;
    job->cinfo.src = &src->base;

    int result = JpegRun(job, stream, handle, length - start, &image);
    JpegCleanUp(job);
    RT_FREE(job);
    if (result != 0) return -1;
    *out = image;
    return 0;
}
