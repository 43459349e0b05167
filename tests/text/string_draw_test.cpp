// String drawing: advances and spacing, spaces and double-byte characters,
// exact clipping, draw bright, the key colour, the two routes, vertical
// strings, long strings in pieces and the anti-aliased edged pixel rule.
#include "tests/text/text_fixture.h"

#include <limits.h>

#include <set>
#include <utility>

namespace {

using StringDrawTest = TextTest;

// Caches the characters of text and makes every one of them advance by advance.
void ForceAdvance(FontHandle h, const char* text, int advance) {
    unsigned char list[FONT_STRING_MAX * 3];
    int n = PrepareStringGlyphs(h, text, (int)strlen(text), list, nullptr);
    FontRecord* font = LookupFont(h);
    for (int i = 0; i < n; i++) font->chars[list[i * 3] | list[i * 3 + 1] << 8].cell->advance = (int16_t)advance;
}

std::set<std::pair<int, int>> SetPixels(const std::vector<uint16_t>& img) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (img[(size_t)y * 320 + x]) out.insert({x, y});
    return out;
}

TEST_F(StringDrawTest, SpacingExample) {
    FontHandle h = Gothic(20);
    ForceAdvance(h, "ABC ", 10);
    SetFontExtraAdvance(2, h);
    EXPECT_EQ(MeasureStringWithFont("ABC", -1, h, 0), 36);
    // The second character's pen is at 5 + 10 + 2 = 17.
    DrawStringWithFont(5, 10, " B", 0xFFFF, h, 0, 0);
    std::vector<uint16_t> viaString = Snapshot();
    ClearDrawTarget();
    DrawStringWithFont(17, 10, "B", 0xFFFF, h, 0, 0);
    EXPECT_EQ(Snapshot(), viaString);
    EXPECT_GT(CountNonZero(0, 0, 320, 240), 0);
}

TEST_F(StringDrawTest, SpacesAdvanceWithoutPixels) {
    FontHandle h = Gothic(20);
    int a = MeasureStringWithFont("A", -1, h, 0);
    int space = MeasureStringWithFont(" ", -1, h, 0);
    EXPECT_GT(space, 0);
    EXPECT_EQ(MeasureStringWithFont("A A", -1, h, 0), 2 * a + space);
    DrawStringWithFont(0, 0, "A A", 0xFFFF, h, 0, 0);
    std::vector<uint16_t> both = Snapshot();
    ClearDrawTarget();
    DrawStringWithFont(0, 0, "A", 0xFFFF, h, 0, 0);
    DrawStringWithFont(a + space, 0, "A", 0xFFFF, h, 0, 0);
    EXPECT_EQ(Snapshot(), both);

    // Full-width letters around a full-width space.
    const char* wide = "\x82\xA0\x81\x40\x82\xA0";
    int kana = MeasureStringWithFont("\x82\xA0", -1, h, 0);
    int wideSpace = MeasureStringWithFont("\x81\x40", -1, h, 0);
    ClearDrawTarget();
    DrawStringWithFont(0, 50, wide, 0xFFFF, h, 0, 0);
    both = Snapshot();
    ClearDrawTarget();
    DrawStringWithFont(0, 50, "\x82\xA0", 0xFFFF, h, 0, 0);
    DrawStringWithFont(kana + wideSpace, 50, "\x82\xA0", 0xFFFF, h, 0, 0);
    EXPECT_EQ(Snapshot(), both);
}

TEST_F(StringDrawTest, DoubleByteCharacters) {
    FontHandle h = Gothic(20);
    unsigned char list[FONT_STRING_MAX * 3];
    int used = 0;
    EXPECT_EQ(PrepareStringGlyphs(h, "\x82\xA0\x41", 3, list, &used), 2);
    EXPECT_EQ(used, 3);
    EXPECT_EQ(list[0], 0x82);
    EXPECT_EQ(list[1], 0xA0);
    EXPECT_EQ(list[3], 0x41);
    EXPECT_EQ(list[4], 0);
    int kana = MeasureStringWithFont("\x82\xA0", -1, h, 0);
    EXPECT_EQ(MeasureStringWithFont("\x82\xA0\x41", 1, h, 0), kana);
    EXPECT_EQ(MeasureStringWithFont("\x82\xA0\x41", 2, h, 0), kana);
    EXPECT_GT(MeasureStringWithFont("\x82\xA0\x41", 3, h, 0), kana);
}

