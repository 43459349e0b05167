// Ogg Vorbis through vorbisfile's callback interface over the decoder's DataStream;
// output is 16-bit signed little-endian PCM with the channels in WAVE order.
#include "runtime/sound/sound_decoder.h"
#include "runtime/sound/vorbis_pcm.h"

#include <stdio.h>
#include <string.h>

namespace {

const int kVorbisCapacity = 4096;
// A lying last granule position must not ask for an image out of all proportion
// to the stream: no Vorbis stream expands by more than this.
const int64_t kMaxExpansion = 1024;

size_t VorbisRead(void* ptr, size_t size, size_t count, void* source) {
    SoundDecoder* d = (SoundDecoder*)source;
    if (size == 0 || count == 0) return 0;
    if (size > 0x7FFFFFFF || count > 0x7FFFFFFF / size) count = 0x7FFFFFFF / size;
    int got = d->stream->read(ptr, (int)size, (int)count, d->streamHandle);
    return got < 0 ? 0 : (size_t)got;
}

int VorbisSeek(void* source, ogg_int64_t offset, int whence) {
    SoundDecoder* d = (SoundDecoder*)source;
    return d->stream->seek(d->streamHandle, (int)(offset & 0xFFFFFFFF), whence);
}

int VorbisClose(void*) {
    return 0;
}

long VorbisTell(void* source) {
    SoundDecoder* d = (SoundDecoder*)source;
    return d->stream->tell(d->streamHandle);
}

// Vorbis puts the centre between the front pair (3 channels: L, C, R; 5.1: L, C,
// R, rear L, rear R, LFE). The image is laid out as a WAVE file would be (L, R, C,
// LFE, rear L, rear R, side L, side R), so that, as for a WAVE file, its first two
// channels are the front pair that the mixer plays. The centre is not folded into
// them: a WAVE file's is not either, and a -3 dB fold could clip a loud front pair.
// Entry k is the Vorbis channel that goes to place k; null keeps the order.
const int8_t* WaveOrderOfVorbis(int channels) {
    static const int8_t kThree[] = {0, 2, 1};
    static const int8_t kFive[] = {0, 2, 1, 3, 4};
    static const int8_t kSix[] = {0, 2, 1, 5, 3, 4};
    static const int8_t kSeven[] = {0, 2, 1, 6, 5, 3, 4};
    static const int8_t kEight[] = {0, 2, 1, 7, 5, 6, 3, 4};
    switch (channels) {
        case 3:
            return kThree;
        case 5:
            return kFive;
        case 6:
            return kSix;
        case 7:
            return kSeven;
        case 8:
            return kEight;
        default:
            return nullptr; // mono, stereo and quad agree; beyond 8 the order is the file's own
    }
}

} // namespace

int OpenOggVorbis(SoundDecoder* d) {
    ov_callbacks callbacks = {VorbisRead, VorbisSeek, VorbisClose, VorbisTell};
    d->streamLength = StreamLength(d);
    if (ov_open_callbacks(d, &d->vorbis, nullptr, 0, callbacks) != 0) return -1;
    vorbis_info* info = ov_info(&d->vorbis, -1);
    if (!info || info->channels < 1 || info->channels > 255 || info->rate < 1 ||
        (int64_t)info->rate * info->channels * 2 > 0x7FFFFFFF) {
        ov_clear(&d->vorbis);
        return -1;
    }
    d->vorbisOpen = 1;
    d->bytesPerSample = 2;
    WaveFormat& f = d->outputFormat;
    memset(&f, 0, sizeof(f));
    f.FormatTag = 1;
    f.Channels = (uint16_t)info->channels;
    f.SamplesPerSec = (uint32_t)info->rate;
    f.BitsPerSample = 16;
    f.BlockAlign = (uint16_t)(info->channels * 2);
    f.AvgBytesPerSec = f.BlockAlign * f.SamplesPerSec;
    f.ExtraSize = 0;
    d->outputCapacity = kVorbisCapacity;
    d->kind = SoundKindVorbis;
    return 0;
}

int RefillOggVorbis(SoundDecoder* d) {
    // A hole in the data is skipped; a bad link, or a link whose layout differs
    // from the first, ends the sound there.
    for (int holes = 0; holes < 4096; holes++) {
        // Float samples converted here rather than by ov_read: the same values, in a
        // vector loop (vorbis_pcm.cpp). The layout is checked before converting.
        int link = 0;
        int channels = d->outputFormat.Channels;
        float** planes = nullptr;
        long got = ov_read_float(&d->vorbis, &planes, d->outputCapacity / (channels * 2), &link);
        if (got == OV_HOLE) continue;
        if (got <= 0 || !planes) return -1;
        vorbis_info* info = ov_info(&d->vorbis, link);
        if (!info || info->channels != channels || info->rate != (long)d->outputFormat.SamplesPerSec) return -1;
        float* ordered[8];
        const int8_t* order = WaveOrderOfVorbis(channels);
        if (order) {
            for (int k = 0; k < channels; k++) ordered[k] = planes[order[k]];
            planes = ordered;
        }
        VorbisFloatToPcm16(planes, channels, (int)got, (int16_t*)d->outputBuffer);
        d->outputValid = (int)got * channels * 2;
        return 0;
    }
    return -1;
}

int OggVorbisPcmSize(SoundDecoder* d) {
    ogg_int64_t frames = ov_pcm_total(&d->vorbis, -1);
    if (frames < 0) frames = 0;
    int64_t bytes = (int64_t)frames * d->outputFormat.Channels * d->bytesPerSample;
    int64_t limit = d->streamLength * kMaxExpansion + (1 << 20);
    if (bytes > limit) bytes = limit;
    if (bytes > 0x7FFFFFFF) return -1;
    return (int)bytes;
}
