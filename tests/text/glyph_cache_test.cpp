// The glyph cache: outline neighbourhoods for every edge size, grey levels,
// cells handed out strictly in turn, and glyphs cut to their cell.
#include "tests/text/text_fixture.h"

#include <memory>

namespace {

using GlyphCacheTest = TextTest;

// A font record of its own for writing cells directly.
struct CellFixture {
    std::unique_ptr<FontRecord> font{new FontRecord()};
    std::vector<uint8_t> cell;
    CellFixture(int type, int edge, int cellSize) {
        font->fontType = type;
        font->edgeSize = edge;
        font->cellSize = cellSize;
        font->cacheBitsPerPixel = type == 0 ? 1 : 8;
        font->cacheRowBytes = (font->cacheBitsPerPixel * cellSize + 7) / 8;
        cell.assign((size_t)font->cacheRowBytes * cellSize, 0);
    }
    uint8_t At(int x, int y) const { return cell[(size_t)y * font->cellSize + x]; }
    // Renders the cell as rows of digits for readable comparisons.
    std::vector<std::string> Rows(int size) const {
        std::vector<std::string> rows;
        for (int y = 0; y < size; y++) {
            std::string r;
            for (int x = 0; x < size; x++) r += (char)('0' + At(x, y));
            rows.push_back(r);
        }
        return rows;
    }
};

// A one-pixel glyph as a 1-bit bitmap (one 4-byte row).
const uint8_t kOnePixel[4] = {0x80, 0, 0, 0};

TEST_F(GlyphCacheTest, OnePixelGlyphGetsAPlusShapedOutline) {
    CellFixture f(1, 1, 8);
    WriteGlyphIntoCell(f.font.get(), f.cell.data(), kOnePixel, 4, 1, 1);
    std::vector<std::string> want = {"020", "212", "020"};
    std::vector<std::string> rows = f.Rows(3);
    EXPECT_EQ(rows, want);
    int marks = 0;
    for (uint8_t v : f.cell) marks += v == 2;
    EXPECT_EQ(marks, 4);
}

TEST_F(GlyphCacheTest, OutlineMasksForEdgeSizesTwoToFour) {
    {
        CellFixture f(1, 2, 8);
        WriteGlyphIntoCell(f.font.get(), f.cell.data(), kOnePixel, 4, 1, 1);
        std::vector<std::string> want = {"02220", "22222", "22122", "22222", "02220"};
        EXPECT_EQ(f.Rows(5), want);
    }
    {
        CellFixture f(1, 3, 8);
        WriteGlyphIntoCell(f.font.get(), f.cell.data(), kOnePixel, 4, 1, 1);
        std::vector<std::string> want = {"0002000", "0222220", "0222220", "2221222", "0222220", "0222220", "0002000"};
        EXPECT_EQ(f.Rows(7), want);
    }
    {
        CellFixture f(1, 4, 16);
        WriteGlyphIntoCell(f.font.get(), f.cell.data(), kOnePixel, 4, 1, 1);
        std::vector<std::string> want = {"002222200", "022222220", "222222222", "222222222", "222212222",
                                         "222222222", "222222222", "022222220", "002222200"};
        EXPECT_EQ(f.Rows(9), want);
    }
}

TEST_F(GlyphCacheTest, LargerEdgesMarkTheWholeSquare) {
    CellFixture f(1, 5, 16);
    WriteGlyphIntoCell(f.font.get(), f.cell.data(), kOnePixel, 4, 1, 1);
    for (int y = 0; y < 11; y++)
        for (int x = 0; x < 11; x++) EXPECT_EQ(f.At(x, y), (x == 5 && y == 5) ? 1 : 2) << x << "," << y;
    EXPECT_EQ(f.At(11, 5), 0);
    EXPECT_EQ(f.At(5, 11), 0);
}

TEST_F(GlyphCacheTest, EdgeZeroHasNoOutline) {
    CellFixture f(1, 0, 8);
    WriteGlyphIntoCell(f.font.get(), f.cell.data(), kOnePixel, 4, 1, 1);
    std::vector<std::string> want = {"100", "000", "000"};
    EXPECT_EQ(f.Rows(3), want);
}

TEST_F(GlyphCacheTest, LaterGlyphPixelsOverwriteEarlierMarks) {
    CellFixture f(1, 1, 8);
    const uint8_t twoPixels[4] = {0xC0, 0, 0, 0}; // two neighbours in a row
    WriteGlyphIntoCell(f.font.get(), f.cell.data(), twoPixels, 4, 2, 1);
    std::vector<std::string> want = {"0220", "2112", "0220"};
    EXPECT_EQ(f.Rows(3).size(), 3u);
    std::vector<std::string> rows;
    for (const std::string& r : f.Rows(4)) rows.push_back(r.substr(0, 4));
    rows.pop_back();
    EXPECT_EQ(rows, want);
}

TEST_F(GlyphCacheTest, GreyLevelsBecomeCoverage) {
    CellFixture f(2, 0, 8);
    const uint8_t grey[4] = {0, 1, 9, 16};
    WriteGlyphIntoCell(f.font.get(), f.cell.data(), grey, 4, 4, 1);
    EXPECT_EQ(f.At(0, 0), 0);
    EXPECT_EQ(f.At(1, 0), 0);
    EXPECT_EQ(f.At(2, 0), 8);
    EXPECT_EQ(f.At(3, 0), 15);
}

TEST_F(GlyphCacheTest, AntiAliasedOutlineKeepsTheStrongestCoverage) {
    CellFixture f(3, 1, 8);
    const uint8_t grey[4] = {16, 5, 0, 0};
    WriteGlyphIntoCell(f.font.get(), f.cell.data(), grey, 4, 2, 1);
    // Glyph pixels at (1,1) = 15 and (2,1) = 4 in the low bits.
    EXPECT_EQ(f.At(1, 1) & 0x0F, 15);
    EXPECT_EQ(f.At(2, 1) & 0x0F, 4);
    // (2,1) is a neighbour of (1,1): outline 15 in its high bits.
    EXPECT_EQ(f.At(2, 1) >> 4, 15);
    // (3,1) neighbours only the weaker pixel.
    EXPECT_EQ(f.At(3, 1), 4 << 4);
    EXPECT_EQ(f.At(1, 0), 15 << 4);
    EXPECT_EQ(f.At(0, 1), 15 << 4);
}

TEST_F(GlyphCacheTest, NothingIsWrittenOutsideTheCell) {
    // A 12 x 12 solid glyph into an 8 x 8 cell with edge 2, followed by a guard.
    CellFixture f(1, 2, 8);
    f.cell.resize(f.cell.size() + 64, 0xAA);
    std::vector<uint8_t> bitmap(4 * 12, 0);
    for (int y = 0; y < 12; y++) bitmap[y * 4] = 0xFF, bitmap[y * 4 + 1] = 0xF0;
    WriteGlyphIntoCell(f.font.get(), f.cell.data(), bitmap.data(), 4, 12, 12);
    for (size_t i = 64; i < f.cell.size(); i++) EXPECT_EQ(f.cell[i], 0xAA);
    EXPECT_EQ(f.At(7, 7), 1);
    EXPECT_EQ(f.At(0, 0), 0);
    EXPECT_EQ(f.At(1, 0), 2);

    CellFixture plain(0, 0, 8);
    plain.cell.resize(plain.cell.size() + 8, 0xAA);
    WriteGlyphIntoCell(plain.font.get(), plain.cell.data(), bitmap.data(), 4, 12, 12);
    for (size_t i = 8; i < plain.cell.size(); i++) EXPECT_EQ(plain.cell[i], 0xAA);
    EXPECT_EQ(plain.cell[0], 0xFF);
}

TEST_F(GlyphCacheTest, CellsAreHandedOutStrictlyInTurn) {
    FontHandle h = Gothic(10);
    FontRecord* font = LookupFont(h);
    ASSERT_TRUE(font);
    // Shrink the cache to 20 cells to see the wrap.
    font->cellCount = 20;
    ResetFontCache(h);
    const char* first = "ABCDEFGHIJKLMNOPQRST";
    unsigned char list[FONT_STRING_MAX * 3];
    EXPECT_EQ(PrepareStringGlyphs(h, first, 20, list, nullptr), 20);
    EXPECT_EQ(font->nextCell, 0);
    for (int i = 0; i < 20; i++) EXPECT_EQ(font->chars[(unsigned char)first[i]].cell, &font->cells[i]);
    // "A" was used most recently, yet the next character still takes cell 0.
    DrawStringWithFont(0, 0, "A", 0xFFFF, h, 0, 0);
    PrepareStringGlyphs(h, "U", 1, list, nullptr);
    EXPECT_EQ(font->chars['U'].cell, &font->cells[0]);
    EXPECT_FALSE(font->chars['A'].inUse);
    EXPECT_TRUE(font->chars['B'].inUse);
    EXPECT_EQ(font->nextCell, 1);
    // A character that lost its cell is simply fetched again.
    PrepareStringGlyphs(h, "A", 1, list, nullptr);
    EXPECT_EQ(font->chars['A'].cell, &font->cells[1]);
    EXPECT_FALSE(font->chars['B'].inUse);
}

TEST_F(GlyphCacheTest, SpacesTakeACellButHaveNoPixels) {
    FontHandle h = Gothic(20);
    FontRecord* font = LookupFont(h);
    unsigned char list[FONT_STRING_MAX * 3];
    EXPECT_EQ(PrepareStringGlyphs(h, " \x81\x40", 3, list, nullptr), 2);
    EXPECT_EQ(font->nextCell, 2);
    GlyphCell* half = font->chars[0x20].cell;
    GlyphCell* full = font->chars[0x81 | 0x40 << 8].cell;
    ASSERT_TRUE(half && full);
    EXPECT_EQ(half->width, 0);
    EXPECT_EQ(half->height, 0);
    EXPECT_GT(half->advance, 0);
    EXPECT_EQ(full->width, 0);
    EXPECT_GT(full->advance, half->advance);
}

TEST_F(GlyphCacheTest, EdgedCellsIncludeTwiceTheEdge) {
    FontHandle plain = Gothic(20, 0);
    FontHandle edged = Gothic(20, 1, 2);
    unsigned char list[FONT_STRING_MAX * 3];
    PrepareStringGlyphs(plain, "W", 1, list, nullptr);
    PrepareStringGlyphs(edged, "W", 1, list, nullptr);
    GlyphCell* a = LookupFont(plain)->chars['W'].cell;
    GlyphCell* b = LookupFont(edged)->chars['W'].cell;
    ASSERT_TRUE(a && b);
    EXPECT_EQ(b->advance, a->advance + 4);
    EXPECT_EQ(b->width, a->width + 4);
    EXPECT_EQ(b->height, a->height + 4);
}

} // namespace