TEST_F(StringDrawTest, MalformedShiftJisNeverReadsPastTheString) {
    FontHandle h = Gothic(20);
    unsigned char list[FONT_STRING_MAX * 3];
    // A lead byte right before the terminator stands alone.
    char text[3] = {'A', (char)0x82, 0};
    EXPECT_EQ(PrepareStringGlyphs(h, text, 2, list, nullptr), 2);
    EXPECT_EQ(list[3], 0x82);
    EXPECT_EQ(list[4], 0);
    EXPECT_EQ(DrawStringWithFont(0, 0, text, 0xFFFF, h, 0, 0), 0);
    // Unmapped codes draw what they can.
    EXPECT_EQ(DrawStringWithFont(0, 30, "\x85\x40\xFC\xFC\xA0", 0xFFFF, h, 0, 0), 0);
    EXPECT_GT(MeasureStringWithFont("\x85\x40\xFC\xFC", -1, h, 0), 0);
}

TEST_F(StringDrawTest, EmptyStringReturnsZeroAndLogsNothing) {
    FontHandle h = Gothic(20);
    int result = -2;
    std::string log = CaptureLog([&] { result = DrawStringWithFont(0, 0, "", 0xFFFF, h, 0, 0); });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(log.empty()) << log;
    EXPECT_EQ(DrawStringWithFont(0, 0, nullptr, 0xFFFF, h, 0, 0), 0);
    EXPECT_EQ(MeasureStringWithFont("", -1, h, 0), 0);
    EXPECT_EQ(CountNonZero(0, 0, 320, 240), 0);
}

TEST_F(StringDrawTest, InvalidHandleLogsAndFails) {
    int result = 0;
    std::string log = CaptureLog([&] { result = DrawStringWithFont(0, 0, "A", 0xFFFF, 0x20000005, 0, 0); });
    EXPECT_EQ(result, -1);
    EXPECT_NE(log.find(SJ("フォントハンドル値が異常です")), std::string::npos);
}

TEST_F(StringDrawTest, HalfOutsideTheDrawAreaIsCutExactly) {
    for (int type : {0, 1, 2, 3}) {
        FontHandle h = Gothic(20, type, type & 1 ? 1 : -1);
        const char* text = "WMWMWM";
        int width = MeasureStringWithFont(text, -1, h, 0);
        int x = 160 - width / 2, y = 100;
        ClearDrawTarget();
        DrawStringWithFont(x, y, text, 0xFFFF, h, 0xF800, 0);
        std::vector<uint16_t> whole = Snapshot();
        ClearDrawTarget();
        SetClipArea(0, 0, 160, 110);
        DrawStringWithFont(x, y, text, 0xFFFF, h, 0xF800, 0);
        std::vector<uint16_t> cut = Snapshot();
        SetClipArea(0, 0, 320, 240);
        int inside = 0;
        for (int py = 0; py < 240; py++)
            for (int px = 0; px < 320; px++) {
                size_t i = (size_t)py * 320 + px;
                if (px < 160 && py < 110) {
                    EXPECT_EQ(cut[i], whole[i]) << type << " " << px << "," << py;
                    inside += whole[i] != 0;
                } else {
                    EXPECT_EQ(cut[i], 0) << type << " " << px << "," << py;
                }
            }
        EXPECT_GT(inside, 0);
        DeleteFontHandle(h);
    }
}

TEST_F(StringDrawTest, FarOutsideWritesNothing) {
    FontHandle h = Gothic(32, 1, 3);
    for (int x : {-100000, -200, 320, 100000})
        for (int y : {-100000, -40, 240, 100000}) {
            EXPECT_EQ(DrawStringWithFont(x, y, "ABC", 0xFFFF, h, 0xF800, 0), 0);
            EXPECT_EQ(DrawStringWithFont(x, y, "ABC", 0xFFFF, h, 0xF800, 1), 0);
        }
    // Positions at the ends of the int range neither overflow nor draw.
    const int extremes[] = {INT_MIN, INT_MIN + 1, -1000000000, 1000000000, INT_MAX - 5, INT_MAX};
    for (int x : extremes)
        for (int y : extremes)
            for (int mode : {0, 1}) {
                SetBlendMode(mode, 128);
                EXPECT_EQ(DrawStringWithFont(x, y, "ABC", 0xFFFF, h, 0xF800, 0), 0);
                EXPECT_EQ(DrawStringWithFont(x, y, "ABC", 0xFFFF, h, 0xF800, 1), 0);
            }
    SetBlendMode(BLEND_NONE, 0);
    EXPECT_EQ(CountNonZero(0, 0, 320, 240), 0);
}

