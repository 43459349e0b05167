// Writing RIFF WAVE files: 8-bit or 16-bit PCM, or IMA ADPCM, all mono.
#pragma once
#include <string>
#include <vector>

enum WaveEncoding { WavePcm8, WavePcm16, WaveIma };

// Samples are floats in -1..1 (clamped). IMA files use 512-byte blocks and carry a "fact" chunk.
bool WriteWave(const std::string& path, const std::vector<float>& samples, int rate, WaveEncoding encoding);
