// MPEG audio frames to PCM through libmpg123's feed interface. Source bytes are
// fed as the steps give them; decoded frames that do not fit a step's output are
// kept inside the decoder, and one fed byte is then held back from the count of
// bytes used so the caller keeps asking until they have all come out.
#include "runtime/platform/common/sound_codec_internal.h"

#include <stdlib.h>
#include <string.h>

namespace {

int g_mpgReady; // mpg123_init has run

int ReadU16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}

uint32_t ReadU32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
}

// Takes decoded PCM until the output is full or the decoder needs input.
void Drain(PlatformSoundCodec* c, uint8_t* dest, int capacity, int* produced) {
    for (int guard = 0; guard < 256 && !c->needMore && *produced < capacity; guard++) {
        size_t done = 0;
        int ret = mpg123_decode(c->mpg, nullptr, 0, dest + *produced, (size_t)(capacity - *produced), &done);
        *produced += (int)done;
        if (ret == MPG123_NEED_MORE) c->needMore = 1;
        else if (ret == MPG123_ERR) {
            c->failed = 1;
            c->needMore = 1;
        } else if (ret == MPG123_OK && done == 0 && *produced < capacity) {
            c->needMore = 1; // nothing pending after all
        }
    }
}

} // namespace

int MpegCodecOpen(PlatformSoundCodec* c, const void* sourceFormat, int formatSize) {
    const uint8_t* f = (const uint8_t*)sourceFormat;
    int channels = ReadU16(f + 2);
    uint32_t rate = ReadU32(f + 4);
    uint32_t avg = ReadU32(f + 8);
    if (channels < 1 || channels > 2) return -1;
    static const uint32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    int rateOk = 0;
    for (uint32_t r : kRates) rateOk |= r == rate;
    if (!rateOk) return -1;
    if (!g_mpgReady) {
        if (mpg123_init() != MPG123_OK) return -1;
        g_mpgReady = 1;
    }
    int err = 0;
    c->mpg = mpg123_new(nullptr, &err);
    if (!c->mpg) return -1;
    mpg123_param(c->mpg, MPG123_ADD_FLAGS, MPG123_QUIET | (channels == 1 ? MPG123_MONO_MIX : MPG123_FORCE_STEREO), 0);
    mpg123_format_none(c->mpg);
    if (mpg123_format(c->mpg, (long)rate, channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) !=
        MPG123_OK)
        return -1;
    if (mpg123_open_feed(c->mpg) != MPG123_OK) return -1;
    c->needMore = 1;
    c->pcm.FormatTag = 1;
    c->pcm.Channels = (uint16_t)channels;
    c->pcm.SamplesPerSec = rate;
    c->pcm.BitsPerSample = 16;
    c->pcm.BlockAlign = (uint16_t)(channels * 2);
    c->pcm.AvgBytesPerSec = c->pcm.BlockAlign * rate;
    c->pcm.ExtraSize = 0;
    // Without a frame count the size follows the declared byte rate, with room to
    // spare; 8 kbit/s is the lowest rate any MPEG frame has.
    if (avg < 1000) avg = 1000;
    c->estimate = (int64_t)c->dataSize * c->pcm.AvgBytesPerSec / avg * 5 / 4 + c->pcm.AvgBytesPerSec;
    return 0;
}

int MpegCodecConvert(PlatformSoundCodec* c, int offset, int sourceBytes, void* dest, int destCapacity, int* sourceUsed,
                     int* destProduced) {
    uint8_t* out = (uint8_t*)dest;
    int produced = 0;
    if (c->fedAhead > sourceBytes) c->fedAhead = sourceBytes;
    Drain(c, out, destCapacity, &produced);
    if (c->needMore && !c->failed && produced < destCapacity && c->fedAhead < sourceBytes) {
        size_t done = 0;
        int ret = mpg123_decode(c->mpg, c->data + offset + c->fedAhead, (size_t)(sourceBytes - c->fedAhead),
                                out + produced, (size_t)(destCapacity - produced), &done);
        produced += (int)done;
        c->fedAhead = sourceBytes;
        if (ret == MPG123_ERR) c->failed = 1;
        else c->needMore = ret == MPG123_NEED_MORE;
        Drain(c, out, destCapacity, &produced);
    }
    if (c->needMore || c->failed) {
        *sourceUsed = c->fedAhead;
        c->fedAhead = 0;
    } else if (c->fedAhead > 0) {
        *sourceUsed = c->fedAhead - 1; // decoded PCM still waits: keep the caller coming
        c->fedAhead = 1;
    }
    *destProduced = produced;
    return 0;
}

void MpegCodecClose(PlatformSoundCodec* c) {
    if (c->mpg) {
        mpg123_close(c->mpg);
        mpg123_delete(c->mpg);
    }
    c->mpg = nullptr;
}