TEST_F(StringDrawTest, DrawBrightScalesTheTextColour) {
    FontHandle h = Gothic(20);
    SetBrightRGB(128, 128, 128);
    DrawStringWithFont(10, 10, "HELLO", MakeColor(255, 255, 255), h, 0, 0);
    SetBrightRGB(255, 255, 255);
    int n = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (Pixel(x, y)) {
                EXPECT_EQ(Pixel(x, y), MakeColor(128, 128, 128));
                n++;
            }
    EXPECT_GT(n, 0);
}

TEST_F(StringDrawTest, KeyColourMovesAwayFromTheTextColour) {
    SetTransparentColor(255, 255, 255);
    FontHandle h = Gothic(20);
    SetTransparentColor(0, 0, 0);
    SetBlendMode(BLEND_ALPHA, 128);
    DrawStringWithFont(10, 10, "HELLO", MakeColor(255, 255, 255), h, 0, 0);
    SetBlendMode(BLEND_NONE, 0);
    MEMIMG* work = GetGraphSurfaceImage(LookupFont(h)->workImage);
    ASSERT_TRUE(work);
    EXPECT_NE(work->TransColor, MakeColor(255, 255, 255));
    // White at half over black.
    int n = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (Pixel(x, y)) {
                EXPECT_EQ(Pixel(x, y), 0x7BEF);
                n++;
            }
    EXPECT_GT(n, 0);
}

TEST_F(StringDrawTest, BlendModeOneAt255DrawsDirectly) {
    FontHandle h = Gothic(20, 1, 1);
    // Paint a background the text partly covers.
    DrawRectangle(0, 0, 320, 240, MakeColor(0, 0, 255), 1);
    DrawStringWithFont(10, 10, "HELLO", MakeColor(255, 255, 0), h, MakeColor(255, 0, 0), 0);
    std::vector<uint16_t> direct = Snapshot();
    DrawRectangle(0, 0, 320, 240, MakeColor(0, 0, 255), 1);
    SetBlendMode(BLEND_ALPHA, 255);
    DrawStringWithFont(10, 10, "HELLO", MakeColor(255, 255, 0), h, MakeColor(255, 0, 0), 0);
    EXPECT_EQ(Snapshot(), direct);
    // At 128 it goes through the work image and mixes with the background.
    DrawRectangle(0, 0, 320, 240, MakeColor(0, 0, 255), 1);
    SetBlendMode(BLEND_ALPHA, 128);
    DrawStringWithFont(10, 10, "HELLO", MakeColor(255, 255, 0), h, MakeColor(255, 0, 0), 0);
    SetBlendMode(BLEND_NONE, 0);
    std::vector<uint16_t> half = Snapshot();
    int mixed = 0;
    uint16_t blue = (uint16_t)MakeColor(0, 0, 255);
    uint16_t text = (uint16_t)MakeColor(255, 255, 0);
    uint16_t mixText = (uint16_t)(((text >> 1) & 0x7BEF) + ((blue >> 1) & 0x7BEF));
    for (size_t i = 0; i < half.size(); i++) {
        if (direct[i] == text) {
            EXPECT_EQ(half[i], mixText);
            mixed++;
        } else if (direct[i] == blue) {
            EXPECT_EQ(half[i], blue);
        }
    }
    EXPECT_GT(mixed, 0);
}

TEST_F(StringDrawTest, BlendedStringStartingOutsideKeepsItsVisiblePart) {
    FontHandle h = Gothic(20, 1, 1);
    const char* text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    struct Case {
        int x, y, vertical;
    } cases[] = {{-150, 50, 0}, {-150, -8, 0}, {100, -200, 1}};
    for (const Case& c : cases) {
        ClearDrawTarget();
        DrawStringWithFont(c.x, c.y, text, 0xFFFF, h, 0xF800, c.vertical);
        std::vector<uint16_t> direct = Snapshot();
        ClearDrawTarget();
        SetBlendMode(BLEND_ALPHA, 128);
        DrawStringWithFont(c.x, c.y, text, 0xFFFF, h, 0xF800, c.vertical);
        SetBlendMode(BLEND_NONE, 0);
        std::vector<uint16_t> half = Snapshot();
        int shown = 0;
        for (size_t i = 0; i < half.size(); i++) {
            EXPECT_EQ(half[i], (direct[i] >> 1) & 0x7BEF) << c.x << " " << i;
            shown += direct[i] != 0;
        }
        EXPECT_GT(shown, 50);
    }
}

