// Hostile input: hand-made headers with impossible sizes, offsets and indices,
// and many mutated and truncated copies of real files. Nothing may crash, read
// or write out of bounds, or leave memory behind.
#include <zlib.h>

#include "tests/graphics/decode_test_support.h"

using namespace dectest;

namespace {

void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    if (f.size() < at + 4) f.resize(at + 4, 0);
    memcpy(&f[at], &v, 4);
}

// A BMP with a 40-byte header; data is appended after a 256-entry palette.
std::vector<uint8_t> Bmp(int32_t width, int32_t height, int bits, int compression, uint32_t used,
                         const std::vector<uint8_t>& data) {
    std::vector<uint8_t> f(14 + 40 + 1024, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 10, 14 + 40 + 1024);
    Put32(f, 14, 40);
    Put32(f, 18, (uint32_t)width);
    Put32(f, 22, (uint32_t)height);
    f[26] = 1;
    f[28] = (uint8_t)bits;
    f[30] = (uint8_t)compression;
    Put32(f, 46, used);
    for (int i = 0; i < 256; ++i) f[54 + i * 4 + 2] = (uint8_t)(i + 1); // red = index + 1
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

// Decodes and checks nothing leaked; returns the decoder's result.
int DecodeNoLeak(const std::vector<uint8_t>& f, GraphImage* image) {
    int blocks = TrackedBlockCount();
    int result = LoadGraphImageMemory(f.data(), (int)f.size(), image);
    if (result == 0) {
        EXPECT_EQ(TrackedBlockCount(), blocks + 1);
    } else {
        EXPECT_EQ(TrackedBlockCount(), blocks);
        EXPECT_EQ(image->PixelData, nullptr);
    }
    return result;
}

TEST(DecodeHostile, BmpImpossibleSizesAndOffsets) {
    GraphImage image;
    std::vector<uint8_t> row(64, 1);
    EXPECT_EQ(DecodeNoLeak(Bmp(0x7FFFFFFF, 1, 24, 0, 0, row), &image), -1);
    EXPECT_EQ(DecodeNoLeak(Bmp(1, (int32_t)0x80000000, 24, 0, 0, row), &image), -1);
    EXPECT_EQ(DecodeNoLeak(Bmp(-5, 2, 24, 0, 0, row), &image), -1);
    EXPECT_EQ(DecodeNoLeak(Bmp(0, 2, 24, 0, 0, row), &image), -1);
    EXPECT_EQ(DecodeNoLeak(Bmp(30000, 30000, 24, 0, 0, row), &image), -1);
    EXPECT_EQ(DecodeNoLeak(Bmp(30000, 30000, 1, 0, 0, row), &image), -1);
    EXPECT_EQ(DecodeNoLeak(Bmp(4, 4, 7, 0, 0, row), &image), -1);  // no such depth
    EXPECT_EQ(DecodeNoLeak(Bmp(4, 4, 24, 4, 0, row), &image), -1); // embedded JPEG
    EXPECT_EQ(DecodeNoLeak(Bmp(4, 4, 24, 1, 0, row), &image), -1); // RLE8 needs 8 bits

    // Pixel-data offsets past the end or before the headers.
    std::vector<uint8_t> f = Bmp(4, 4, 24, 0, 0, row);
    Put32(f, 10, (uint32_t)f.size() + 10);
    EXPECT_EQ(DecodeNoLeak(f, &image), -1);
    Put32(f, 10, 0xFFFFFFF0u);
    EXPECT_EQ(DecodeNoLeak(f, &image), -1);
    Put32(f, 10, 3);
    EXPECT_EQ(DecodeNoLeak(f, &image), -1);
    // Header sizes that cannot be.
    f = Bmp(4, 4, 24, 0, 0, row);
    Put32(f, 14, 0x7FFFFFFF);
    EXPECT_EQ(DecodeNoLeak(f, &image), -1);
    Put32(f, 14, 5);
    EXPECT_EQ(DecodeNoLeak(f, &image), -1);
}

TEST(DecodeHostile, BmpRunLengthCannotClaimHugeImages) {
    // 10 bytes of run-length data for 40000 x 40000 pixels: refused before the
    // 1.6 GB block is asked for.
    GraphImage image;
    int before = TrackedTotalSize();
    EXPECT_EQ(DecodeNoLeak(Bmp(40000, 40000, 8, 1, 0, {255, 1, 255, 1, 255, 1, 0, 0, 0, 1}), &image), -1);
    EXPECT_EQ(DecodeNoLeak(Bmp(40000, 40000, 4, 2, 0, {255, 1, 255, 1, 255, 1, 0, 0, 0, 1}), &image), -1);
    EXPECT_EQ(TrackedTotalSize(), before);
    // Deltas and line ends far past the image end it quietly.
    ASSERT_EQ(
        DecodeNoLeak(Bmp(5, 5, 8, 1, 0, {0, 2, 255, 255, 3, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 9}), &image), 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(RawPixel(image, x, y), 0u);
    ReleaseGraphImage(&image);
    // An odd literal at the very end of the data.
    ASSERT_EQ(DecodeNoLeak(Bmp(5, 1, 8, 1, 0, {0, 5, 1, 2, 3}), &image), 0);
    EXPECT_EQ(RawPixel(image, 2, 0), 3u);
    EXPECT_EQ(RawPixel(image, 3, 0), 0u);
    ReleaseGraphImage(&image);
}

TEST(DecodeHostile, BmpPaletteIndicesPastThePalette) {
    // Two palette entries declared; indices 1 and 200 used. Entries past the
    // declared ones read as black.
    GraphImage image;
    ASSERT_EQ(DecodeNoLeak(Bmp(2, 1, 8, 0, 2, {1, 200, 0, 0}), &image), 0);
    EXPECT_EQ(image.Color.Palette[1][2], 2);
    EXPECT_EQ(image.Color.Palette[200][2], 0);
    ReleaseGraphImage(&image);
    // 1-bit files convert through the palette: index 1 beyond a one-entry palette.
    ASSERT_EQ(DecodeNoLeak(Bmp(8, 1, 1, 0, 1, {0x0F, 0, 0, 0}), &image), 0);
    uint8_t rgba[4];
    PixelRgba(image, 0, 0, rgba);
    EXPECT_EQ(rgba[0], 1);
    PixelRgba(image, 7, 0, rgba);
    EXPECT_EQ(rgba[0], 0);
    ReleaseGraphImage(&image);
}

TEST(DecodeHostile, BmpOddMasksStayInBounds) {
    std::vector<uint8_t> f = Bmp(2, 1, 32, 3, 0, {});
    // Bit-field masks sit right after the 40-byte header.
    f.resize(54);
    const uint32_t masks[3] = {0xFFFFFFFFu, 0x80000001u, 0};
    for (int i = 0; i < 3; ++i) Put32(f, 54 + 4 * i, masks[i]);
    Put32(f, 10, 66);
    f.insert(f.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    GraphImage image;
    ASSERT_EQ(DecodeNoLeak(f, &image), 0);
    EXPECT_EQ(image.Color.Format.ColorBitDepth, 24);
    uint8_t rgba[4];
    PixelRgba(image, 0, 0, rgba);
    EXPECT_EQ(rgba[0], 4); // top 8 of 32 bits
    EXPECT_EQ(rgba[2], 0); // no blue mask
    ReleaseGraphImage(&image);
}

// A PNG chunk with its CRC.
void Chunk(std::vector<uint8_t>& f, const char* type, const std::vector<uint8_t>& body) {
    uint8_t len[4] = {(uint8_t)(body.size() >> 24), (uint8_t)(body.size() >> 16), (uint8_t)(body.size() >> 8),
                      (uint8_t)body.size()};
    f.insert(f.end(), len, len + 4);
    size_t start = f.size();
    f.insert(f.end(), type, type + 4);
    f.insert(f.end(), body.begin(), body.end());
    uLong crc = crc32(0, &f[start], (uInt)(f.size() - start));
    f.insert(f.end(), {(uint8_t)(crc >> 24), (uint8_t)(crc >> 16), (uint8_t)(crc >> 8), (uint8_t)crc});
}

std::vector<uint8_t> Png(uint32_t width, uint32_t height, int depth, int colorType, const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr = {(uint8_t)(width >> 24),
                                 (uint8_t)(width >> 16),
                                 (uint8_t)(width >> 8),
                                 (uint8_t)width,
                                 (uint8_t)(height >> 24),
                                 (uint8_t)(height >> 16),
                                 (uint8_t)(height >> 8),
                                 (uint8_t)height,
                                 (uint8_t)depth,
                                 (uint8_t)colorType,
                                 0,
                                 0,
                                 0};
    Chunk(f, "IHDR", ihdr);
    std::vector<uint8_t> packed(compressBound((uLong)raw.size()));
    uLongf size = (uLongf)packed.size();
    compress(packed.data(), &size, raw.data(), (uLong)raw.size());
    packed.resize(size);
    Chunk(f, "IDAT", packed);
    Chunk(f, "IEND", {});
    return f;
}

TEST(DecodeHostile, PngHugeHeaderOverTinyData) {
    GraphImage image;
    int before = TrackedTotalSize();
    // 900000 x 900000 RGBA from a few bytes of data.
    EXPECT_EQ(DecodeNoLeak(Png(900000, 900000, 8, 6, {0, 1, 2, 3, 4}), &image), -1);
    EXPECT_EQ(DecodeNoLeak(Png(20000, 20000, 8, 2, {0, 1, 2, 3}), &image), -1);
    EXPECT_EQ(TrackedTotalSize(), before);
    // A palette image without a palette is a library error, not a crash.
    EXPECT_EQ(DecodeNoLeak(Png(2, 2, 8, 3, {0, 0, 1, 0, 1, 0}), &image), -1);
    // Too little data for the rows it claims.
    EXPECT_EQ(DecodeNoLeak(Png(64, 64, 8, 0, {0, 1, 2}), &image), -1);
    // And a well-formed one built the same way decodes.
    ASSERT_EQ(DecodeNoLeak(Png(2, 2, 8, 0, {0, 10, 20, 0, 30, 40}), &image), 0);
    EXPECT_EQ(RawPixel(image, 1, 1), 40u);
    ReleaseGraphImage(&image);
}

class DecodeMutation : public ToolFixture {};

// Deterministic generator for the mutations.
struct Lcg {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

TEST_F(DecodeMutation, MutatedAndTruncatedFilesNeverCrash) {
    WritePattern("src.ppm", 21, 13);
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -colors 40 -type Palette -compress None BMP3:p8.bmp"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -colors 40 -type Palette -compress RLE BMP3:r8.bmp"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -colors 12 -compress None BMP3:p4.bmp"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -define bmp:subtype=RGB565 BMP:b16.bmp"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -orient TopLeft -compress RLE TGA:t10.tga"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -orient TopLeft -type Palette -compress RLE TGA:t9.tga"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -colors 40 PNG8:p.png"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -interlace PNG PNG24:i.png"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -quality 70 j.jpg"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -quality 70 -interlace JPEG jp.jpg"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -define dds:compression=none -define dds:mipmaps=0 d.dds"));
    // Fixed mutations by default; --gtest_shuffle --gtest_repeat=N explores more seeds.
    Lcg rng{12345u + (uint32_t)::testing::UnitTest::GetInstance()->random_seed()};
    int before = TrackedBlockCount();
    int decoded = 0, refused = 0;
    for (const char* name :
         {"p8.bmp", "r8.bmp", "p4.bmp", "b16.bmp", "t10.tga", "t9.tga", "p.png", "i.png", "j.jpg", "jp.jpg", "d.dds"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> original = ReadWholeFile(Path(name));
        ASSERT_FALSE(original.empty());
        for (int round = 0; round < 150; ++round) {
            std::vector<uint8_t> f = original;
            int changes = 1 + (int)(rng.Next() % 6);
            for (int c = 0; c < changes; ++c) {
                // Mostly the headers, sometimes anywhere.
                size_t at =
                    (rng.Next() % 4 == 0) ? rng.Next() % f.size() : rng.Next() % std::min<size_t>(f.size(), 140);
                uint32_t kind = rng.Next() % 4;
                f[at] = kind == 0   ? 0xFF
                        : kind == 1 ? 0
                        : kind == 2 ? (uint8_t)(f[at] ^ (1u << (rng.Next() % 8)))
                                    : (uint8_t)rng.Next();
            }
            if (rng.Next() % 3 == 0) f.resize(1 + rng.Next() % f.size());
            GraphImage image;
            if (LoadGraphImageMemory(f.data(), (int)f.size(), &image) == 0) {
                ++decoded;
                ASSERT_GT(image.Width, 0);
                ASSERT_GT(image.Height, 0);
                ASSERT_GE(image.Pitch, image.Width * image.Color.Format.PixelByte);
                volatile uint32_t sum = 0;
                for (int y = 0; y < image.Height; ++y)
                    for (int x = 0; x < image.Width; ++x) sum = sum + RawPixel(image, x, y);
                EXPECT_LE((int64_t)image.Pitch * image.Height, (int64_t)f.size() * 1100 + (1 << 20));
                ReleaseGraphImage(&image);
            } else {
                ++refused;
            }
        }
    }
    EXPECT_GT(decoded, 0);
    EXPECT_GT(refused, 0);
    EXPECT_EQ(TrackedBlockCount(), before);
}

} // namespace
