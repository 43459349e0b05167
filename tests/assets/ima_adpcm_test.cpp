// IMA ADPCM: the encoder's blocks decode, with a decoder written here from the format,
// close to the input; and the generated ADPCM files decode the same here as in sox.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <unistd.h>

#include "asset_files.h"
#include "ima_adpcm.h"

using namespace assetfiles;

namespace {

const int kSteps[89] = {7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
                        25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
                        88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
                        307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
                        1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
                        3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
                        12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndexShift[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// Mono blocks: header sample, step index, reserved byte, then nibbles low first.
std::vector<int16_t> Decode(const uint8_t* data, size_t size, int blockAlign) {
    std::vector<int16_t> out;
    for (size_t at = 0; at + blockAlign <= size; at += blockAlign) {
        const uint8_t* b = data + at;
        int predictor = static_cast<int16_t>(b[0] | (b[1] << 8));
        int index = b[2] > 88 ? 88 : b[2];
        out.push_back(static_cast<int16_t>(predictor));
        for (int k = 4; k < blockAlign; ++k)
            for (int half = 0; half < 2; ++half) {
                int code = half ? b[k] >> 4 : b[k] & 15;
                int step = kSteps[index];
                int delta = step >> 3;
                if (code & 4) delta += step;
                if (code & 2) delta += step >> 1;
                if (code & 1) delta += step >> 2;
                predictor += (code & 8) ? -delta : delta;
                predictor = predictor > 32767 ? 32767 : predictor < -32768 ? -32768 : predictor;
                index += kIndexShift[code & 7];
                index = index < 0 ? 0 : index > 88 ? 88 : index;
                out.push_back(static_cast<int16_t>(predictor));
            }
    }
    return out;
}

} // namespace

TEST(ImaAdpcm, RoundTripOfASweepStaysClose) {
    std::vector<int16_t> in;
    for (int i = 0; i < 5000; ++i) in.push_back(static_cast<int16_t>(20000 * std::sin(i * (0.01 + i * 0.00001))));
    std::vector<uint8_t> blocks = EncodeImaAdpcm(in, 512);
    ASSERT_EQ(blocks.size() % 512, 0u);
    EXPECT_EQ(ImaSamplesPerBlock(512), 1017);
    EXPECT_EQ(blocks.size() / 512, (in.size() + 1016) / 1017);
    std::vector<int16_t> out = Decode(blocks.data(), blocks.size(), 512);
    ASSERT_GE(out.size(), in.size());
    double signal = 0, noise = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        signal += static_cast<double>(in[i]) * in[i];
        noise += static_cast<double>(in[i] - out[i]) * (in[i] - out[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 25.0);
    // Each block starts on the input sample exactly.
    for (size_t i = 0; i < in.size(); i += 1017) EXPECT_EQ(out[i], in[i]);
    // The padding after the input is silence.
    EXPECT_LT(std::abs(out.back()), 64);
}

TEST(ImaAdpcm, GeneratedFilesDecodeHereAsInSox) {
    for (const char* name : {"jumpd.wav", "bom35.wav"}) {
        std::vector<uint8_t> file = ReadAll(Dist(std::string("bkt/wav/") + name));
        ASSERT_GT(file.size(), 60u);
        ASSERT_EQ((file[20] | (file[21] << 8)), 0x11) << name;
        // fmt (20 bytes), fact (4 bytes), then data.
        size_t data = 12 + 8 + 20 + 8 + 4 + 8;
        ASSERT_EQ(std::string(file.begin() + data - 8, file.begin() + data - 4), "data") << name;
        std::vector<int16_t> ours = Decode(file.data() + data, file.size() - data, 512);
        std::string raw = "/tmp/ima-" + std::to_string(getpid()) + "-" + name + ".raw";
        assetfiles::Run("/usr/bin/sox " + Dist(std::string("bkt/wav/") + name) + " -t s16 -e signed " + raw);
        std::vector<uint8_t> soxBytes = ReadAll(raw);
        std::remove(raw.c_str());
        ASSERT_EQ(soxBytes.size(), ours.size() * 2) << name;
        for (size_t i = 0; i < ours.size(); ++i) {
            int16_t s = static_cast<int16_t>(soxBytes[i * 2] | (soxBytes[i * 2 + 1] << 8));
            ASSERT_EQ(s, ours[i]) << name << " sample " << i;
        }
        int fact = file[48] | (file[49] << 8) | (file[50] << 16) | (file[51] << 24);
        EXPECT_LE(static_cast<size_t>(fact), ours.size()) << name;
        EXPECT_GT(static_cast<size_t>(fact), ours.size() - 1017) << name;
    }
}