TEST_F(StringDrawTest, EdgedFontWritesTextAndEdgeColours) {
    FontHandle h = Gothic(20, 1, 1);
    uint16_t text = (uint16_t)MakeColor(255, 255, 255), edge = (uint16_t)MakeColor(255, 0, 0);
    DrawStringWithFont(10, 10, "HELLO", text, h, edge, 0);
    int t = 0, e = 0, other = 0;
    for (uint16_t p : Snapshot()) {
        if (p == text) t++;
        else if (p == edge) e++;
        else if (p) other++;
    }
    EXPECT_GT(t, 0);
    EXPECT_GT(e, t / 2);
    EXPECT_EQ(other, 0);
}

TEST_F(StringDrawTest, AntiAliasedFontsGoThroughTheWorkImage) {
    FontHandle h = Gothic(20, 2);
    uint16_t white = (uint16_t)MakeColor(255, 255, 255);
    DrawStringWithFont(10, 10, "HELLO", white, h, 0, 0);
    int full = 0, partial = 0;
    for (uint16_t p : Snapshot()) {
        if (p == white) full++;
        else if (p) partial++;
    }
    // Coverage never reaches 255 for a plain anti-aliased font, so every pixel
    // is mixed with the black below.
    EXPECT_EQ(full, 0);
    EXPECT_GT(partial, 20);
}

TEST_F(StringDrawTest, VerticalStringsTurnAQuarterClockwise) {
    FontHandle h = Gothic(20, 1, 1);
    FontRecord* font = LookupFont(h);
    DrawStringWithFont(40, 30, "F", 0xFFFF, h, 0xF800, 0);
    std::vector<uint16_t> across = Snapshot();
    ClearDrawTarget();
    DrawStringWithFont(150, 60, "F", 0xFFFF, h, 0xF800, 1);
    std::vector<uint16_t> down = Snapshot();
    GlyphCell* cell = font->chars['F'].cell;
    ASSERT_TRUE(cell);
    int n = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            uint16_t p = across[(size_t)y * 320 + x];
            if (!p) continue;
            int c = x - (40 + cell->originX), r = y - (30 + cell->top);
            int vx = 150 + font->lineHeight - cell->top - cell->height + cell->height - 1 - r;
            int vy = 60 + cell->originX + c;
            ASSERT_TRUE(vx >= 0 && vx < 320 && vy >= 0 && vy < 240);
            EXPECT_EQ(down[(size_t)vy * 320 + vx], p);
            n++;
        }
    EXPECT_GT(n, 0);
    EXPECT_EQ(SetPixels(down).size(), SetPixels(across).size());
    EXPECT_EQ(MeasureStringWithFont("FF", -1, h, 1), MeasureStringWithFont("FF", -1, h, 0));
}

TEST_F(StringDrawTest, VerticalClippingIsExact) {
    FontHandle h = Gothic(20);
    DrawStringWithFont(100, 100, "WWWW", 0xFFFF, h, 0, 1);
    std::vector<uint16_t> whole = Snapshot();
    ClearDrawTarget();
    SetClipArea(105, 0, 320, 130);
    DrawStringWithFont(100, 100, "WWWW", 0xFFFF, h, 0, 1);
    SetClipArea(0, 0, 320, 240);
    std::vector<uint16_t> cut = Snapshot();
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            size_t i = (size_t)y * 320 + x;
            EXPECT_EQ(cut[i], (x >= 105 && y < 130) ? whole[i] : 0) << x << "," << y;
        }
}

TEST_F(StringDrawTest, TwentyFiveCharactersThroughTwentyCells) {
    const char* text = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    FontHandle large = Gothic(10);
    FontHandle small = Gothic(10);
    FontRecord* s = LookupFont(small);
    s->cellCount = 20;
    ResetFontCache(small);
    DrawStringWithFont(0, 0, text, 0xFFFF, large, 0, 0);
    std::vector<uint16_t> reference = Snapshot();
    for (int round = 0; round < 3; round++) {
        ClearDrawTarget();
        DrawStringWithFont(0, 0, text, 0xFFFF, small, 0, 0);
        EXPECT_EQ(Snapshot(), reference) << round;
    }
    EXPECT_GT(CountNonZero(0, 0, 320, 240), 50);
}

