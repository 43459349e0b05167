// Raw BGRA and DDS decoding: ImageMagick's uncompressed DDS files, the format
// code table, hand-made raw files, and the dispatcher's order and refusals.
#include "tests/graphics/decode_test_support.h"

using namespace dectest;

namespace {

const int W = 37, H = 23;

class RawDdsDecode : public ToolFixture {};

void PutU32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    if (f.size() < at + 4) f.resize(at + 4, 0);
    memcpy(&f[at], &v, 4);
}

TEST_F(RawDdsDecode, RawEightBitsPerChannel) {
    std::vector<uint8_t> f = {'B', 'G', 'R', 'A'};
    PutU32(f, 4, 0x08080808);
    PutU32(f, 8, 3);
    PutU32(f, 12, 2);
    for (int i = 0; i < 6; ++i)
        f.insert(f.end(), {(uint8_t)i, (uint8_t)(i * 10), (uint8_t)(i * 20), (uint8_t)(255 - i)});
    GraphImage image;
    ASSERT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), 0);
    EXPECT_EQ(image.Width, 3);
    EXPECT_EQ(image.Height, 2);
    EXPECT_EQ(image.Pitch, 12);
    EXPECT_EQ(image.Color.Format.ColorBitDepth, 32);
    EXPECT_EQ(image.Color.Format.AlphaMask, 0xFF000000u);
    EXPECT_EQ(memcmp(image.PixelData, &f[16], 24), 0);
    ReleaseGraphImage(&image);
}

TEST_F(RawDdsDecode, RawSixteenBitsKeepTheHighBytes) {
    std::vector<uint8_t> f = {'B', 'G', 'R', 'A'};
    PutU32(f, 4, 0x10101010);
    PutU32(f, 8, 2);
    PutU32(f, 12, 1);
    const uint16_t px[8] = {0x1234, 0xABCD, 0x00FF, 0xFF00, 0x8001, 0x7FFF, 0x0100, 0xFFFF};
    for (uint16_t v : px) f.insert(f.end(), {(uint8_t)v, (uint8_t)(v >> 8)});
    GraphImage image;
    ASSERT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), 0);
    EXPECT_EQ(RawPixel(image, 0, 0), 0xFF00AB12u);
    EXPECT_EQ(RawPixel(image, 1, 0), 0xFF017F80u);
    ReleaseGraphImage(&image);
}

TEST_F(RawDdsDecode, RawBadCodesAndShortDataAreRefused) {
    std::vector<uint8_t> f = {'B', 'G', 'R', 'A'};
    PutU32(f, 4, 0x08080808);
    PutU32(f, 8, 100000);
    PutU32(f, 12, 100000); // 40 GB claimed by a 16-byte file
    f.resize(40, 0);
    GraphImage image;
    int before = TrackedTotalSize();
    EXPECT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), -1);
    EXPECT_EQ(TrackedTotalSize(), before);
    PutU32(f, 4, 0x05060500);
    PutU32(f, 8, 1);
    PutU32(f, 12, 1);
    EXPECT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), -1);
}

TEST_F(RawDdsDecode, DdsFromImageMagickWithHeaderMasks) {
    WritePattern("src.ppm", W, H);
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -define dds:compression=none -define dds:mipmaps=0 rgb.dds"));
    ASSERT_NO_FATAL_FAILURE(
        Convert("src.ppm -alpha set -channel A -fx 'i/w' +channel -define dds:compression=none "
                "-define dds:mipmaps=0 rgba.dds"));
    for (const char* name : {"rgb.dds", "rgba.dds"}) {
        SCOPED_TRACE(name);
        GraphImage image;
        ASSERT_EQ(Decode(name, &image), 0);
        bool alpha = name[3] == 'a';
        EXPECT_EQ(image.Color.Format.ColorBitDepth, alpha ? 32 : 24);
        EXPECT_EQ(image.Color.Format.AlphaMask, alpha ? 0xFF000000u : 0u);
        EXPECT_TRUE(SameAsRgba(image, PatternRgba(W, H), W, H, 0, false));
        EXPECT_TRUE(SameAsRgba(image, ToolRgba(name), W, H, 0, alpha));
        ReleaseGraphImage(&image);
    }
}

// A DDS header for the given flags, size, pitch and pixel format.
std::vector<uint8_t> DdsHeader(uint32_t flags, int width, int height, uint32_t pitch, uint32_t formatFlags,
                               uint32_t code, uint32_t bits, const uint32_t masks[4]) {
    std::vector<uint8_t> f(128, 0);
    memcpy(&f[0], "DDS ", 4);
    PutU32(f, 4, 124);
    PutU32(f, 8, flags);
    PutU32(f, 12, (uint32_t)height);
    PutU32(f, 16, (uint32_t)width);
    PutU32(f, 20, pitch);
    PutU32(f, 76, 32);
    PutU32(f, 80, formatFlags);
    PutU32(f, 84, code);
    PutU32(f, 88, bits);
    for (int i = 0; i < 4; ++i) PutU32(f, 92 + 4 * i, masks[i]);
    return f;
}

