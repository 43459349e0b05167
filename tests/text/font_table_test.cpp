// The font table: 40 slots handed out first-free, the creation defaults and
// fall-backs, deletion, rebuilding under the old handle, and the queries.
#include <algorithm>

#include "tests/text/text_fixture.h"

namespace {

using FontTableTest = TextTest;

TEST_F(FontTableTest, FortyFontsThenTheLimit) {
    std::vector<FontHandle> fonts;
    for (int i = 0; i < 40; i++) {
        FontHandle f = Gothic(10);
        ASSERT_NE(f, -1) << i;
        EXPECT_EQ(f & 0xFFFF, i);
        EXPECT_EQ(f & 0x78000000, 0x20000000);
        fonts.push_back(f);
    }
    FontHandle over = 0;
    std::string log = CaptureLog([&] { over = Gothic(10); });
    EXPECT_EQ(over, -1);
    EXPECT_NE(log.find(SJ("作成できるフォントハンドル数 40 の限界を超えました")), std::string::npos) << log;
    // Deleting one frees its slot for the next creation, which gets new check bits.
    ASSERT_EQ(DeleteFontHandle(fonts[1]), 0);
    FontHandle again = Gothic(10);
    EXPECT_EQ(again & 0xFFFF, 1);
    EXPECT_NE(again, fonts[1]);
    EXPECT_EQ(GetFontLineHeight(fonts[1]), -1);
    EXPECT_NE(GetFontLineHeight(again), -1);
}

TEST_F(FontTableTest, InvalidHandlesAreRefused) {
    FontHandle f = Gothic(10);
    EXPECT_EQ(DeleteFontHandle(f), 0);
    EXPECT_EQ(DeleteFontHandle(f), -1);
    EXPECT_EQ(DeleteFontHandle(-1), -1);
    EXPECT_EQ(DeleteFontHandle(0x08000000), -1); // a graph handle
    EXPECT_EQ(ResetFontCache(f), -1);
    EXPECT_EQ(SetFontExtraAdvance(1, f), -1);
    EXPECT_EQ(GetFontLineHeight(f), -1);
    EXPECT_EQ(GetFontInfo(f, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(RegisterFontLostFlag(f, nullptr), -1);
    EXPECT_EQ(DrawStringWithFont(0, 0, "A", 0xFFFF, f, 0, 0), -1);
    EXPECT_EQ(MeasureStringWithFont("A", -1, f, 0), -1);
}

TEST_F(FontTableTest, Defaults) {
    FontHandle f = CreateFontToHandle(nullptr, -1, -1, -1, -1, -1, 0, -1, -1);
    ASSERT_NE(f, -1);
    char face[256] = "x";
    int size = 0, thickness = 0;
    ASSERT_EQ(GetFontInfo(f, face, &size, &thickness), 0);
    EXPECT_STREQ(face, "");
    EXPECT_EQ(size, 16);
    EXPECT_EQ(thickness, 6);
    FontRecord* rec = LookupFont(f);
    EXPECT_EQ(rec->fontType, 0);
    EXPECT_EQ(rec->edgeSize, 1);
    EXPECT_EQ(rec->charSetIndex, 1);
    EXPECT_EQ(rec->spacing, 0);
    EXPECT_EQ(rec->cacheBitsPerPixel, 1);
    EXPECT_EQ(rec->lineHeight % 2, 0);
    EXPECT_EQ(rec->cellSize % 8, 0);
    EXPECT_NE(rec->workImage, -1);
}

TEST_F(FontTableTest, EdgeSizeTurnsTheOutlineOn) {
    FontRecord* a = LookupFont(CreateFontToHandle(nullptr, 16, 0, -1, -1, 2, 0, -1, -1));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->fontType, 1);
    EXPECT_EQ(a->edgeSize, 2);
    FontRecord* b = LookupFont(CreateFontToHandle(nullptr, 16, 0, 1, -1, -1, 0, -1, -1));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->fontType, 1);
    EXPECT_EQ(b->edgeSize, 1);
    FontRecord* c = LookupFont(CreateFontToHandle(nullptr, 16, 0, 2, -1, 3, 0, -1, -1));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->fontType, 3);
    EXPECT_EQ(c->cacheBitsPerPixel, 8);
}

TEST_F(FontTableTest, LineHeightAndCellSizeIncludeTheEdges) {
    FontRecord* plain = LookupFont(Gothic(20, 0));
    FontRecord* edged = LookupFont(Gothic(20, 1, 3));
    ASSERT_TRUE(plain && edged);
    PlatformFontMetrics m;
    PlatformGetFontMetrics(plain->platformFont, &m);
    EXPECT_EQ(plain->lineHeight, (m.height + 1) / 2 * 2);
    EXPECT_EQ(edged->lineHeight, (m.height + 6 + 1) / 2 * 2);
    // The square cell is as wide as the widest character and as tall as the text.
    int extent = std::max(m.maxWidth, m.height);
    EXPECT_EQ(plain->cellSize, (extent + 7) / 8 * 8);
    EXPECT_EQ(edged->cellSize, (extent + 6 + 7) / 8 * 8);
    EXPECT_EQ(plain->cellCount, FontCellCount(plain->cellSize));
}

