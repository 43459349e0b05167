// IMA ADPCM encoding. Each block starts with the first sample verbatim and the step
// index; the encoder tracks the decoder's own reconstruction so errors never accumulate.
#include "ima_adpcm.h"

#include <cstddef>

namespace {
const int kStepTable[89] = {7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
                            25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
                            88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
                            307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
                            1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
                            3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
                            12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct ImaState {
    int predictor; // decoder's current sample
    int index;     // decoder's current step index
};

// Chooses the nibble for one sample and advances the state exactly as a decoder would.
int EncodeNibble(ImaState& st, int sample) {
    int step = kStepTable[st.index];
    int diff = sample - st.predictor;
    int code = 0;
    if (diff < 0) {
        code = 8;
        diff = -diff;
    }
    int delta = step >> 3;
    if (diff >= step) {
        code |= 4;
        diff -= step;
        delta += step;
    }
    if (diff >= step >> 1) {
        code |= 2;
        diff -= step >> 1;
        delta += step >> 1;
    }
    if (diff >= step >> 2) {
        code |= 1;
        delta += step >> 2;
    }
    st.predictor += (code & 8) ? -delta : delta;
    if (st.predictor > 32767) st.predictor = 32767;
    if (st.predictor < -32768) st.predictor = -32768;
    st.index += kIndexTable[code];
    if (st.index < 0) st.index = 0;
    if (st.index > 88) st.index = 88;
    return code;
}
} // namespace

int ImaSamplesPerBlock(int blockAlign) {
    return (blockAlign - 4) * 2 + 1;
}

std::vector<uint8_t> EncodeImaAdpcm(const std::vector<int16_t>& samples, int blockAlign) {
    std::vector<uint8_t> out;
    const int perBlock = ImaSamplesPerBlock(blockAlign);
    ImaState st{0, 0};
    size_t pos = 0;
    while (pos < samples.size()) {
        auto at = [&](size_t k) -> int { return k < samples.size() ? samples[k] : 0; };
        // The step index carries over from the previous block so it need not re-adapt.
        st.predictor = at(pos);
        out.push_back(static_cast<uint8_t>(st.predictor & 0xFF));
        out.push_back(static_cast<uint8_t>((st.predictor >> 8) & 0xFF));
        out.push_back(static_cast<uint8_t>(st.index));
        out.push_back(0);
        for (int k = 1; k < perBlock; k += 2) {
            int lo = EncodeNibble(st, at(pos + k));
            int hi = EncodeNibble(st, at(pos + k + 1));
            out.push_back(static_cast<uint8_t>(lo | (hi << 4)));
        }
        pos += perBlock;
    }
    return out;
}
