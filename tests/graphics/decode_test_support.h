// Shared helpers of the decoder tests: a per-test temporary directory, running
// the image tools, and reading decoded pixels back as 8-bit RGBA.
#pragma once

#include <ftw.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runtime/core/memory.h"
#include "runtime/graphics/image_decode.h"

namespace dectest {

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

inline void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

inline int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

// The test picture: a deterministic pattern of many colours.
inline void PatternPixel(int x, int y, uint8_t rgb[3]) {
    rgb[0] = (uint8_t)(x * 13 + y * 3);
    rgb[1] = (uint8_t)(y * 17 + x);
    rgb[2] = (uint8_t)(x * y * 5);
}

inline std::vector<uint8_t> PatternRgba(int width, int height) {
    std::vector<uint8_t> rgba((size_t)width * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgba[((size_t)y * width + x) * 4];
            PatternPixel(x, y, p);
            p[3] = 255;
        }
    return rgba;
}

// Fixture with its own temporary directory and the tool runners.
class ToolFixture : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "bkt_decode_XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back(0);
        ASSERT_NE(mkdtemp(buffer.data()), nullptr);
        dir = buffer.data();
    }
    void TearDown() override {
        if (!dir.empty()) nftw(dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }

    // Writes the test picture as a binary PPM.
    void WritePattern(const std::string& name, int width, int height) {
        std::string head = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        std::vector<uint8_t> bytes(head.begin(), head.end());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t rgb[3];
                PatternPixel(x, y, rgb);
                bytes.insert(bytes.end(), rgb, rgb + 3);
            }
        WriteWholeFile(Path(name), bytes);
    }
    // Runs ImageMagick's convert with the given arguments inside the directory.
    void Convert(const std::string& args) {
        std::string command = "cd '" + dir + "' && /usr/bin/convert " + args + " 2>&1";
        ASSERT_EQ(system(command.c_str()), 0) << command;
    }
    // Runs a Python script (Pillow available) inside the directory.
    void Python(const std::string& script) {
        std::string file = Path("script.py");
        WriteWholeFile(file, std::vector<uint8_t>(script.begin(), script.end()));
        std::string command = "cd '" + dir + "' && /usr/bin/python3 script.py 2>&1";
        ASSERT_EQ(system(command.c_str()), 0) << script;
    }
    // ImageMagick's own reading of a file as 8-bit RGBA.
    std::vector<uint8_t> ToolRgba(const std::string& name) {
        Convert("'" + name + "' -depth 8 RGBA:'" + name + ".rgba'");
        return ReadWholeFile(Path(name + ".rgba"));
    }
    // Decodes a file of the directory from memory; 0 or -1.
    int Decode(const std::string& name, GraphImage* image) {
        std::vector<uint8_t> bytes = ReadWholeFile(Path(name));
        if (bytes.empty()) return -1;
        return LoadGraphImageMemory(bytes.data(), (int)bytes.size(), image);
    }
};

static inline uint8_t Scale8(uint32_t pixel, uint32_t mask, int shift, int bits) {
    if (bits == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return (uint8_t)(v >> (bits - 8));
    uint32_t max = (1u << bits) - 1;
    return (uint8_t)((v * 255 + max / 2) / max);
}

// Raw pixel value (little-endian bytes).
inline uint32_t RawPixel(const GraphImage& image, int x, int y) {
    int bpp = image.Color.Format.PixelByte;
    const uint8_t* p = (const uint8_t*)image.PixelData + (size_t)y * image.Pitch + (size_t)x * bpp;
    uint32_t v = 0;
    for (int i = 0; i < bpp; ++i) v |= (uint32_t)p[i] << (8 * i);
    return v;
}

// A decoded pixel as red, green, blue, alpha (alpha 255 without an alpha channel).
inline void PixelRgba(const GraphImage& image, int x, int y, uint8_t rgba[4]) {
    const ColorFormat& f = image.Color.Format;
    uint32_t v = RawPixel(image, x, y);
    if (f.ColorBitDepth == 8) {
        const uint8_t* e = image.Color.Palette[v & 0xFF];
        rgba[0] = e[2];
        rgba[1] = e[1];
        rgba[2] = e[0];
        rgba[3] = 255;
        return;
    }
    rgba[0] = Scale8(v, f.RedMask, f.RedShift, f.RedBits);
    rgba[1] = Scale8(v, f.GreenMask, f.GreenShift, f.GreenBits);
    rgba[2] = Scale8(v, f.BlueMask, f.BlueShift, f.BlueBits);
    rgba[3] = f.AlphaBits ? Scale8(v, f.AlphaMask, f.AlphaShift, f.AlphaBits) : 255;
}

// Compares a decoded image with 8-bit RGBA reference rows; reports the first
// few differences. tolerance applies per channel; alpha only when asked.
inline ::testing::AssertionResult SameAsRgba(const GraphImage& image, const std::vector<uint8_t>& ref, int width,
                                             int height, int tolerance, bool alpha) {
    if (image.Width != width || image.Height != height)
        return ::testing::AssertionFailure()
               << "size " << image.Width << "x" << image.Height << " expected " << width << "x" << height;
    if (ref.size() < (size_t)width * height * 4)
        return ::testing::AssertionFailure() << "reference too short: " << ref.size();
    int bad = 0;
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t got[4];
            PixelRgba(image, x, y, got);
            const uint8_t* want = &ref[((size_t)y * width + x) * 4];
            for (int c = 0; c < (alpha ? 4 : 3); ++c)
                if (abs((int)got[c] - (int)want[c]) > tolerance) {
                    if (bad < 5)
                        failure << "(" << x << "," << y << ") channel " << c << " got " << (int)got[c] << " want "
                                << (int)want[c] << "; ";
                    ++bad;
                    break;
                }
        }
    if (bad) return failure << bad << " pixels differ";
    return ::testing::AssertionSuccess();
}

} // namespace dectest
