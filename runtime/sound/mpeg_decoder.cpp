// MPEG audio files: skips a leading ID3v2 tag (with the version-4 footer) and a
// trailing 128-byte "TAG" block, walks the frames to count samples and find the
// data range, then builds the 30-byte layer-3 format record the platform codec
// converts from.
#include "runtime/sound/mpeg_frames.h"
#include "runtime/sound/sound_decoder.h"

#include "runtime/core/memory.h"

#include <string.h>

namespace {

const int kMpegFormatSize = 30;

void PutU16(uint8_t* p, int v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, (int)(v & 0xFFFF));
    PutU16(p + 2, (int)(v >> 16));
}

// Reads byte by byte from the current offset to the next 0xFF followed by a byte
// with its top four bits set; leaves the stream after those two bytes. 0 when
// found, -1 at the end of the stream.
int FindSync(SoundDecoder* d, uint8_t* b0, uint8_t* b1) {
    uint8_t prev = 0, cur = 0;
    int havePrev = 0;
    while (StreamReadBytes(d, &cur, 1) == 1) {
        if (havePrev && prev == 0xFF && (cur & 0xF0) == 0xF0) {
            *b0 = prev;
            *b1 = cur;
            return 0;
        }
        prev = cur;
        havePrev = 1;
    }
    return -1;
}

} // namespace

int OpenMpegAudio(SoundDecoder* d) {
    int64_t length = StreamLength(d);
    d->stream->seek(d->streamHandle, 0, 0);
    int64_t searchStart = 0;
    uint8_t tag[10];
    if (StreamReadBytes(d, tag, 10) == 10 && memcmp(tag, "ID3", 3) == 0) {
        int64_t size =
            ((int64_t)(tag[6] & 0x7F) << 21) | ((tag[7] & 0x7F) << 14) | ((tag[8] & 0x7F) << 7) | (tag[9] & 0x7F);
        searchStart = size + 10;
        if (tag[3] == 4 && (tag[5] & 0x10)) searchStart += 10;
    }
    if (searchStart >= length) return -1;
    int64_t limit = length;
    if (length > 128) {
        uint8_t tail[3];
        d->stream->seek(d->streamHandle, (int)(length - 128), 0);
        if (StreamReadBytes(d, tail, 3) == 3 && memcmp(tail, "TAG", 3) == 0) limit = length - 128;
    }

    // The frame walk: every frame found adds its samples; the walk goes on at the
    // end of each frame until a frame reaches the search limit or the stream ends.
    int64_t firstFrame = -1, lastEnd = 0, frames = 0;
    int64_t at = searchStart;
    d->stream->seek(d->streamHandle, (int)at, 0);
    for (;;) {
        uint8_t h[4];
        if (FindSync(d, &h[0], &h[1]) != 0) break;
        int64_t frameStart = d->stream->tell(d->streamHandle) - 2;
        if (StreamReadBytes(d, h + 2, 2) != 2) break;
        MpegFrameInfo info;
        if (ParseMpegFrameHeader(h, &info) != 0) return -1;
        if (firstFrame < 0) firstFrame = frameStart;
        frames += info.samplesPerFrame;
        lastEnd = frameStart + info.frameLength;
        if (lastEnd >= limit) break;
        d->stream->seek(d->streamHandle, (int)lastEnd, 0);
    }
    if (firstFrame < 0) return -1;

    uint8_t h[4];
    MpegFrameInfo first;
    d->stream->seek(d->streamHandle, (int)firstFrame, 0);
    if (StreamReadBytes(d, h, 4) != 4 || ParseMpegFrameHeader(h, &first) != 0) return -1;
    uint8_t* format = (uint8_t*)RT_CALLOC(kMpegFormatSize);
    if (!format) return -1;
    PutU16(format + 0, 0x55);
    PutU16(format + 2, first.channels);
    PutU32(format + 4, (uint32_t)first.sampleRate);
    PutU32(format + 8, (uint32_t)first.kbps * 125);
    PutU16(format + 12, 1);
    PutU16(format + 14, 0);
    PutU16(format + 16, 12);
    PutU16(format + 18, 1);                       // ID: MPEG layer 3
    PutU32(format + 20, (uint32_t)first.padding); // flags
    PutU16(format + 24, first.frameLength);       // block size
    PutU16(format + 26, 1);                       // frames per block
    PutU16(format + 28, 700);                     // codec delay
    d->sourceFormat = format;
    d->sourceFormatSize = kMpegFormatSize;
    d->dataStart = (int)firstFrame;
    int64_t size = (lastEnd < length ? lastEnd : length) - firstFrame;
    d->dataSize = size < 0 ? 0 : (int)size;
    d->totalFrames = frames;
    if (OpenConvertedSource(d) != 0) return -1;
    d->totalFrames = frames;
    return 0;
}
