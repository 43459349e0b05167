// MPEG audio frame header tables of ISO/IEC 11172-3 and 13818-3 (bit rates, sample
// rates, frame lengths, samples per frame).
#include "runtime/sound/mpeg_frames.h"

namespace {

// kbit/s by [MPEG-1 ? 0 : 1][layer][index]; index 0 (free format) and 15 are unusable.
const int kBitRates[2][3][15] = {
    {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    },
    {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    },
};

const int kSampleRates[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};

} // namespace

int ParseMpegFrameHeader(const uint8_t h[4], MpegFrameInfo* info) {
    if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) return -1;
    int mpeg1 = (h[1] >> 3) & 1;
    int layer = 3 - ((h[1] >> 1) & 3);
    if (layer == 3) return -1;
    int rateIndex = h[2] >> 4;
    if (rateIndex == 15 || rateIndex == 0) return -1;
    int srIndex = (h[2] >> 2) & 3;
    if (srIndex == 3) return -1;
    int v = mpeg1 ? 0 : 1;
    int kbps = kBitRates[v][layer][rateIndex];
    int rate = kSampleRates[v][srIndex];
    int padding = (h[2] >> 1) & 1;
    int length, samples;
    if (layer == 0) {
        length = (12000 * kbps / rate + padding) * 4;
        samples = 384;
    } else if (layer == 1) {
        length = 144000 * kbps / rate + padding;
        samples = 1152;
    } else if (mpeg1) {
        length = 144000 * kbps / rate + padding;
        samples = 1152;
    } else {
        length = 72000 * kbps / rate + padding;
        samples = 576;
    }
    if (length < 4) return -1;
    info->mpeg1 = mpeg1;
    info->layer = layer;
    info->kbps = kbps;
    info->sampleRate = rate;
    info->padding = padding;
    info->channels = (h[3] >> 6) == 3 ? 1 : 2;
    info->frameLength = length;
    info->samplesPerFrame = samples;
    return 0;
}
