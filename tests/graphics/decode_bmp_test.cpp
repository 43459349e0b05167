// BMP decoding checked against files written by ImageMagick and Pillow, and
// hand-made run-length and top-down variants.
#include "tests/graphics/decode_test_support.h"

using namespace dectest;

namespace {

const int W = 37, H = 23;

class BmpDecode : public PatternFixture<W, H> {
protected:
    // Header fields of a written file, to be sure the tool made the variant.
    static int Bits(const std::vector<uint8_t>& f) { return f[28] | (f[29] << 8); }
    static int Compression(const std::vector<uint8_t>& f) { return f[30]; }
    // A file the tool writes: its arguments and name, the header's bits per pixel and
    // compression (-1: not checked), and how far the decoding may be from the tool's.
    struct Made {
        const char* args;
        const char* name;
        int bits, compression, tolerance;
    };
    // Writes the file with the tool, checks its header and decodes it.
    void MakeAndDecode(const Made& c, GraphImage* image) {
        ASSERT_NO_FATAL_FAILURE(Convert(c.args));
        std::vector<uint8_t> file = ReadWholeFile(Path(c.name));
        ASSERT_EQ(Bits(file), c.bits);
        if (c.compression >= 0) {
            ASSERT_EQ(Compression(file), c.compression);
        }
        ASSERT_EQ(Decode(c.name, image), 0);
    }
};

TEST_F(BmpDecode, TrueColourBottomUpComesOutTopFirst) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -type TrueColor BMP3:t24.bmp"));
    std::vector<uint8_t> file = ReadWholeFile(Path("t24.bmp"));
    ASSERT_EQ(Bits(file), 24);
    GraphImage image;
    ASSERT_EQ(Decode("t24.bmp", &image), 0);
    EXPECT_EQ(image.Color.Format.ColorBitDepth, 24);
    EXPECT_EQ(image.Color.Format.RedMask, 0xFF0000u);
    EXPECT_EQ(image.Pitch, (W * 3 + 3) & ~3);
    EXPECT_TRUE(SameAsRgba(image, PatternRgba(W, H), W, H, 0, false));
    EXPECT_TRUE(SameAsRgba(image, ToolRgba("t24.bmp"), W, H, 0, false));
    ReleaseGraphImage(&image);
}

TEST_F(BmpDecode, NegativeHeightIsNotFlipped) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -type TrueColor BMP3:t24.bmp"));
    std::vector<uint8_t> file = ReadWholeFile(Path("t24.bmp"));
    // Store the rows top first and say so with a negative height.
    uint32_t offset = file[10] | (file[11] << 8) | (file[12] << 16) | ((uint32_t)file[13] << 24);
    int row = (W * 3 + 3) & ~3;
    std::vector<uint8_t> flipped(file);
    for (int y = 0; y < H; ++y)
        memcpy(&flipped[offset + (size_t)y * row], &file[offset + (size_t)(H - 1 - y) * row], row);
    int32_t negative = -H;
    memcpy(&flipped[22], &negative, 4);
    WriteWholeFile(Path("td.bmp"), flipped);
    GraphImage image;
    ASSERT_EQ(Decode("td.bmp", &image), 0);
    EXPECT_EQ(image.Height, H);
    EXPECT_TRUE(SameAsRgba(image, PatternRgba(W, H), W, H, 0, false));
    ReleaseGraphImage(&image);
}

TEST_F(BmpDecode, PaletteDepthsGivePaletteImages) {
    const Made cases[] = {
        {"src.ppm -colors 200 -type Palette -compress None BMP3:p8.bmp", "p8.bmp", 8, 0, 0},
        {"src.ppm -colors 12 -compress None BMP3:p4.bmp", "p4.bmp", 4, 0, 0},
        {"src.ppm -colors 200 -type Palette -compress RLE BMP3:r8.bmp", "r8.bmp", 8, 1, 0},
    };
    for (const Made& c : cases) {
        SCOPED_TRACE(c.name);
        GraphImage image;
        ASSERT_NO_FATAL_FAILURE(MakeAndDecode(c, &image));
        EXPECT_EQ(image.Color.Format.ColorBitDepth, 8);
        EXPECT_EQ(image.Color.Format.SpareMask, 0xFF000000u);
        EXPECT_EQ(image.Pitch, (W + 3) & ~3);
        for (int i = 0; i < 256; ++i) EXPECT_EQ(image.Color.Palette[i][3], 0) << i;
        if (c.bits == 4) {
            for (int y = 0; y < H; ++y) {
                for (int x = 0; x < W; ++x) {
                    ASSERT_LT(RawPixel(image, x, y), 16u);
                }
            }
        }
        EXPECT_TRUE(SameAsRgba(image, ToolRgba(c.name), W, H, 0, false));
        ReleaseGraphImage(&image);
    }
}

