// JPEG decoding compared with ImageMagick's reading of the same files, and
// the premature-end rule.
#include "tests/graphics/decode_test_support.h"

using namespace dectest;

namespace {

const int W = 45, H = 31;

using JpegDecode = PatternFixture<W, H>;

TEST_F(JpegDecode, ColourAndProgressiveMatchTheTool) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -quality 92 j.jpg"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -quality 80 -interlace JPEG jp.jpg"));
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -quality 92 -sampling-factor 2x2 j420.jpg"));
    for (const char* name : {"j.jpg", "jp.jpg", "j420.jpg"}) {
        SCOPED_TRACE(name);
        GraphImage image;
        ASSERT_EQ(Decode(name, &image), 0);
        EXPECT_EQ(image.Color.Format.ColorBitDepth, 24);
        EXPECT_EQ(image.Color.Format.RedMask, 0xFF0000u);
        EXPECT_EQ(image.Pitch, W * 3); // no row padding
        // The tool decodes with the same library and default settings: exact.
        EXPECT_TRUE(SameAsRgba(image, ToolRgba(name), W, H, 0, false));
        ReleaseGraphImage(&image);
    }
}

TEST_F(JpegDecode, GreyJpegGivesTheGreyPalette) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -colorspace Gray -quality 95 g.jpg"));
    GraphImage image;
    ASSERT_EQ(Decode("g.jpg", &image), 0);
    EXPECT_EQ(image.Color.Format.ColorBitDepth, 8);
    EXPECT_EQ(image.Pitch, W);
    EXPECT_EQ(image.Color.Palette[200][0], 200);
    EXPECT_EQ(image.Color.Palette[200][2], 200);
    EXPECT_TRUE(SameAsRgba(image, ToolRgba("g.jpg"), W, H, 0, false));
    ReleaseGraphImage(&image);
}

TEST_F(JpegDecode, PrematureEndStillDecodes) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -quality 92 j.jpg"));
    std::vector<uint8_t> file = ReadWholeFile(Path("j.jpg"));
    GraphImage full, cut;
    ASSERT_EQ(LoadGraphImageMemory(file.data(), (int)file.size(), &full), 0);
    // Drop the end-of-image marker and the last part of the scan.
    int length = (int)file.size() * 3 / 4;
    ASSERT_EQ(LoadGraphImageMemory(file.data(), length, &cut), 0);
    EXPECT_EQ(cut.Width, W);
    EXPECT_EQ(cut.Height, H);
    // The rows decoded before the data ran out are the same as in the whole file.
    EXPECT_EQ(memcmp(full.PixelData, cut.PixelData, (size_t)W * 3 * 8), 0);
    ReleaseGraphImage(&full);
    ReleaseGraphImage(&cut);
}

TEST_F(JpegDecode, HeaderOnlyOrGarbageIsRefused) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -quality 92 j.jpg"));
    std::vector<uint8_t> file = ReadWholeFile(Path("j.jpg"));
    int before = TrackedBlockCount();
    GraphImage image;
    EXPECT_EQ(LoadGraphImageMemory(file.data(), 2, &image), -1);  // SOI only
    EXPECT_EQ(LoadGraphImageMemory(file.data(), 40, &image), -1); // inside the tables
    std::vector<uint8_t> broken(file);
    for (size_t i = 2; i < 200 && i < broken.size(); ++i) broken[i] = 0x5A;
    EXPECT_EQ(LoadGraphImageMemory(broken.data(), (int)broken.size(), &image), -1);
    EXPECT_EQ(TrackedBlockCount(), before);
}

TEST_F(JpegDecode, HugeDimensionsInATinyFileAreRefused) {
    ASSERT_NO_FATAL_FAILURE(Convert("src.ppm -quality 50 j.jpg"));
    std::vector<uint8_t> file = ReadWholeFile(Path("j.jpg"));
    // Find the frame header and claim 60000 x 60000.
    size_t i = 2;
    while (i + 9 < file.size() && !(file[i] == 0xFF && file[i + 1] == 0xC0)) ++i;
    ASSERT_LT(i + 9, file.size());
    file[i + 5] = 0xEA;
    file[i + 6] = 0x60;
    file[i + 7] = 0xEA;
    file[i + 8] = 0x60;
    GraphImage image;
    EXPECT_EQ(LoadGraphImageMemory(file.data(), (int)file.size(), &image), -1);
}

} // namespace
