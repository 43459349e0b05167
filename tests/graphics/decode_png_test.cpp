// PNG decoding of every colour type and depth, written by Pillow and
// ImageMagick, against the pixel values the scripts say they wrote.
#include "tests/graphics/decode_test_support.h"

using namespace dectest;

namespace {

// Python prelude: helpers that save an image and write the decoder's expected
// output (red, green, blue, alpha bytes) beside it.
const char* kPrelude =
    "from PIL import Image\n"
    "W, H = 29, 17\n"
    "def ref(name, pixels):\n"
    "    open(name + '.ref', 'wb').write(bytes(v for p in pixels for v in p))\n"
    "coords = [(x, y) for y in range(H) for x in range(W)]\n";

class PngDecode : public ToolFixture {
protected:
    // Decodes name and compares with name.ref.
    void Check(const std::string& name, int expectDepth, bool alpha) {
        SCOPED_TRACE(name);
        GraphImage image;
        ASSERT_EQ(Decode(name, &image), 0);
        EXPECT_EQ(image.Color.Format.ColorBitDepth, expectDepth);
        EXPECT_TRUE(SameAsRgba(image, ReadWholeFile(Path(name + ".ref")), 29, 17, 0, alpha));
        ReleaseGraphImage(&image);
    }
    // Colour type and bit depth from the header, to be sure of the variant.
    void ExpectHeader(const std::string& name, int colorType, int bitDepth) {
        std::vector<uint8_t> f = ReadWholeFile(Path(name));
        ASSERT_GT(f.size(), 26u);
        EXPECT_EQ(f[24], bitDepth) << name;
        EXPECT_EQ(f[25], colorType) << name;
    }
    // Each file's header (unless colorType is negative), then its decoding.
    struct Made {
        const char* name;
        int colorType, bitDepth; // as written in the header
        int bits;                // decoded bits per pixel
        bool alpha;
    };
    void ExpectMade(std::initializer_list<Made> files) {
        for (const Made& m : files)
            if (m.colorType >= 0) ExpectHeader(m.name, m.colorType, m.bitDepth);
        for (const Made& m : files) Check(m.name, m.bits, m.alpha);
    }
};

TEST_F(PngDecode, GreyDepthsGiveTheGreyPalette) {
    ASSERT_NO_FATAL_FAILURE(Python(
        std::string(kPrelude) +
        "g = lambda x, y: (x * 9 + y * 5) % 256\n"
        "im = Image.new('L', (W, H)); im.putdata([g(x, y) for x, y in coords]); im.save('g8.png')\n"
        "ref('g8.png', [(g(x, y),) * 3 + (255,) for x, y in coords])\n"
        "im = Image.new('1', (W, H)); im.putdata([255 * ((x + y) % 3 == 0) for x, y in coords]); im.save('g1.png')\n"
        "ref('g1.png', [(255 * ((x + y) % 3 == 0),) * 3 + (255,) for x, y in coords])\n"
        "im = Image.new('I;16', (W, H)); im.putdata([(x * 2311 + y * 977) % 65536 for x, y in coords]); "
        "im.save('g16.png')\n"
        "ref('g16.png', [(((x * 2311 + y * 977) % 65536) >> 8,) * 3 + (255,) for x, y in coords])\n"));
    ExpectMade({{"g8.png", 0, 8, 8, false}, {"g1.png", 0, 1, 8, false}, {"g16.png", 0, 16, 8, false}});

    GraphImage image;
    ASSERT_EQ(Decode("g8.png", &image), 0);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(image.Color.Palette[i][0], i);
        EXPECT_EQ(image.Color.Palette[i][3], 0);
    }
    EXPECT_EQ(image.Pitch, 29);
    ReleaseGraphImage(&image);
}

