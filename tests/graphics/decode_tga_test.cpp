// TGA decoding: the four accepted types from ImageMagick, orientation and
// footer from Pillow, hand-made 16-bit and right-to-left files, refusals.
#include "tests/graphics/decode_test_support.h"

using namespace dectest;

namespace {

const int W = 33, H = 19;

class TgaDecode : public PatternFixture<W, H> {
protected:
    void ExpectType(const std::string& name, int type, int depth) {
        std::vector<uint8_t> f = ReadWholeFile(Path(name));
        ASSERT_GT(f.size(), 18u);
        EXPECT_EQ(f[2], type) << name;
        EXPECT_EQ(f[2] == 1 || f[2] == 9 ? f[7] : f[16], depth) << name;
    }
};

TEST_F(TgaDecode, FourTypesFromImageMagick) {
    // The tool stores rows in memory order and flags them by -orient.
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -orient TopLeft -type Palette TGA:t1.tga"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -orient TopLeft -type Palette -compress RLE TGA:t9.tga"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -orient TopLeft TGA:t2.tga"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -orient TopLeft -compress RLE TGA:t10.tga"));
    ExpectType("t1.tga", 1, 24);
    ExpectType("t9.tga", 9, 24);
    ExpectType("t2.tga", 2, 24);
    ExpectType("t10.tga", 10, 24);
    for (const char* name : {"t1.tga", "t9.tga", "t2.tga", "t10.tga"}) {
        SCOPED_TRACE(name);
        GraphImage image;
        ASSERT_EQ(Decode(name, &image), 0);
        EXPECT_EQ(image.Color.Format.ColorBitDepth, 24);
        EXPECT_EQ(image.Pitch, W * 3);
        EXPECT_TRUE(SameAsRgba(image, ToolRgba(name), W, H, 0, false));
        if (strcmp(name, "t2.tga") == 0 || strcmp(name, "t10.tga") == 0) {
            EXPECT_TRUE(SameAsRgba(image, PatternRgba(W, H), W, H, 0, false));
        }
        ReleaseGraphImage(&image);
    }
}

TEST_F(TgaDecode, AlphaOrientationAndFooterFromPillow) {
    ASSERT_NO_FATAL_FAILURE(
        Python("from PIL import Image\n"
               "im = Image.open('src.ppm').convert('RGBA')\n"
               "im.putdata([p[:3] + ((i * 7) % 256,) for i, p in enumerate(im.getdata())])\n"
               "im.save('bl.tga')\n"
               "im.save('tl.tga', orientation=1)\n"
               "im.save('tlr.tga', orientation=1, compression='tga_rle')\n"
               "im.save('blr.tga', compression='tga_rle')\n"
               "open('ref.rgba', 'wb').write(im.tobytes())\n"));
    std::vector<uint8_t> ref = ReadWholeFile(Path("ref.rgba"));
    for (const char* name : {"bl.tga", "tl.tga", "tlr.tga", "blr.tga"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> f = ReadWholeFile(Path(name));
        ASSERT_GT(f.size(), 44u);
        EXPECT_EQ(memcmp(&f[f.size() - 18], "TRUEVISION-XFILE", 16), 0);
        EXPECT_EQ((f[17] & 0x20) != 0, name[0] == 't');
        GraphImage image;
        ASSERT_EQ(Decode(name, &image), 0);
        EXPECT_EQ(image.Color.Format.ColorBitDepth, 32);
        EXPECT_EQ(image.Color.Format.AlphaMask, 0xFF000000u);
        EXPECT_TRUE(SameAsRgba(image, ref, W, H, 0, true));
        ReleaseGraphImage(&image);
    }
}

TEST_F(TgaDecode, BottomLeftFlagAgreesWithPillow) {
    // Without -orient the tool flags its top-first rows as bottom first; a
    // reader that honours the flag shows them upside down, as Pillow does.
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm TGA:bl.tga"));
    std::vector<uint8_t> f = ReadWholeFile(Path("bl.tga"));
    ASSERT_EQ(f[17] & 0x30, 0);
    ASSERT_NO_FATAL_FAILURE(
        Python("from PIL import Image\n"
               "open('bl.rgba', 'wb').write(Image.open('bl.tga').convert('RGBA').tobytes())\n"));
    GraphImage image;
    ASSERT_EQ(Decode("bl.tga", &image), 0);
    EXPECT_TRUE(SameAsRgba(image, ReadWholeFile(Path("bl.rgba")), W, H, 0, false));
    ReleaseGraphImage(&image);
}

TEST_F(TgaDecode, RightToLeftIsMirrored) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -orient TopLeft TGA:t2.tga"));
    std::vector<uint8_t> f = ReadWholeFile(Path("t2.tga"));
    size_t start = 18 + f[0];
    for (int y = 0; y < H; ++y) {
        uint8_t* row = &f[start + (size_t)y * W * 3];
        for (int a = 0, b = W - 1; a < b; ++a, --b)
            for (int c = 0; c < 3; ++c) std::swap(row[a * 3 + c], row[b * 3 + c]);
    }
    f[17] |= 0x10;
    WriteWholeFile(Path("rl.tga"), f);
    GraphImage image;
    ASSERT_EQ(Decode("rl.tga", &image), 0);
    EXPECT_TRUE(SameAsRgba(image, PatternRgba(W, H), W, H, 0, false));
    ReleaseGraphImage(&image);
}