TEST_F(FontTableTest, CellCounts) {
    EXPECT_EQ(FontCellCount(24), 568);
    EXPECT_EQ(FontCellCount(64), 80);
    EXPECT_EQ(FontCellCount(160), 20);
    EXPECT_EQ(FontCellCount(8), 2024);
    EXPECT_EQ(FontCellCount(1024), 20);
}

TEST_F(FontTableTest, SpacingAndCacheReset) {
    FontHandle f = Gothic(10);
    EXPECT_EQ(SetFontExtraAdvance(3, f), 0);
    EXPECT_EQ(LookupFont(f)->spacing, 3);
    EXPECT_EQ(DrawStringWithFont(0, 0, "AB", 0xFFFF, f, 0, 0), 0);
    FontRecord* rec = LookupFont(f);
    EXPECT_TRUE(rec->chars['A'].inUse);
    EXPECT_EQ(rec->nextCell, 2);
    EXPECT_EQ(ResetFontCache(f), 0);
    EXPECT_FALSE(rec->chars['A'].inUse);
    EXPECT_EQ(rec->nextCell, 0);
    EXPECT_EQ(rec->cells[rec->cellCount].cellIndex, -1);
    EXPECT_EQ(rec->cells[5].cellIndex, 5);
}

TEST_F(FontTableTest, LostFlagIsSetOnDeletion) {
    FontHandle f = Gothic(10);
    int lost = 7;
    EXPECT_EQ(RegisterFontLostFlag(f, &lost), 0);
    EXPECT_EQ(lost, 0);
    DeleteFontHandle(f);
    EXPECT_EQ(lost, 1);
}

TEST_F(FontTableTest, RecreateKeepsHandlesAndEmptiesCaches) {
    FontHandle a = Gothic(10);
    FontHandle b = Gothic(20, 0, 2);
    FontHandle c = Gothic(32, 2);
    DeleteFontHandle(a);
    int lost = 0;
    RegisterFontLostFlag(b, &lost);
    DrawStringWithFont(0, 0, "AB", 0xFFFF, b, 0, 0);
    RecreateAllFonts();
    EXPECT_EQ(lost, 1);
    ASSERT_NE(LookupFont(b), nullptr);
    ASSERT_NE(LookupFont(c), nullptr);
    EXPECT_EQ(LookupFont(a), nullptr);
    EXPECT_EQ(LookupFont(b)->fontType, 1);
    EXPECT_EQ(LookupFont(b)->edgeSize, 2);
    EXPECT_EQ(LookupFont(c)->fontType, 2);
    EXPECT_EQ(LookupFont(b)->nextCell, 0);
    EXPECT_FALSE(LookupFont(b)->chars['A'].inUse);
    EXPECT_EQ(LookupFont(b)->lostFlag, nullptr);
}

TEST_F(FontTableTest, InitFontSystemMakesTheDefaultFont) {
    Gothic(10);
    Gothic(20);
    EXPECT_EQ(InitFontSystem(), 0);
    EXPECT_EQ(g_fontSystem.table.usedCount, 1);
    FontRecord* def = LookupFont(g_fontSystem.defaultFont);
    ASSERT_TRUE(def);
    EXPECT_EQ(def->size, 16);
    EXPECT_EQ(def->thickness, 6);
}

TEST_F(FontTableTest, LeadBytes) {
    const unsigned char bytes[] = {0x41, 0x80, 0x81, 0x9F, 0xA0, 0xDF, 0xE0, 0xFC, 0xFD, 0xFF};
    const int sjis[] = {0, 0, 1, 1, 0, 0, 1, 1, 0, 0};
    const int hangeul[] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    for (size_t i = 0; i < sizeof bytes; i++) {
        EXPECT_EQ(IsLeadByte(&bytes[i], 1), sjis[i]) << (int)bytes[i];
        EXPECT_EQ(IsLeadByte(&bytes[i], 0), sjis[i]) << (int)bytes[i];
        EXPECT_EQ(IsLeadByte(&bytes[i], 2), hangeul[i]) << (int)bytes[i];
    }
}

TEST_F(FontTableTest, GivenSlotRebuildsUnderThatHandle) {
    FontHandle f = Gothic(10);
    int slot = f & 0xFFFF, check = (f >> 16) & 0x7FF;
    // A used slot is refused.
    EXPECT_EQ(CreateFontToHandle(nullptr, 10, 0, 0, -1, -1, 0, slot, check), -1);
    DeleteFontHandle(f);
    EXPECT_EQ(CreateFontToHandle(nullptr, 10, 0, 0, -1, -1, 0, slot, check), f);
    EXPECT_EQ(CreateFontToHandle(nullptr, 10, 0, 0, -1, -1, 0, 40, 0), -1);
}

} // namespace