TEST_F(PngDecode, TwoAndFourBitGreyFromImageMagick) {
    for (int bits : {2, 4}) {
        std::string name = "g" + std::to_string(bits) + ".png";
        std::string levels = std::to_string((1 << bits) - 1);
        // Levels exact at that depth, so the tool need not round.
        ASSERT_NO_FATAL_FAILURE(
            Python(std::string(kPrelude) + "n = " + levels + "\n" +
                   "v = lambda x, y: ((x + 2 * y) % (n + 1)) * 255 // n\n"
                   "im = Image.new('L', (W, H)); im.putdata([v(x, y) for x, y in coords]); im.save('src.pgm')\n"
                   "ref('" +
                   name + "', [(v(x, y),) * 3 + (255,) for x, y in coords])\n"));
        ASSERT_NO_FATAL_FAILURE(Convert("src.pgm -depth " + std::to_string(bits) +
                                        " -define png:color-type=0 -define png:bit-depth=" + std::to_string(bits) +
                                        " PNG:" + name));
        ExpectHeader(name, 0, bits);
        Check(name, 8, false);
    }
}

TEST_F(PngDecode, PaletteDepthsKeepTheirIndices) {
    ASSERT_NO_FATAL_FAILURE(Python(std::string(kPrelude) +
                                   "for bits in (1, 2, 4, 8):\n"
                                   "    n = 1 << bits\n"
                                   "    pal = [(i * 37 % 256, i * 91 % 256, 255 - i) for i in range(n)]\n"
                                   "    im = Image.new('P', (W, H))\n"
                                   "    im.putpalette([c for p in pal for c in p])\n"
                                   "    idx = lambda x, y: (x * 3 + y) % n\n"
                                   "    im.putdata([idx(x, y) for x, y in coords])\n"
                                   "    im.save('p%d.png' % bits, bits=bits)\n"
                                   "    ref('p%d.png' % bits, [pal[idx(x, y)] + (255,) for x, y in coords])\n"));
    for (int bits : {1, 2, 4, 8}) {
        std::string name = "p" + std::to_string(bits) + ".png";
        ExpectHeader(name, 3, bits);
        Check(name, 8, false);
        GraphImage image;
        ASSERT_EQ(Decode(name, &image), 0);
        EXPECT_EQ(image.Color.Format.SpareMask, 0xFF000000u);
        EXPECT_EQ(image.Color.Palette[1][3], 0);
        ReleaseGraphImage(&image);
    }
}

TEST_F(PngDecode, TransparencyAndAlphaGiveThirtyTwoBits) {
    ASSERT_NO_FATAL_FAILURE(Python(
        std::string(kPrelude) +
        "c = lambda x, y: (x * 8 % 256, y * 15 % 256, (x + y) * 4 % 256)\n"
        "im = Image.new('RGBA', (W, H)); im.putdata([c(x, y) + ((x * 17 + y) % 256,) for x, y in coords]); "
        "im.save('rgba.png')\n"
        "ref('rgba.png', [c(x, y) + ((x * 17 + y) % 256,) for x, y in coords])\n"
        "im = Image.new('RGB', (W, H)); im.putdata([c(x, y) for x, y in coords]); im.save('rgbt.png', "
        "transparency=c(3, 2))\n"
        "ref('rgbt.png', [c(x, y) + ((0 if c(x, y) == c(3, 2) else 255),) for x, y in coords])\n"
        "im = Image.new('P', (W, H)); im.putpalette([v for i in range(16) for v in (i * 16, 255 - i * 16, 7)])\n"
        "im.putdata([(x + y) % 16 for x, y in coords]); im.save('pt.png', transparency=5)\n"
        "ref('pt.png', [((x + y) % 16 * 16, 255 - (x + y) % 16 * 16, 7, 0 if (x + y) % 16 == 5 else 255) for x, y "
        "in coords])\n"
        "im = Image.new('RGB', (W, H)); im.putdata([c(x, y) for x, y in coords]); im.save('rgb.png')\n"
        "ref('rgb.png', [c(x, y) + (255,) for x, y in coords])\n"));
    ExpectMade({{"rgba.png", 6, 8, 32, true},
                {"rgbt.png", 2, 8, 32, true},
                {"pt.png", 3, 4, 32, true},
                {"rgb.png", -1, 0, 24, false}});

    GraphImage image;
    ASSERT_EQ(Decode("rgba.png", &image), 0);
    EXPECT_EQ(image.Color.Format.AlphaMask, 0xFF000000u);
    EXPECT_EQ(image.Color.Format.AlphaShift, 24);
    EXPECT_EQ(image.Color.Format.AlphaBits, 8);
    EXPECT_EQ(image.Color.Format.BlueMask, 0xFFu);
    EXPECT_EQ(image.Pitch, 29 * 4);
    ReleaseGraphImage(&image);
}