// Header of a true-colour or colour-mapped TGA.
std::vector<uint8_t> TgaHeader(int type, int width, int height, int depth, int descriptor) {
    std::vector<uint8_t> h(18, 0);
    h[2] = (uint8_t)type;
    h[12] = (uint8_t)width;
    h[13] = (uint8_t)(width >> 8);
    h[14] = (uint8_t)height;
    h[15] = (uint8_t)(height >> 8);
    h[16] = (uint8_t)depth;
    h[17] = (uint8_t)descriptor;
    return h;
}

TEST_F(TgaDecode, SixteenBitKeepsItsPixels) {
    // 3 x 2, top first, run-length: a run of three 0x7C00 then three literals.
    std::vector<uint8_t> f = TgaHeader(10, 3, 2, 16, 0x20);
    const uint8_t data[] = {0x82, 0x00, 0x7C, 0x02, 0xE0, 0x03, 0x1F, 0x00, 0x1F, 0x80};
    f.insert(f.end(), data, data + sizeof(data));
    WriteWholeFile(Path("t16.tga"), f);
    GraphImage image;
    ASSERT_EQ(Decode("t16.tga", &image), 0);
    EXPECT_EQ(image.Color.Format.ColorBitDepth, 16);
    EXPECT_EQ(image.Color.Format.RedMask, 0x7C00u);
    EXPECT_EQ(image.Color.Format.GreenMask, 0x03E0u);
    EXPECT_EQ(image.Color.Format.BlueMask, 0x001Fu);
    EXPECT_EQ(image.Color.Format.SpareMask, 0x8000u);
    EXPECT_EQ(image.Pitch, 6);
    const uint32_t expect[6] = {0x7C00, 0x7C00, 0x7C00, 0x03E0, 0x001F, 0x801F};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(RawPixel(image, i % 3, i / 3), expect[i]) << i;
    ReleaseGraphImage(&image);
}

TEST_F(TgaDecode, RefusedHeaders) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -colorspace Gray TGA:g.tga"));
    ExpectType("g.tga", 3, 8);
    GraphImage image;
    EXPECT_EQ(Decode("g.tga", &image), -1); // type 3

    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -orient TopLeft TGA:t2.tga"));
    std::vector<uint8_t> f = ReadWholeFile(Path("t2.tga"));
    std::vector<uint8_t> shifted(f);
    shifted[8] = 1; // x origin
    WriteWholeFile(Path("x.tga"), shifted);
    EXPECT_EQ(Decode("x.tga", &image), -1);

    std::vector<uint8_t> wide = TgaHeader(2, 4096, 1, 24, 0);
    wide.resize(18 + 4096 * 3, 0x40);
    WriteWholeFile(Path("wide.tga"), wide);
    EXPECT_EQ(Decode("wide.tga", &image), -1);

    // A run-length header claiming 4095 x 4095 with a few bytes of data must
    // be refused before the 64 MB block is made.
    std::vector<uint8_t> tiny = TgaHeader(10, 4095, 4095, 32, 0);
    tiny.insert(tiny.end(), {0xFF, 1, 2, 3, 4, 0xFF, 1, 2, 3, 4});
    int before = TrackedTotalSize();
    EXPECT_EQ(LoadGraphImageMemory(tiny.data(), (int)tiny.size(), &image), -1);
    EXPECT_EQ(TrackedTotalSize(), before);

    // Uncompressed data cut short.
    std::vector<uint8_t> cut(f.begin(), f.begin() + f.size() / 2);
    WriteWholeFile(Path("cut.tga"), cut);
    EXPECT_EQ(Decode("cut.tga", &image), -1);
}

TEST_F(TgaDecode, PaletteIndicesPastTheMapReadZero) {
    // Colour map of two 24-bit entries at first index 0; index 200 is outside it.
    std::vector<uint8_t> f = TgaHeader(1, 3, 1, 8, 0x20);
    f[1] = 1;
    f[5] = 2; // map length
    f[7] = 24;
    const uint8_t map[] = {1, 2, 3, 4, 5, 6};
    f.insert(f.end(), map, map + 6);
    f.insert(f.end(), {1, 200, 0});
    WriteWholeFile(Path("m.tga"), f);
    GraphImage image;
    ASSERT_EQ(Decode("m.tga", &image), 0);
    EXPECT_EQ(RawPixel(image, 0, 0), 0x060504u);
    EXPECT_EQ(RawPixel(image, 1, 0), 0u);
    EXPECT_EQ(RawPixel(image, 2, 0), 0x030201u);
    ReleaseGraphImage(&image);
}

} // namespace
