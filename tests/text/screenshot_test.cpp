// Draws the game's ranking title and a Japanese help line from Shift-JIS bytes
// in the four looks (plain, edged, anti-aliased, anti-aliased edged) and saves the screen as PNG
// for a person to look at (text_shots.png in the build folder).
#include "tests/text/text_fixture.h"

namespace {

using TextScreenshotTest = TextTest;

TEST_F(TextScreenshotTest, RankingTitleAndHelpLine) {
    DrawRectangle(0, 0, 320, 240, MakeColor(0, 0, 64), 1);
    // "フルスクリーンモードに切り替えます" in Shift-JIS.
    const char* help = SJ("フルスクリーンモードに切り替えます");
    ASSERT_EQ((unsigned char)help[0], 0x83);
    struct Look {
        int type, edge;
    } looks[] = {{0, -1}, {1, 1}, {2, -1}, {3, 1}};
    int y = 2;
    for (const Look& look : looks) {
        FontHandle small = CreateFontToHandle(SJ("ＭＳゴシック"), 10, 0, look.type, -1, look.edge, 0, -1, -1);
        FontHandle mid = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, look.type, -1, look.edge, 0, -1, -1);
        ASSERT_NE(small, -1);
        ASSERT_NE(mid, -1);
        EXPECT_EQ(DrawStringWithFont(8, y, "TOP 5 PLAYER", MakeColor(255, 255, 255), small, MakeColor(255, 0, 0), 0),
                  0);
        EXPECT_EQ(DrawStringWithFont(8, y + 13, help, MakeColor(255, 255, 0), small, MakeColor(255, 0, 0), 0), 0);
        EXPECT_EQ(DrawStringWithFont(8, y + 26, help, MakeColor(255, 255, 255), mid, MakeColor(0, 128, 255), 0), 0);
        y += 58;
        DeleteFontHandle(small);
        DeleteFontHandle(mid);
    }
    FontHandle vertical = CreateFontToHandle(SJ("ＭＳゴシック"), 20, 0, 3, -1, 1, 0, -1, -1);
    EXPECT_EQ(DrawStringWithFont(290, 4, SJ("縦書き"), MakeColor(255, 255, 255), vertical, MakeColor(255, 0, 0), 1), 0);
    EXPECT_GT(CountNonZero(8, 4, 300, 60), 200);
    EXPECT_EQ(SaveScreenToFile(BKT_BINARY_DIR "/text_shots.png"), 0);
}

} // namespace
