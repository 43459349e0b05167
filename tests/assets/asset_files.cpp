// Asset test helpers: plain header parsing, a small BMP reader, libpng for PNG.
#include "asset_files.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

namespace assetfiles {

std::string Dist(const std::string& relative) {
    return std::string(BKT_DIST_DIR) + "/" + relative;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

static uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
static uint32_t Be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool HeaderSize(const std::vector<uint8_t>& b, int* width, int* height) {
    if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        *width = static_cast<int32_t>(Le32(&b[18]));
        int32_t h = static_cast<int32_t>(Le32(&b[22]));
        *height = h < 0 ? -h : h;
        return true;
    }
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (b.size() >= 24 && std::equal(sig, sig + 8, b.begin()) && b[12] == 'I' && b[13] == 'H' && b[14] == 'D' &&
        b[15] == 'R') {
        *width = static_cast<int>(Be32(&b[16]));
        *height = static_cast<int>(Be32(&b[20]));
        return true;
    }
    return false;
}

Pixels DecodeBmp24(const std::vector<uint8_t>& b) {
    Pixels p;
    int w = 0, h = 0;
    if (!HeaderSize(b, &w, &h) || b.size() < 54 || b[28] != 24 || Le32(&b[30]) != 0 || w <= 0 || h <= 0) return p;
    uint32_t offset = Le32(&b[10]);
    size_t row = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    if (offset + row * h > b.size()) return p;
    bool bottomUp = static_cast<int32_t>(Le32(&b[22])) > 0;
    p.width = w;
    p.height = h;
    p.data.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = &b[offset + row * (bottomUp ? h - 1 - y : y)];
        for (int x = 0; x < w; ++x)
            p.data[static_cast<size_t>(y) * w + x] = {src[x * 3 + 2], src[x * 3 + 1], src[x * 3], 255};
    }
    return p;
}

Pixels DecodePng(const std::string& path) {
    Pixels p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    p.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> buffer(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) return p;
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    p.data.resize(static_cast<size_t>(p.width) * p.height);
    for (size_t i = 0; i < p.data.size(); ++i)
        p.data[i] = {buffer[i * 4], buffer[i * 4 + 1], buffer[i * 4 + 2], buffer[i * 4 + 3]};
    return p;
}

std::string Run(const std::string& command) {
    std::string out;
    FILE* f = popen(("{ " + command + "; } 2>&1").c_str(), "r");
    if (!f) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) out.append(buffer, n);
    pclose(f);
    return out;
}

} // namespace assetfiles
