// Font heights: a size-N font's text height is N, its line height N plus the
// edges (made even), and every glyph of every face fontconfig offers fits both
// its square cache cell and its line.
#include <fontconfig/fontconfig.h>

#include <set>

#include "tests/text/text_fixture.h"

namespace {

using FontHeightTest = TextTest;

TEST_F(FontHeightTest, LineHeightIsTheSizeAskedForPlusTheEdges) {
    struct Case {
        int size, type, edge, lineHeight;
    };
    const Case cases[] = {
        {20, 0, -1, 20}, {10, 0, -1, 10}, {32, 0, -1, 32}, {13, 0, -1, 14},
        {16, 2, -1, 16}, {20, 1, 1, 22},  {20, 1, 3, 26},  {15, 3, 2, 20},
    };
    for (const Case& c : cases) {
        FontHandle f = Gothic(c.size, c.type, c.edge);
        ASSERT_NE(f, -1);
        EXPECT_EQ(GetFontLineHeight(f), c.lineHeight) << "size " << c.size << " type " << c.type;
        PlatformFontMetrics m;
        PlatformGetFontMetrics(LookupFont(f)->platformFont, &m);
        EXPECT_EQ(m.height, c.size);
        EXPECT_EQ(m.ascent + m.descent, c.size);
        DeleteFontHandle(f);
    }
    // A vertical string's glyphs stay inside the column the line height gives it.
    FontHandle f = Gothic(20);
    ASSERT_EQ(DrawStringWithFont(100, 50, "Wg", 0xFFFF, f, 0, 1), 0);
    EXPECT_GT(CountNonZero(100, 50, 120, 100), 40);
    EXPECT_EQ(CountNonZero(0, 0, 320, 240), CountNonZero(100, 50, 120, 100));
}

// Family names of every face installed.
std::set<std::string> InstalledFamilies() {
    std::set<std::string> names;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* fields = FcObjectSetBuild(FC_FAMILY, (char*)nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, fields);
    for (int i = 0; set && i < set->nfont; i++) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
            names.insert((const char*)family);
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(fields);
    FcPatternDestroy(pattern);
    return names;
}

// Drawn pixels against the rasteriser's own bitmap: a glyph cut by its cell or
// drawn outside its line would draw fewer pixels, or draw them out of place.
TEST_F(FontHeightTest, EveryAsciiGlyphOfEveryInstalledFaceFitsItsCellAndLine) {
    std::set<std::string> families = InstalledFamilies();
    ASSERT_FALSE(families.empty());
    const int x = 8, y = 8;
    for (const std::string& family : families) {
        for (int size : {10, 13, 16, 20, 32}) {
            FontHandle f = CreateFontToHandle(family.c_str(), size, 0, 0, -1, -1, 0, -1, -1);
            ASSERT_NE(f, -1) << family;
            FontRecord* rec = LookupFont(f);
            int line = GetFontLineHeight(f);
            EXPECT_EQ(line, (size + 1) / 2 * 2) << family << " " << size;
            int lost = 0, outside = 0;
            for (int ch = 33; ch < 127; ch++) {
                PlatformGlyphMetrics gm;
                int bytes = PlatformGetGlyph(rec->platformFont, (unsigned)ch, 0, &gm, nullptr, 0);
                ASSERT_GE(bytes, 0);
                std::vector<uint8_t> bits((size_t)bytes);
                if (bytes) PlatformGetGlyph(rec->platformFont, (unsigned)ch, 0, &gm, bits.data(), bytes);
                int pitch = (gm.blackBoxX + 31) / 32 * 4, ink = 0;
                for (int r = 0; r < gm.blackBoxY; r++)
                    for (int c = 0; c < gm.blackBoxX; c++)
                        ink += (bits[(size_t)(r * pitch + c / 8)] >> (7 - c % 8)) & 1;
                ClearDrawTarget();
                char text[2] = {(char)ch, 0};
                ASSERT_EQ(DrawStringWithFont(x, y, text, 0xFFFF, f, 0, 0), 0);
                int drawn = CountNonZero(0, 0, 320, 240);
                int inLine = CountNonZero(0, y, 320, y + line);
                lost += drawn != ink;
                outside += inLine != drawn;
            }
            EXPECT_EQ(lost, 0) << family << " at " << size << ": " << lost << " glyphs cut (cell " << rec->cellSize
                               << ")";
            EXPECT_EQ(outside, 0) << family << " at " << size << ": " << outside << " glyphs outside the line of "
                                  << line;
            DeleteFontHandle(f);
        }
    }
}

} // namespace