TEST_F(RawDdsDecode, DdsFormatCodesAndPitch) {
    const uint32_t none[4] = {0, 0, 0, 0};
    // Code 23: R5G6B5, 2 x 2 with a valid pitch of 8 (4 bytes of row padding).
    std::vector<uint8_t> f = DdsHeader(0x100F, 2, 2, 8, 4, 23, 0, none);
    const uint16_t px[8] = {0xF800, 0x07E0, 0xAAAA, 0xBBBB, 0x001F, 0xFFFF, 0xCCCC, 0xDDDD};
    for (uint16_t v : px) f.insert(f.end(), {(uint8_t)v, (uint8_t)(v >> 8)});
    GraphImage image;
    ASSERT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), 0);
    EXPECT_EQ(image.Pitch, 8);
    EXPECT_EQ(image.Color.Format.ColorBitDepth, 16);
    EXPECT_EQ(image.Color.Format.RedMask, 0xF800u);
    EXPECT_EQ(image.Color.Format.GreenBits, 6);
    EXPECT_EQ(RawPixel(image, 1, 0), 0x07E0u);
    EXPECT_EQ(RawPixel(image, 0, 1), 0x001Fu);
    ReleaseGraphImage(&image);

    // Code 27: 3-3-2 in 8 bits comes out as a palette of its 256 colours.
    f = DdsHeader(0x1007, 2, 1, 0, 4, 27, 0, none);
    f.insert(f.end(), {0xE0, 0x03});
    ASSERT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), 0);
    uint8_t rgba[4];
    PixelRgba(image, 0, 0, rgba);
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(rgba[2], 0);
    PixelRgba(image, 1, 0, rgba);
    EXPECT_EQ(rgba[2], 255);
    ReleaseGraphImage(&image);

    // A pitch smaller than a row, an unknown code and compressed data are refused.
    f = DdsHeader(0x100F, 4, 2, 7, 4, 21, 0, none);
    f.resize(128 + 64, 0);
    EXPECT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), -1);
    f = DdsHeader(0x1007, 4, 2, 0, 4, 99, 0, none);
    f.resize(128 + 64, 0);
    EXPECT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), -1);
    f = DdsHeader(0x1007, 4, 4, 0, 4, 0x31545844, 0, none); // "DXT1"
    f.resize(128 + 64, 0);
    EXPECT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), -1);
    // Huge sizes over a few bytes of data.
    const uint32_t bgra[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    f = DdsHeader(0x1007, 30000, 30000, 0, 0x41, 0, 32, bgra);
    f.resize(128 + 64, 0);
    int before = TrackedTotalSize();
    EXPECT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), -1);
    EXPECT_EQ(TrackedTotalSize(), before);
}

TEST_F(RawDdsDecode, NoFormatMeansFailure) {
    const char text[] = "this is not an image of any kind, just words";
    GraphImage image;
    EXPECT_EQ(LoadGraphImageMemory(text, (int)sizeof(text), &image), -1);
    EXPECT_EQ(image.PixelData, nullptr);
    EXPECT_EQ(LoadGraphImageMemory(text, 0, &image), -1);
    EXPECT_EQ(LoadGraphImageMemory(nullptr, 10, &image), -1);
}

TEST_F(RawDdsDecode, MirrorReversesRows) {
    std::vector<uint8_t> f = {'B', 'G', 'R', 'A'};
    PutU32(f, 4, 0x08080808);
    PutU32(f, 8, 3);
    PutU32(f, 12, 1);
    PutU32(f, 16, 0x11111111);
    PutU32(f, 20, 0x22222222);
    PutU32(f, 24, 0x33333333);
    GraphImage image;
    ASSERT_EQ(LoadGraphImageMemory(f.data(), (int)f.size(), &image), 0);
    EXPECT_EQ(MirrorGraphImage(&image), 0);
    EXPECT_EQ(RawPixel(image, 0, 0), 0x33333333u);
    EXPECT_EQ(RawPixel(image, 1, 0), 0x22222222u);
    EXPECT_EQ(RawPixel(image, 2, 0), 0x11111111u);
    ReleaseGraphImage(&image);
    GraphImage empty;
    memset(&empty, 0, sizeof(empty));
    EXPECT_EQ(MirrorGraphImage(&empty), -1);
}

} // namespace
