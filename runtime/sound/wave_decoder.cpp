// RIFF WAVE: the header walk shared by the PCM and the compressed decoders, the
// PCM decoder (samples read straight from the stream) and the compressed decoder
// (the data chunk handed whole to the platform codec). Every size read from the
// file is checked against the stream before anything is allocated.
#include "runtime/sound/sound_decoder.h"

#include "runtime/core/memory.h"

#include <string.h>

namespace {

// Format chunks larger than this are not believed.
const int kMaxFormatChunk = 0x10000;

uint16_t U16(const uint8_t* p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}

uint32_t U32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
}

// Walks RIFF / WAVE / "fmt " (which must come first) to the "data" chunk. On
// success the format body is an owned block, and the data range is set with its
// size cut to the bytes the stream really has.
int WalkRiffWave(SoundDecoder* d, uint8_t** formatBody, int* formatSize) {
    int64_t length = StreamLength(d);
    uint8_t head[12];
    if (StreamReadBytes(d, head, 12) != 12) return -1;
    if (memcmp(head, "RIFF", 4) != 0 || memcmp(head + 8, "WAVE", 4) != 0) return -1;
    uint8_t chunk[8];
    if (StreamReadBytes(d, chunk, 8) != 8 || memcmp(chunk, "fmt ", 4) != 0) return -1;
    uint32_t size = U32(chunk + 4);
    if (size < 16 || size > (uint32_t)kMaxFormatChunk || (int64_t)size > length - 20) return -1;
    uint8_t* body = (uint8_t*)RT_ALLOC(size);
    if (!body) return -1;
    if (StreamReadBytes(d, body, (int)size) != (int)size) {
        RT_FREE(body);
        return -1;
    }
    if (size & 1) d->stream->seek(d->streamHandle, 1, 1); // the pad byte of an odd chunk
    int found = 0;
    while (!d->stream->eof(d->streamHandle)) {
        if (StreamReadBytes(d, chunk, 8) != 8) break;
        uint32_t chunkSize = U32(chunk + 4);
        if (memcmp(chunk, "data", 4) == 0) {
            d->dataStart = d->stream->tell(d->streamHandle);
            int64_t present = length - d->dataStart;
            if (present < 0) present = 0;
            d->dataSize = (int)((int64_t)chunkSize < present ? (int64_t)chunkSize : present);
            found = 1;
            break;
        }
        int64_t next = (int64_t)d->stream->tell(d->streamHandle) + chunkSize + (chunkSize & 1);
        if (next > length) break; // the chunk runs past the end: no data chunk follows
        d->stream->seek(d->streamHandle, (int)next, 0);
    }
    if (!found) {
        RT_FREE(body);
        return -1;
    }
    *formatBody = body;
    *formatSize = (int)size;
    return 0;
}

} // namespace

int OpenPcmWave(SoundDecoder* d) {
    uint8_t* body = nullptr;
    int size = 0;
    if (WalkRiffWave(d, &body, &size) != 0) return -1;
    WaveFormat f;
    f.FormatTag = U16(body);
    f.Channels = U16(body + 2);
    f.SamplesPerSec = U32(body + 4);
    f.AvgBytesPerSec = U32(body + 8);
    f.BlockAlign = U16(body + 12);
    f.BitsPerSample = U16(body + 14);
    f.ExtraSize = size >= 18 ? U16(body + 16) : 0;
    RT_FREE(body);
    if (f.FormatTag != 1 || f.Channels == 0 || f.BlockAlign == 0 || f.SamplesPerSec == 0) return -1;
    if (size == 16) {
        // A bare 16-byte chunk: the sample width follows from the frame size.
        f.ExtraSize = 0;
        f.BitsPerSample = (uint16_t)(f.BlockAlign / f.Channels * 8);
    }
    // Only 8- and 16-bit containers are played as they are; wider or odd PCM is
    // left to the compressed decoder, which converts it.
    int container = f.BlockAlign / f.Channels;
    if (f.BlockAlign % f.Channels != 0 || (container != 1 && container != 2)) return -1;
    uint64_t avg = (uint64_t)f.BlockAlign * f.SamplesPerSec;
    if (avg > 0x7FFFFFFF) return -1;
    f.AvgBytesPerSec = (uint32_t)avg;
    d->outputFormat = f;
    d->stream->seek(d->streamHandle, d->dataStart, 0);
    int capacity = (int)avg;
    if (capacity > (1 << 20)) capacity = 1 << 20;
    d->outputCapacity = capacity;
    d->kind = SoundKindPcm;
    return 0;
}

int RefillPcmWave(SoundDecoder* d) {
    int64_t remaining = (int64_t)d->dataStart + d->dataSize - d->stream->tell(d->streamHandle);
    if (remaining <= 0) return -1;
    int want = remaining < d->outputCapacity ? (int)remaining : d->outputCapacity;
    int got = StreamReadBytes(d, d->outputBuffer, want);
    if (got <= 0) return -1;
    d->outputValid = got;
    return 0;
}

int OpenCompressedWave(SoundDecoder* d) {
    uint8_t* body = nullptr;
    int size = 0;
    if (WalkRiffWave(d, &body, &size) != 0) return -1;
    d->sourceFormat = body;
    d->sourceFormatSize = size;
    d->totalFrames = -1;
    if (OpenConvertedSource(d) != 0) return -1;
    return 0;
}
