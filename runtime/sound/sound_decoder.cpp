// The SoundDecoder's common steps: trying the four format decoders in their fixed
// order, reading through the output buffer, the size estimate, the whole decode
// and termination.
#include "runtime/sound/sound_decoder.h"

#include "runtime/core/memory.h"

#include <string.h>

namespace {

typedef int (*FormatOpen)(SoundDecoder*);

// Tried in this order, each from offset 0; the first that accepts wins.
const FormatOpen kFormatOpens[] = {OpenPcmWave, OpenCompressedWave, OpenOggVorbis, OpenMpegAudio};

void ReleaseKind(SoundDecoder* d) {
    if (d->kind == SoundKindConverted) ReleaseConvertedSource(d);
    if (d->kind == SoundKindVorbis && d->vorbisOpen) {
        ov_clear(&d->vorbis);
        d->vorbisOpen = 0;
    }
}

int Refill(SoundDecoder* d) {
    switch (d->kind) {
        case SoundKindPcm:
            return RefillPcmWave(d);
        case SoundKindConverted:
            return RefillConverted(d);
        case SoundKindVorbis:
            return RefillOggVorbis(d);
    }
    return -1;
}

} // namespace

int StreamReadBytes(SoundDecoder* d, void* buffer, int bytes) {
    if (bytes <= 0) return 0;
    int got = d->stream->read(buffer, 1, bytes, d->streamHandle);
    return got < 0 ? 0 : got;
}

int64_t StreamLength(SoundDecoder* d) {
    int here = d->stream->tell(d->streamHandle);
    d->stream->seek(d->streamHandle, 0, 2);
    int length = d->stream->tell(d->streamHandle);
    d->stream->seek(d->streamHandle, here, 0);
    return length < 0 ? 0 : length;
}

int SetupSoundDecoder(const DataStream* stream, intptr_t handle, SoundDecoder* decoder) {
    if (!stream || !decoder) return -1;
    memset(decoder, 0, sizeof(*decoder));
    decoder->stream = stream;
    decoder->streamHandle = handle;
    int won = 0;
    for (FormatOpen open : kFormatOpens) {
        stream->seek(handle, 0, 0);
        if (open(decoder) == 0) {
            won = 1;
            break;
        }
    }
    if (!won) return -1;
    decoder->endReached = 0;
    decoder->outputBuffer = (uint8_t*)RT_ALLOC(decoder->outputCapacity);
    if (!decoder->outputBuffer) {
        ReleaseKind(decoder);
        return -1;
    }
    decoder->outputValid = 0;
    decoder->outputOffset = 0;
    decoder->ready = 1;
    return 0;
}

int ReadSoundDecoder(SoundDecoder* d, void* buffer, int n) {
    if (!d || !d->ready) return -1;
    if (d->endReached) return 0;
    uint8_t* out = (uint8_t*)buffer;
    int copied = 0;
    while (n > 0) {
        if (d->outputValid <= 0) {
            d->outputOffset = 0;
            d->outputValid = 0;
            if (Refill(d) != 0) break;
        }
        int take = n < d->outputValid ? n : d->outputValid;
        memcpy(out + copied, d->outputBuffer + d->outputOffset, (size_t)take);
        copied += take;
        d->outputOffset += take;
        d->outputValid -= take;
        n -= take;
    }
    if (n > 0) d->endReached = 1;
    return copied;
}

int GetSoundDecoderPcmSize(SoundDecoder* d) {
    if (!d || !d->ready) return -1;
    switch (d->kind) {
        case SoundKindPcm:
            return d->dataSize;
        case SoundKindConverted:
            if (d->totalFrames >= 0) {
                int64_t bytes = d->totalFrames * d->outputFormat.BlockAlign;
                return bytes > 0x7FFFFFFF ? -1 : (int)bytes;
            }
            return PlatformCodecEstimateSize(d->codec);
        case SoundKindVorbis:
            return OggVorbisPcmSize(d);
    }
    return -1;
}

int DecodeSoundToPcm(SoundDecoder* d, PcmImage* image) {
    if (!d || !d->ready || !image) return -1;
    int total = GetSoundDecoderPcmSize(d);
    if (total < 0) return -1;
    uint8_t* bytes = nullptr;
    if (total > 0) {
        bytes = (uint8_t*)RT_ALLOC(total);
        if (!bytes) return -1;
    }
    int got = total > 0 ? ReadSoundDecoder(d, bytes, total) : 0;
    image->bytes = bytes;
    image->length = got < 0 ? 0 : got;
    image->format = d->outputFormat;
    return 0;
}

int TerminateSoundDecoder(SoundDecoder* d) {
    if (!d || !d->ready) return -1;
    RT_FREE(d->outputBuffer);
    d->outputBuffer = nullptr;
    ReleaseKind(d);
    d->ready = 0;
    return 0;
}
