// Kind 1 decoding: the whole source (compressed WAVE data or MPEG frames) is copied
// into memory and converted by the platform codec in steps of at most 2048 bytes.
#include "runtime/sound/sound_decoder.h"

#include "runtime/core/memory.h"

#include <string.h>

namespace {

const int kStepBytes = 2048;

} // namespace

void ReleaseConvertedSource(SoundDecoder* d) {
    if (d->codec) PlatformCodecClose(d->codec);
    d->codec = nullptr;
    if (d->sourceFormat) RT_FREE(d->sourceFormat);
    d->sourceFormat = nullptr;
    if (d->sourceData) RT_FREE(d->sourceData);
    d->sourceData = nullptr;
}

int OpenConvertedSource(SoundDecoder* d) {
    if (d->dataSize < 0) {
        ReleaseConvertedSource(d);
        return -1;
    }
    d->sourceData = (uint8_t*)RT_ALLOC(d->dataSize > 0 ? d->dataSize : 1);
    if (!d->sourceData) {
        ReleaseConvertedSource(d);
        return -1;
    }
    d->stream->seek(d->streamHandle, d->dataStart, 0);
    d->sourceSize = StreamReadBytes(d, d->sourceData, d->dataSize);
    d->sourceConsumed = 0;
    memset(&d->outputFormat, 0, sizeof(d->outputFormat));
    d->outputFormat.FormatTag = 1;
    if (PlatformCodecSuggestPcm(d->sourceFormat, d->sourceFormatSize, d->sourceData, d->sourceSize, &d->outputFormat) !=
            0 ||
        d->outputFormat.FormatTag != 1 || d->outputFormat.BlockAlign == 0) {
        ReleaseConvertedSource(d);
        return -1;
    }
    d->codec = PlatformCodecOpen(d->sourceFormat, d->sourceFormatSize, d->sourceData, d->sourceSize, &d->outputFormat);
    if (!d->codec) {
        ReleaseConvertedSource(d);
        return -1;
    }
    int capacity = (int)d->outputFormat.AvgBytesPerSec;
    if (capacity < d->outputFormat.BlockAlign) capacity = d->outputFormat.BlockAlign;
    if (capacity > (4 << 20)) capacity = 4 << 20;
    d->outputCapacity = capacity;
    d->kind = SoundKindConverted;
    return 0;
}

int RefillConverted(SoundDecoder* d) {
    // Whole source blocks per step when a block fits in one.
    int step = kStepBytes;
    if (d->sourceFormatSize >= 14) {
        int align = d->sourceFormat[12] | (d->sourceFormat[13] << 8);
        if (align > 1 && align <= kStepBytes) step = kStepBytes / align * align;
    }
    while (d->sourceConsumed < d->sourceSize) {
        int left = d->sourceSize - d->sourceConsumed;
        int n = left < step ? left : step;
        int used = 0, produced = 0;
        if (PlatformCodecConvert(d->codec, d->sourceData + d->sourceConsumed, n, d->outputBuffer, d->outputCapacity,
                                 &used, &produced) != 0) {
            d->sourceConsumed = d->sourceSize;
            return -1;
        }
        if (used < 0 || used > n) used = n;
        d->sourceConsumed += used;
        if (produced > 0) {
            d->outputValid = produced > d->outputCapacity ? d->outputCapacity : produced;
            return 0;
        }
        // Nothing made: a step that also used nothing ends the sound; one that took
        // bytes (a frame split across steps) goes on with the next.
        if (used == 0) {
            d->sourceConsumed = d->sourceSize;
            return -1;
        }
    }
    return -1;
}
