// The font rasteriser: faces found by fontconfig with the character set's
// language, metrics, 1-bit and grey glyph rows, weight and italic.
#include <gtest/gtest.h>
#include <string.h>

#include <memory>
#include <vector>

#include "runtime/core/sjis.h"
#include "runtime/platform/platform.h"

namespace {

struct FontDeleter {
    void operator()(PlatformFont* f) const { PlatformDeleteFont(f); }
};
using FontPtr = std::unique_ptr<PlatformFont, FontDeleter>;

FontPtr Make(const char* faceUtf8, int height, int weight, int italic, int charSet) {
    return FontPtr(PlatformCreateFont(faceUtf8 ? SJ(faceUtf8) : nullptr, height, weight, italic, charSet));
}

// Counts set pixels of a glyph bitmap.
int CountPixels(const std::vector<uint8_t>& bits, const PlatformGlyphMetrics& m, int gray) {
    int pitch = gray ? (m.blackBoxX + 3) / 4 * 4 : (m.blackBoxX + 31) / 32 * 4;
    int n = 0;
    for (int y = 0; y < m.blackBoxY; y++)
        for (int x = 0; x < m.blackBoxX; x++) {
            const uint8_t* row = bits.data() + y * pitch;
            n += gray ? (row[x] >= 8) : ((row[x >> 3] >> (7 - (x & 7))) & 1);
        }
    return n;
}

std::vector<uint8_t> Glyph(PlatformFont* font, unsigned code, int gray, PlatformGlyphMetrics* m) {
    int size = PlatformGetGlyph(font, code, gray, m, nullptr, 0);
    EXPECT_GE(size, 0);
    std::vector<uint8_t> bits(size > 0 ? size : 0);
    if (size > 0) {
        EXPECT_EQ(PlatformGetGlyph(font, code, gray, m, bits.data(), size), size);
    }
    return bits;
}

TEST(FontRaster, GothicNameWithJapaneseResolvesToAJapaneseFace) {
    FontPtr ja = Make("ＭＳゴシック", 20, 0, 0, 128);
    ASSERT_TRUE(ja);
    EXPECT_STREQ(PlatformFontFamily(ja.get()), "IPAGothic");
    // Without the language fontconfig picks a Latin face, which has no kana.
    FontPtr latin = Make("ＭＳゴシック", 20, 0, 0, 1);
    ASSERT_TRUE(latin);
    EXPECT_STRNE(PlatformFontFamily(latin.get()), "IPAGothic");
}

TEST(FontRaster, MissingFaceFallsBackToTheDefault) {
    FontPtr f = Make("NoSuchFaceAnywhere", 16, 0, 0, 128);
    ASSERT_TRUE(f);
    EXPECT_NE(PlatformFontFamily(f.get())[0], 0);
    FontPtr none = Make(nullptr, 16, 0, 0, 1);
    ASSERT_TRUE(none);
    FontPtr empty = Make("", 16, 0, 0, 129);
    ASSERT_TRUE(empty);
}

TEST(FontRaster, MetricsFillTheAskedHeight) {
    for (int h : {10, 20, 32}) {
        FontPtr f = Make("ＭＳゴシック", h, 0, 0, 128);
        ASSERT_TRUE(f);
        PlatformFontMetrics m;
        PlatformGetFontMetrics(f.get(), &m);
#ifdef _WIN32
        EXPECT_NEAR(m.height, h, 1) << "the system's font mapper rounds the cell";
#else
        EXPECT_EQ(m.height, h) << h;
#endif
        EXPECT_EQ(m.height, m.ascent + m.descent);
        EXPECT_GT(m.ascent, m.descent);
        EXPECT_GE(m.maxWidth, h / 2);
    }
}

TEST(FontRaster, OneBitRowsArePaddedToFourBytes) {
    FontPtr f = Make("ＭＳゴシック", 20, 0, 0, 128);
    PlatformGlyphMetrics m;
    std::vector<uint8_t> bits = Glyph(f.get(), 'W', 0, &m);
    ASSERT_GT(m.blackBoxX, 0);
    ASSERT_GT(m.blackBoxY, 0);
    EXPECT_EQ((int)bits.size(), (m.blackBoxX + 31) / 32 * 4 * m.blackBoxY);
    EXPECT_GT(CountPixels(bits, m, 0), 10);
    EXPECT_GT(m.advance, 0);
    EXPECT_GT(m.originY, 0);
    // A buffer too small is refused, not overrun.
    std::vector<uint8_t> small(bits.size() - 1);
    EXPECT_EQ(PlatformGetGlyph(f.get(), 'W', 0, &m, small.data(), (int)small.size()), -1);
}

TEST(FontRaster, GreyRowsHoldLevelsUpToSixteen) {
    FontPtr f = Make("ＭＳゴシック", 20, 0, 0, 128);
    PlatformGlyphMetrics m;
    std::vector<uint8_t> bits = Glyph(f.get(), 'O', 1, &m);
    ASSERT_GT(m.blackBoxX, 0);
    EXPECT_EQ((int)bits.size(), (m.blackBoxX + 3) / 4 * 4 * m.blackBoxY);
    int maxLevel = 0, partial = 0;
    for (uint8_t v : bits) {
        EXPECT_LE(v, 16);
        if (v > maxLevel) maxLevel = v;
        if (v > 0 && v < 16) partial++;
    }
    EXPECT_EQ(maxLevel, 16);
    EXPECT_GT(partial, 0);
}

TEST(FontRaster, ShiftJisCodesDrawKana) {
    FontPtr f = Make("ＭＳゴシック", 20, 0, 0, 128);
    PlatformGlyphMetrics m;
    // "フ" is 0x83 0x74 in Shift-JIS.
    std::vector<uint8_t> bits = Glyph(f.get(), 0x8374, 0, &m);
    EXPECT_GT(CountPixels(bits, m, 0), 10);
    // Full width: the advance is about the height.
    EXPECT_NEAR(m.advance, 20, 2);
    // Half-width katakana (one byte) is half as wide.
    PlatformGlyphMetrics half;
    Glyph(f.get(), 0xCC, 0, &half);
    EXPECT_NEAR(half.advance, 10, 1);
}

TEST(FontRaster, UnmappedCodesDoNotFail) {
    FontPtr f = Make("ＭＳゴシック", 16, 0, 0, 128);
    PlatformGlyphMetrics m;
    for (unsigned code : {0x85u, 0x8540u, 0xFCFCu, 0x80u, 0xFFFFu, 0x0u}) {
        int size = PlatformGetGlyph(f.get(), code, 1, &m, nullptr, 0);
        EXPECT_GE(size, 0) << std::hex << code;
    }
    FontPtr ko = Make("", 16, 0, 0, 129);
    EXPECT_GE(PlatformGetGlyph(ko.get(), 0xB0A1, 0, &m, nullptr, 0), 0);
}

TEST(FontRaster, WeightAndItalicAreHonoured) {
    FontPtr regular = Make("ＭＳゴシック", 32, 400, 0, 128);
    FontPtr bold = Make("ＭＳゴシック", 32, 700, 0, 128);
    FontPtr italic = Make("ＭＳゴシック", 32, 400, 1, 128);
    PlatformGlyphMetrics mr, mb, mi;
    std::vector<uint8_t> r = Glyph(regular.get(), 'l', 0, &mr);
    std::vector<uint8_t> b = Glyph(bold.get(), 'l', 0, &mb);
    std::vector<uint8_t> i = Glyph(italic.get(), 'l', 0, &mi);
    EXPECT_GT(CountPixels(b, mb, 0), CountPixels(r, mr, 0));
    // The slanted stem is wider than the upright one.
    EXPECT_GT(mi.blackBoxX, mr.blackBoxX);
}

} // namespace