TEST_F(PngDecode, GreyWithAlphaIgnoresTheAlphaByte) {
    ASSERT_NO_FATAL_FAILURE(
        Python(std::string(kPrelude) +
               "im = Image.new('LA', (W, H)); im.putdata([((x * 9) % 256, (y * 13) % 256) for x, y in coords]); "
               "im.save('la.png')\n"
               "ref('la.png', [((x * 9) % 256,) * 3 + (255,) for x, y in coords])\n"
               "im = Image.new('L', (W, H)); im.putdata([(x * 9) % 256 for x, y in coords]); im.save('lt.png', "
               "transparency=18)\n"
               "ref('lt.png', [((x * 9) % 256,) * 3 + (255,) for x, y in coords])\n"));
    ExpectHeader("la.png", 4, 8);
    for (const char* name : {"la.png", "lt.png"}) {
        SCOPED_TRACE(name);
        Check(name, 16, false);
        GraphImage image;
        ASSERT_EQ(Decode(name, &image), 0);
        EXPECT_EQ(image.Color.Format.PixelByte, 2);
        EXPECT_EQ(image.Color.Format.RedMask, 0xFFu);
        EXPECT_EQ(image.Color.Format.GreenMask, 0xFFu);
        EXPECT_EQ(image.Color.Format.BlueMask, 0xFFu);
        EXPECT_EQ(image.Color.Format.AlphaBits, 0);
        EXPECT_EQ(image.Color.Format.SpareMask, 0xFF00u);
        ReleaseGraphImage(&image);
    }
}

TEST_F(PngDecode, SixteenBitAndInterlacedFromImageMagick) {
    WritePattern("src.ppm", 29, 17);
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -depth 16 PNG48:rgb16.png"));
    ASSERT_NO_FATAL_FAILURE(
        Convert("src.ppm -alpha set -channel A -evaluate set 50% +channel -depth 16 PNG64:rgba16.png"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -interlace PNG PNG24:inter.png"));
    ExpectHeader("rgb16.png", 2, 16);
    ExpectHeader("rgba16.png", 6, 16);
    std::vector<uint8_t> inter = ReadWholeFile(Path("inter.png"));
    ASSERT_GT(inter.size(), 29u);
    EXPECT_EQ(inter[28], 1); // Adam7
    std::vector<uint8_t> pattern = PatternRgba(29, 17);
    for (const char* name : {"rgb16.png", "rgba16.png", "inter.png"}) {
        SCOPED_TRACE(name);
        GraphImage image;
        ASSERT_EQ(Decode(name, &image), 0);
        EXPECT_TRUE(SameAsRgba(image, pattern, 29, 17, 0, false));
        if (strcmp(name, "rgba16.png") == 0) {
            uint8_t px[4];
            PixelRgba(image, 3, 3, px);
            EXPECT_NEAR(px[3], 127, 1);
        }
        ReleaseGraphImage(&image);
    }
}

TEST_F(PngDecode, TruncatedDataIsRefusedWithoutLeaks) {
    WritePattern("src.ppm", 29, 17);
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -strip PNG24:rgb.png"));
    std::vector<uint8_t> file = ReadWholeFile(Path("rgb.png"));
    int before = TrackedBlockCount();
    // Cut inside the signature, the header, and the image data.
    for (size_t cut : {6u, 20u, 40u, (unsigned)file.size() / 2, (unsigned)file.size() - 40}) {
        GraphImage image;
        EXPECT_EQ(LoadGraphImageMemory(file.data(), (int)cut, &image), -1) << cut;
        EXPECT_EQ(image.PixelData, nullptr);
    }
    EXPECT_EQ(TrackedBlockCount(), before);
}

} // namespace
