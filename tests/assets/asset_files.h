// Helpers of the asset tests: reading generated files, their headers and pixels, and
// running the sound tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetfiles {

std::string Dist(const std::string& relative); // BKT_DIST_DIR + "/" + relative
std::vector<uint8_t> ReadAll(const std::string& path);

struct Rgba8 {
    uint8_t r, g, b, a;
};

// A decoded picture, top row first; empty when the file is not a 24-bit BMP or an 8-bit PNG.
struct Pixels {
    int width = 0, height = 0;
    bool hasAlpha = false;   // PNG with an alpha channel
    std::vector<Rgba8> data; // width * height
    Rgba8 At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

// Size from the file header alone (BMP or PNG); false when neither.
bool HeaderSize(const std::vector<uint8_t>& bytes, int* width, int* height);
Pixels DecodeBmp24(const std::vector<uint8_t>& bytes);
Pixels DecodePng(const std::string& path);

// Output of a command (stdout and stderr together).
std::string Run(const std::string& command);

} // namespace assetfiles