TEST_F(StringDrawTest, LongStringsAreDrawnInPieces) {
    FontHandle h = Gothic(10);
    int adv = MeasureStringWithFont("I", -1, h, 0);
    ASSERT_GT(adv, 0);
    std::string longText(700, 'I');
    longText += "XYZ";
    EXPECT_EQ(MeasureStringWithFont(longText.c_str(), -1, h, 0), MeasureStringWithFont("XYZ", -1, h, 0) + 700 * adv);
    // The tail beyond the first 512 characters lands on screen.
    int x = 100 - 700 * adv;
    DrawStringWithFont(x, 50, longText.c_str(), 0xFFFF, h, 0, 0);
    std::vector<uint16_t> drawn = Snapshot();
    ClearDrawTarget();
    std::string tail(100 / adv + 1, 'I');
    DrawStringWithFont(100 - (int)tail.size() * adv, 50, (tail + "XYZ").c_str(), 0xFFFF, h, 0, 0);
    EXPECT_EQ(drawn, Snapshot());
    EXPECT_GT(CountNonZero(100, 0, 320, 240), 0);
}

TEST_F(StringDrawTest, AntiAliasedEdgedPixelRule) {
    const uint32_t text = 0xFFFF, edge = 0xF800;
    uint32_t pixel = 0;
    int alpha = 0;
    ComputeGlyphPixel(3, 0x0F, text, edge, Rgb565, 1, &pixel, &alpha);
    EXPECT_EQ(alpha, 255);
    EXPECT_EQ(pixel, 0xFFFFu | 255u << 16);
    ComputeGlyphPixel(3, 0xF0, text, edge, Rgb565, 1, &pixel, &alpha);
    EXPECT_EQ(alpha, 240);
    EXPECT_EQ(pixel, 0xF800u | 240u << 16);
    ComputeGlyphPixel(3, 0x00, text, edge, Rgb565, 1, &pixel, &alpha);
    EXPECT_EQ(alpha, 0);
    // b = 7, e = 15: A = 112 + 15 * 8 = 232, weight = 4096 * 7 / 232 = 123.
    ComputeGlyphPixel(3, 0xF7, text, edge, Rgb565, 1, &pixel, &alpha);
    EXPECT_EQ(alpha, 232);
    uint32_t r = 31, g = 0 + ((63 - 0) * 123 >> 8), b = 0 + ((31 - 0) * 123 >> 8);
    EXPECT_EQ(pixel, (r << 11 | g << 5 | b) | 232u << 16);
    // Text darker than the edge: differences are negative and round down.
    ComputeGlyphPixel(3, 0x31, 0x0000, 0xFFFF, Rgb565, 1, &pixel, &alpha);
    EXPECT_EQ(alpha, 16 + 3 * 14);
    int w = 4096 * 1 / 58;
    uint32_t rr = 31 + ((0 - 31) * w >> 8), gg = 63 + ((0 - 63) * w >> 8);
    EXPECT_EQ(pixel & 0xFFFF, rr << 11 | gg << 5 | rr);
    // 32-bit: alpha in the top byte, fields of 8 bits.
    ComputeGlyphPixel(3, 0xF7, 0xFFFFFF, 0xFF0000, Xrgb8888, 1, &pixel, &alpha);
    EXPECT_EQ(pixel >> 24, 232u);
    EXPECT_EQ((pixel >> 16) & 0xFF, 255u);
    EXPECT_EQ((pixel >> 8) & 0xFF, (uint32_t)(255 * 123 >> 8));
    // Plain anti-aliased: alpha v * 16, never above 240.
    ComputeGlyphPixel(2, 15, text, 0, Rgb565, 1, &pixel, &alpha);
    EXPECT_EQ(alpha, 240);
    EXPECT_EQ(pixel, 0xFFFFu | 240u << 16);
    // Plain and edged on a 32-bit image without alpha: top byte cleared.
    ComputeGlyphPixel(0, 1, 0xFF123456, 0, Xrgb8888, 0, &pixel, &alpha);
    EXPECT_EQ(pixel, 0x123456u);
    ComputeGlyphPixel(1, 2, 0, 0xFFABCDEF, Xrgb8888, 0, &pixel, &alpha);
    EXPECT_EQ(pixel, 0xABCDEFu);
}

} // namespace
