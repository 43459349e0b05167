// UTF-8 text beside Shift-JIS: the same Japanese text gives the same pixels in
// both encodings, mixed scripts draw (characters outside Shift-JIS too, through
// a fall-back face rather than as a box), and bad or cut-off sequences become
// one replacement character each without a read past the string.
#include "runtime/platform/scripted/scripted.h"
#include "tests/text/text_fixture.h"

#include <sys/mman.h>

namespace {

class Utf8TextTest : public TextTest {
protected:
    void TearDown() override {
        SetTextEncoding(TEXT_ENCODING_SHIFT_JIS);
        TextTest::TearDown();
    }
    // Characters of text in the current encoding, as cache keys (first | second << 8).
    static std::vector<int> Keys(FontHandle h, const char* text, int length = -1) {
        unsigned char list[FONT_STRING_MAX * 3];
        if (length < 0) length = (int)strlen(text);
        int n = PrepareStringGlyphs(h, text, length, list, nullptr);
        std::vector<int> keys;
        for (int i = 0; i < n; i++) keys.push_back(list[i * 3] | list[i * 3 + 1] << 8);
        return keys;
    }
    // The pixels of one string drawn alone at (4, 4).
    static std::vector<uint16_t> Drawn(const char* text, FontHandle h, int vertical = 0) {
        ClearDrawTarget();
        DrawStringWithFont(4, 4, text, 0xFFFF, h, 0x001F, vertical);
        return Snapshot();
    }
};

TEST_F(Utf8TextTest, EncodingIsASettingWithTwoValues) {
    EXPECT_EQ(GetTextEncoding(), TEXT_ENCODING_SHIFT_JIS);
    EXPECT_EQ(SetTextEncoding(TEXT_ENCODING_UTF8), 0);
    EXPECT_EQ(GetTextEncoding(), TEXT_ENCODING_UTF8);
    EXPECT_EQ(SetTextEncoding(2), -1);
    EXPECT_EQ(SetTextEncoding(-1), -1);
    EXPECT_EQ(GetTextEncoding(), TEXT_ENCODING_UTF8);
}

// Every font type, across and down, and clipped by the draw area: rasterised
// afresh in each encoding, the pictures and the measures are the same.
TEST_F(Utf8TextTest, SameJapaneseTextGivesIdenticalPixelsInBothEncodings) {
    const char* utf8 = "ゲーム開始！ Ａ漢字かな、カナ ｶﾅ 123";
    const char* sjis = SJ("ゲーム開始！ Ａ漢字かな、カナ ｶﾅ 123");
    for (int type : {FONT_TYPE_PLAIN, FONT_TYPE_EDGE, FONT_TYPE_ANTIALIAS, FONT_TYPE_ANTIALIAS_EDGE}) {
        for (int vertical : {0, 1}) {
            for (int clipped : {0, 1}) {
                SCOPED_TRACE(testing::Message()
                             << "type " << type << " vertical " << vertical << " clipped " << clipped);
                SetTextEncoding(TEXT_ENCODING_SHIFT_JIS);
                FontHandle h = Gothic(16, type);
                ASSERT_NE(h, -1);
                SetDrawArea(0, 0, clipped ? 150 : 320, clipped ? 13 : 240);
                std::vector<uint16_t> fromSjis = Drawn(sjis, h, vertical);
                int sjisWidth = MeasureStringWithFont(sjis, -1, h, vertical);
                ResetFontCache(h);
                SetTextEncoding(TEXT_ENCODING_UTF8);
                std::vector<uint16_t> fromUtf8 = Drawn(utf8, h, vertical);
                EXPECT_EQ(MeasureStringWithFont(utf8, -1, h, vertical), sjisWidth);
                EXPECT_GT(CountNonZero(0, 0, 320, 240), clipped ? 20 : 100);
                EXPECT_TRUE(fromUtf8 == fromSjis);
                SetDrawArea(0, 0, 320, 240);
                DeleteFontHandle(h);
            }
        }
    }
}

TEST_F(Utf8TextTest, MixedLatinKanaKanjiAndCharactersShiftJisLacks) {
    FontHandle h = Gothic(20);
    ASSERT_NE(h, -1);
    SetTextEncoding(TEXT_ENCODING_UTF8);
    // Accented Latin and Hangul are outside Shift-JIS; both still draw.
    const char* parts[] = {"Caf", "é", " かな", "漢字", "한국어", "!"};
    std::string whole;
    int sum = 0;
    for (const char* part : parts) {
        whole += part;
        int width = MeasureStringWithFont(part, -1, h, 0);
        EXPECT_GT(width, 0) << part;
        sum += width;
        ClearDrawTarget();
        DrawStringWithFont(0, 0, part, 0xFFFF, h, 0, 0);
        EXPECT_GT(CountNonZero(0, 0, 320, 40), 10) << part;
    }
    EXPECT_EQ(MeasureStringWithFont(whole.c_str(), -1, h, 0), sum);
    EXPECT_EQ(Keys(h, whole.c_str()).size(), 13u);
    // The line is the pieces side by side.
    std::vector<uint16_t> line = Drawn(whole.c_str(), h);
    ClearDrawTarget();
    int pen = 4;
    for (const char* part : parts) {
        DrawStringWithFont(pen, 4, part, 0xFFFF, h, 0x001F, 0);
        pen += MeasureStringWithFont(part, -1, h, 0);
    }
    EXPECT_TRUE(Snapshot() == line);
    // Neither is the box of a character no face has (U+0378 is unassigned).
    std::vector<uint16_t> box = Drawn("\u0378", h);
    EXPECT_FALSE(Drawn("한", h) == box);
    EXPECT_FALSE(Drawn("é", h) == box);
    // Characters Shift-JIS has keep its keys; the others get keys no Shift-JIS
    // string can make.
    EXPECT_EQ(Keys(h, "か"), std::vector<int>{0xA982});
    int hangul = Keys(h, "한")[0];
    EXPECT_LT(hangul & 0xFF, 0x80);
    EXPECT_NE(hangul >> 8, 0);
}

TEST_F(Utf8TextTest, BadAndCutSequencesGiveOneReplacementEach) {
    FontHandle h = Gothic(20);
    ASSERT_NE(h, -1);
    SetTextEncoding(TEXT_ENCODING_UTF8);
    const int bad = Keys(h, "\uFFFD")[0];
    const int a = 'A';
    const int ka = 0xA982;
    struct Case {
        const char* text;
        int length;            // bytes given (-1 = up to the terminator)
        std::vector<int> keys; // characters expected
    } cases[] = {
        {"A\xE3\x81", -1, {a, bad}}, // cut at the terminator
        {"かか", 4, {ka, bad}},      // cut by the length
        {"\xE3\x81"
         "A",
         -1,
         {bad, a}}, // cut by an ASCII byte
        {"\xFF\xFE"
         "A",
         -1,
         {bad, bad, a}},                                // bytes that never start a character
        {"\xC0\xAF", -1, {bad, bad}},                   // overlong slash
        {"\xED\xA0\x80", -1, {bad, bad, bad}},          // a surrogate
        {"\xF4\x90\x80\x80", -1, {bad, bad, bad, bad}}, // past U+10FFFF
        {"\x80"
         "A",
         -1,
         {bad, a}},                  // a lone continuation byte
        {"\xF0\x9F\x98", -1, {bad}}, // an emoji cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Keys(h, c.text, c.length), c.keys);
        EXPECT_EQ(DrawStringWithFont(0, 0, c.text, 0xFFFF, h, 0, 0), 0);
    }
    EXPECT_EQ(MeasureStringWithFont("A\xE3\x81", -1, h, 0),
              MeasureStringWithFont("A", -1, h, 0) + MeasureStringWithFont("\uFFFD", -1, h, 0));

    // A cut sequence right before the end of readable memory: nothing past the
    // terminator is touched.
    long page = sysconf(_SC_PAGESIZE);
    char* pages = (char*)mmap(nullptr, (size_t)page * 2, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    ASSERT_EQ(mprotect(pages + page, (size_t)page, PROT_NONE), 0);
    for (const char* tail : {"\xF0\x9F\x98", "\xE3", "A\xC3"}) {
        size_t n = strlen(tail) + 1;
        char* text = pages + page - n;
        memcpy(text, tail, n);
        EXPECT_EQ(DrawStringWithFont(0, 0, text, 0xFFFF, h, 0, 0), 0);
        EXPECT_GT(MeasureStringWithFont(text, -1, h, 1), 0);
    }
    munmap(pages, (size_t)page * 2);
}

// One line each of Latin, kana, kanji and Hangul in the game's face; the picture
// goes to $BKT_SHOT_DIR/utf8-lines.png when that is set.
TEST_F(Utf8TextTest, FourScriptsOnFourLines) {
    FontHandle h = Gothic(20, FONT_TYPE_ANTIALIAS);
    ASSERT_NE(h, -1);
    SetTextEncoding(TEXT_ENCODING_UTF8);
    const char* lines[] = {"Latin: Ça va? Größe, naïve", "Kana: ひらがな カタカナ ｶﾀｶﾅ", "Kanji: 漢字の東京都渋谷区",
                           "Hangul: 안녕하세요 한국어"};
    for (int i = 0; i < 4; i++) {
        DrawStringWithFont(8, 16 + 48 * i, lines[i], 0xFFFF, h, 0, 0);
        EXPECT_GT(CountNonZero(0, 16 + 48 * i, 320, 16 + 48 * i + 30), 300) << lines[i];
    }
    if (const char* dir = getenv("BKT_SHOT_DIR")) {
        std::string path = std::string(dir) + "/utf8-lines.png";
        EXPECT_EQ(SaveScreenToFile(path.c_str()), 0);
    }
}

// Face names and the caption are read in the encoding too; the face name comes
// back in it.
TEST_F(Utf8TextTest, FaceNamesInUtf8) {
    SetTextEncoding(TEXT_ENCODING_UTF8);
    FontHandle h = CreateFontToHandle("ＭＳゴシック", 20, 0, FONT_TYPE_PLAIN, FONT_DEFAULT, FONT_DEFAULT, 0,
                                      FONT_DEFAULT, FONT_DEFAULT);
    ASSERT_NE(h, -1);
    EXPECT_STREQ(LookupFont(h)->faceName, SJ("ＭＳゴシック"));
    char face[256];
    ASSERT_EQ(GetFontInfo(h, face, nullptr, nullptr), 0);
    EXPECT_STREQ(face, "ＭＳゴシック");
    SetTextEncoding(TEXT_ENCODING_SHIFT_JIS);
    ASSERT_EQ(GetFontInfo(h, face, nullptr, nullptr), 0);
    EXPECT_STREQ(face, SJ("ＭＳゴシック"));
    SetTextEncoding(TEXT_ENCODING_UTF8);
    EXPECT_EQ(SetMainWindowTitle("ゲーム"), 0);
    EXPECT_STREQ(g_runtime.settings.windowTitle, SJ("ゲーム"));
    // The window shows what the caller wrote, characters Shift-JIS lacks included;
    // a cut sequence shows as one replacement character.
    const struct {
        int encoding;
        std::string given, shown;
    } captions[] = {
        {TEXT_ENCODING_UTF8, "한국어 ゲーム é", "한국어 ゲーム é"},
        {TEXT_ENCODING_UTF8, "ab\xE3\x81", "ab\xEF\xBF\xBD"},
        {TEXT_ENCODING_SHIFT_JIS, SJ("ゲーム"), "ゲーム"},
    };
    for (const auto& c : captions) {
        SetTextEncoding(c.encoding);
        EXPECT_EQ(SetMainWindowTitle(c.given.c_str()), 0);
        EXPECT_EQ(std::string(ScriptedCaption()), c.shown);
    }
    SetTextEncoding(TEXT_ENCODING_SHIFT_JIS);
}

} // namespace