TEST_F(BmpDecode, OneBitAndMaskFormatsBecomeTwentyFourBit) {
    const Made cases[] = {
        {"src.ppm -monochrome BMP3:p1.bmp", "p1.bmp", 1, -1, 0},
        {"src.ppm -define bmp:subtype=RGB565 BMP:b565.bmp", "b565.bmp", 16, -1, 1},
        {"src.ppm -define bmp:subtype=RGB555 BMP:b555.bmp", "b555.bmp", 16, -1, 1},
        {"src.ppm -alpha set -define bmp:subtype=ARGB1555 BMP:b1555.bmp", "b1555.bmp", 16, -1, 1},
        {"src.ppm -alpha set -define bmp:subtype=ARGB4444 BMP:b4444.bmp", "b4444.bmp", 16, -1, 1},
        {"src.ppm -alpha set -define bmp:subtype=ARGB8888 BMP:b8888.bmp", "b8888.bmp", 32, -1, 0},
    };
    for (const Made& c : cases) {
        SCOPED_TRACE(c.name);
        GraphImage image;
        ASSERT_NO_FATAL_FAILURE(MakeAndDecode(c, &image));
        EXPECT_EQ(image.Color.Format.ColorBitDepth, 24);
        EXPECT_EQ(image.Pitch, (W * 3 + 3) & ~3);
        std::vector<uint8_t> ref = ToolRgba(c.name);
        // The tool reads 4-bit channels as v << 4; the decoder stretches them to 0..255.
        if (strcmp(c.name, "b4444.bmp") == 0)
            for (uint8_t& v : ref) v = (uint8_t)((v >> 4) * 17);
        EXPECT_TRUE(SameAsRgba(image, ref, W, H, c.tolerance, false));
        if (c.bits == 32) {
            EXPECT_TRUE(SameAsRgba(image, PatternRgba(W, H), W, H, 0, false));
        }
        ReleaseGraphImage(&image);
    }
}

TEST_F(BmpDecode, PlainSixteenAndThirtyTwoBitWithoutMasks) {
    // Pillow writes RGBA as 32-bit rows without bit fields.
    ASSERT_NO_FATAL_FAILURE(
        Python("from PIL import Image\n"
               "im = Image.open('src.ppm').convert('RGBA')\n"
               "im.save('p32.bmp')\n"));
    std::vector<uint8_t> file = ReadWholeFile(Path("p32.bmp"));
    ASSERT_EQ(Bits(file), 32);
    ASSERT_EQ(Compression(file), 0);
    GraphImage image;
    ASSERT_EQ(Decode("p32.bmp", &image), 0);
    EXPECT_TRUE(SameAsRgba(image, PatternRgba(W, H), W, H, 0, false));
    ReleaseGraphImage(&image);

    // A 5-5-5 file with bit fields says the same without them.
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -define bmp:subtype=RGB555 BMP:b555.bmp"));
    file = ReadWholeFile(Path("b555.bmp"));
    file[30] = 0;
    WriteWholeFile(Path("plain555.bmp"), file);
    GraphImage a, b;
    ASSERT_EQ(Decode("plain555.bmp", &a), 0);
    ASSERT_EQ(Decode("b555.bmp", &b), 0);
    ASSERT_EQ(a.Pitch * a.Height, b.Pitch * b.Height);
    EXPECT_EQ(memcmp(a.PixelData, b.PixelData, (size_t)a.Pitch * a.Height), 0);
    // Five-bit channels are stretched to the full range.
    EXPECT_TRUE(SameAsRgba(a, ToolRgba("b555.bmp"), W, H, 1, false));
    ReleaseGraphImage(&a);
    ReleaseGraphImage(&b);
}

