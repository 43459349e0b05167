// RIFF WAVE writer. The "fmt " chunk always comes first, as the game's loader requires.
#include "wave_write.h"

#include "ima_adpcm.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {
void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutTag(std::vector<uint8_t>& b, const char* t) {
    b.insert(b.end(), t, t + 4);
}

int ToInt16(float v) {
    long s = std::lround(static_cast<double>(v) * 32767.0);
    return s > 32767 ? 32767 : s < -32768 ? -32768 : static_cast<int>(s);
}
} // namespace

bool WriteWave(const std::string& path, const std::vector<float>& samples, int rate, WaveEncoding encoding) {
    std::vector<uint8_t> fmt, data, fact;
    if (encoding == WavePcm8 || encoding == WavePcm16) {
        int bytes = encoding == WavePcm8 ? 1 : 2;
        Put16(fmt, 1);
        Put16(fmt, 1);
        Put32(fmt, rate);
        Put32(fmt, rate * bytes);
        Put16(fmt, bytes);
        Put16(fmt, bytes * 8);
        for (float v : samples) {
            if (encoding == WavePcm8) {
                long u = std::lround(static_cast<double>(v) * 127.0) + 128;
                data.push_back(static_cast<uint8_t>(u < 0 ? 0 : u > 255 ? 255 : u));
            } else {
                Put16(data, static_cast<uint16_t>(ToInt16(v)));
            }
        }
    } else {
        const int blockAlign = 512;
        const int perBlock = ImaSamplesPerBlock(blockAlign);
        std::vector<int16_t> pcm;
        for (float v : samples) pcm.push_back(static_cast<int16_t>(ToInt16(v)));
        data = EncodeImaAdpcm(pcm, blockAlign);
        Put16(fmt, 0x11);
        Put16(fmt, 1);
        Put32(fmt, rate);
        Put32(fmt, static_cast<uint32_t>(static_cast<int64_t>(rate) * blockAlign / perBlock));
        Put16(fmt, blockAlign);
        Put16(fmt, 4);
        Put16(fmt, 2);
        Put16(fmt, perBlock);
        Put32(fact, static_cast<uint32_t>(samples.size()));
    }
    std::vector<uint8_t> b;
    PutTag(b, "RIFF");
    Put32(b, 0); // patched below
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, fmt.size());
    b.insert(b.end(), fmt.begin(), fmt.end());
    if (!fact.empty()) {
        PutTag(b, "fact");
        Put32(b, fact.size());
        b.insert(b.end(), fact.begin(), fact.end());
    }
    PutTag(b, "data");
    Put32(b, data.size());
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
    uint32_t riff = static_cast<uint32_t>(b.size() - 8);
    for (int k = 0; k < 4; ++k) b[4 + k] = static_cast<uint8_t>(riff >> (8 * k));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}
