// Ogg Vorbis encoding of the music with fixed settings, so two runs give the same bytes.
#pragma once
#include <string>
#include <vector>

bool WriteOggVorbis(const std::string& path, const std::vector<float>& left, const std::vector<float>& right, int rate,
                    float quality);