// Builds a BMP of 16-entry palette i -> (i*16, 255-i*16, i) with the given data.
std::vector<uint8_t> MakePaletteBmp(int bits, int compression, int width, int height,
                                    const std::vector<uint8_t>& data) {
    int entries = 1 << bits;
    uint32_t offset = 14 + 40 + entries * 4;
    std::vector<uint8_t> f(offset, 0);
    f[0] = 'B';
    f[1] = 'M';
    uint32_t fileSize = offset + (uint32_t)data.size();
    memcpy(&f[2], &fileSize, 4);
    memcpy(&f[10], &offset, 4);
    uint32_t headerSize = 40;
    memcpy(&f[14], &headerSize, 4);
    memcpy(&f[18], &width, 4);
    memcpy(&f[22], &height, 4);
    f[26] = 1;
    f[28] = (uint8_t)bits;
    f[30] = (uint8_t)compression;
    for (int i = 0; i < entries; ++i) {
        f[54 + i * 4] = (uint8_t)i;                  // blue
        f[54 + i * 4 + 1] = (uint8_t)(255 - i * 16); // green
        f[54 + i * 4 + 2] = (uint8_t)(i * 16);       // red
        f[54 + i * 4 + 3] = 0x77;                    // reserved: must come out 0
    }
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

TEST_F(BmpDecode, Rle4RunsLiteralsDeltaAndLineEnds) {
    // 6 x 3, bottom-up. Line 0 (bottom): run of 5 alternating 1/2, then EOL.
    // Line 1: literal of 3 nibbles 3,4,5, delta (+1, +1), run 2 of 7.
    // Line 2 (top): continues at x = 4 after the delta: 7 7; end of bitmap.
    std::vector<uint8_t> data = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 2, 1, 1, 2, 0x77, 0, 1};
    WriteWholeFile(Path("r4.bmp"), MakePaletteBmp(4, 2, 6, 3, data));
    GraphImage image;
    ASSERT_EQ(Decode("r4.bmp", &image), 0);
    ASSERT_EQ(image.Width, 6);
    ASSERT_EQ(image.Height, 3);
    EXPECT_EQ(image.Color.Format.ColorBitDepth, 8);
    EXPECT_EQ(image.Pitch, 8);
    const uint8_t expect[3][6] = {{0, 0, 0, 0, 7, 7}, {3, 4, 5, 0, 0, 0}, {1, 2, 1, 2, 1, 0}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(RawPixel(image, x, y), expect[y][x]) << x << "," << y;
    EXPECT_EQ(image.Color.Palette[3][2], 48);
    EXPECT_EQ(image.Color.Palette[3][1], 207);
    EXPECT_EQ(image.Color.Palette[3][3], 0);
    ReleaseGraphImage(&image);
}

TEST_F(BmpDecode, Rle8RunsPastTheEdgeAreClipped) {
    // Runs longer than the row, a delta far below the image and a literal that
    // runs past the data: all clipped, nothing written outside.
    std::vector<uint8_t> data = {200, 9, 0, 0, 0, 4, 1, 2, 3, 4, 250, 5, 0, 2, 200, 200, 3, 3, 0, 9, 1};
    WriteWholeFile(Path("r8.bmp"), MakePaletteBmp(8, 1, 3, 2, data));
    GraphImage image;
    ASSERT_EQ(Decode("r8.bmp", &image), 0);
    EXPECT_EQ(RawPixel(image, 0, 1), 9u);
    EXPECT_EQ(RawPixel(image, 2, 1), 9u);
    EXPECT_EQ(RawPixel(image, 0, 0), 1u);
    EXPECT_EQ(RawPixel(image, 2, 0), 3u);
    ReleaseGraphImage(&image);
}

TEST_F(BmpDecode, FileDecodesThroughTheDispatcherOnly) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -type TrueColor BMP3:t24.bmp"));
    std::vector<uint8_t> file = ReadWholeFile(Path("t24.bmp"));
    GraphImage image;
    MemoryStream* stream = OpenMemoryStream(file.data(), (int)file.size());
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(LoadBmpImage(&g_memoryStream, (intptr_t)stream, &image), 0);
    ReleaseGraphImage(&image);
    g_memoryStream.seek((intptr_t)stream, 0, 0);
    EXPECT_EQ(LoadPngImage(&g_memoryStream, (intptr_t)stream, &image), -1);
    g_memoryStream.close((intptr_t)stream);
}

} // namespace
