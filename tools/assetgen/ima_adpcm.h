// IMA ADPCM (WAVE format tag 0x11) block encoder, mono.
#pragma once
#include <cstdint>
#include <vector>

// Samples one block of the given size holds: the header sample plus two per data byte.
int ImaSamplesPerBlock(int blockAlign);
// Encodes mono 16-bit samples into whole blocks; the last block is padded with silence.
std::vector<uint8_t> EncodeImaAdpcm(const std::vector<int16_t>& samples, int blockAlign);
