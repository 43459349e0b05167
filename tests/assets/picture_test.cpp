// The generated pictures: sizes, formats, the cells the game draws, the transparency
// key, seamless repeats, and decoding through the runtime's own image loader.
#include <gtest/gtest.h>

#include <cstdlib>

#include "asset_files.h"
#include "runtime/graphics/color_format.h"
#include "runtime/graphics/image_decode.h"

using namespace assetfiles;

namespace {

struct Expected {
    const char* file;
    int width, height;
    bool atLeast; // the size may be larger
};

const Expected kPictures[] = {
    {"bkt/graphic/title.bmp", 320, 325, true},   {"bkt/graphic/block.bmp", 336, 64, true},
    {"bkt/graphic/chara.bmp", 64, 32, true},     {"bkt/graphic/stage1.png", 320, 240, false},
    {"bkt/graphic/shadow.png", 320, 160, false}, {"bkt/graphic/stage2.bmp", 160, 240, false},
    {"bkt/graphic/setume.bmp", 320, 240, false},
};

bool IsKey(Rgba8 c) {
    return c.r == 0 && c.g == 255 && c.b == 0;
}

// Pixels of a cell that are not the green key.
int Painted(const Pixels& p, int x, int y, int w, int h) {
    int n = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) n += !IsKey(p.At(xx, yy));
    return n;
}

bool SameCell(const Pixels& p, int x0, int y0, int x1, int y1) {
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            Rgba8 a = p.At(x0 + x, y0 + y), b = p.At(x1 + x, y1 + y);
            if (a.r != b.r || a.g != b.g || a.b != b.b) return false;
        }
    return true;
}

} // namespace

TEST(Pictures, HeadersGiveTheRequiredSizes) {
    for (const Expected& e : kPictures) {
        std::vector<uint8_t> bytes = ReadAll(Dist(e.file));
        ASSERT_FALSE(bytes.empty()) << e.file;
        int w = 0, h = 0;
        ASSERT_TRUE(HeaderSize(bytes, &w, &h)) << e.file;
        if (e.atLeast) {
            EXPECT_GE(w, e.width) << e.file;
            EXPECT_GE(h, e.height) << e.file;
        } else {
            EXPECT_EQ(w, e.width) << e.file;
            EXPECT_EQ(h, e.height) << e.file;
        }
    }
}

TEST(Pictures, RuntimeLoaderDecodesEveryPictureAtItsSize) {
    for (const Expected& e : kPictures) {
        GraphImage image{};
        ASSERT_EQ(LoadGraphImageFile(Dist(e.file).c_str(), &image), 0) << e.file;
        int w = 0, h = 0;
        HeaderSize(ReadAll(Dist(e.file)), &w, &h);
        EXPECT_EQ(image.Width, w) << e.file;
        EXPECT_EQ(image.Height, h) << e.file;
        ReleaseGraphImage(&image);
    }
}

TEST(Pictures, TranslucentPicturesCarryAnAlphaChannel) {
    Pixels near = DecodePng(Dist("bkt/graphic/stage1.png"));
    ASSERT_EQ(near.width, 320);
    EXPECT_TRUE(near.hasAlpha);
    // The middle of the shaft is open so the far layer shows through.
    EXPECT_EQ(near.At(160, 5).a, 0);
    EXPECT_GT(near.At(2, 5).a, 200);
    Pixels shadow = DecodePng(Dist("bkt/graphic/shadow.png"));
    ASSERT_EQ(shadow.height, 160);
    EXPECT_TRUE(shadow.hasAlpha);
    // Clear at the top, darkening steadily to the bottom, never opaque.
    EXPECT_EQ(shadow.At(100, 0).a, 0);
    for (int y = 1; y < 160; ++y) EXPECT_GE(shadow.At(100, y).a, shadow.At(100, y - 1).a) << y;
    EXPECT_GT(shadow.At(100, 159).a, 100);
    EXPECT_LT(shadow.At(100, 159).a, 255);
    EXPECT_LT(shadow.At(100, 159).r + shadow.At(100, 159).g + shadow.At(100, 159).b, 60);
}

TEST(Pictures, EveryTileCellAndFrameIsDrawnAndTransparencyIsPureGreen) {
    Pixels b = DecodeBmp24(ReadAll(Dist("bkt/graphic/block.bmp")));
    ASSERT_GE(b.width, 336);
    struct Cell {
        int x, frames;
    };
    const Cell cells[] = {{16, 1},  {32, 2},  {48, 1},  {64, 4},  {80, 2},  {96, 1},  {112, 3},
                          {128, 1}, {160, 1}, {176, 1}, {192, 1}, {208, 4}, {224, 4}, {240, 4},
                          {256, 4}, {272, 4}, {288, 1}, {304, 1}, {320, 4}};
    for (const Cell& c : cells)
        for (int f = 0; f < c.frames; ++f)
            EXPECT_GT(Painted(b, c.x, 16 * f, 16, 16), 8) << "cell " << c.x << "," << 16 * f;
    // Animated cells really change between frames.
    for (const Cell& c : cells)
        for (int f = 1; f < c.frames; ++f)
            EXPECT_FALSE(SameCell(b, c.x, 0, c.x, 16 * f)) << "frame " << f << " of " << c.x;
    // Decorations and floors have see-through parts; the only near-green is the exact key,
    // so the 16-bit screen maps nothing else onto it.
    EXPECT_GT(b.width * b.height - Painted(b, 0, 0, b.width, b.height), 0);
    for (const Rgba8& c : b.data)
        if ((c.r >> 3) == 0 && (c.g >> 2) == 63 && (c.b >> 3) == 0) {
            EXPECT_TRUE(IsKey(c));
        }
    // The spring's pressed picture sits lower than the one at rest.
    int restTop = -1, pressedTop = -1;
    for (int y = 15; y >= 0; --y) {
        if (Painted(b, 80, y, 16, 1)) restTop = y;
        if (Painted(b, 80, 16 + y, 16, 1)) pressedTop = y;
    }
    EXPECT_GT(pressedTop, restTop + 2);
}

TEST(Pictures, CharacterCellsAndLifeIcon) {
    Pixels c = DecodeBmp24(ReadAll(Dist("bkt/graphic/chara.bmp")));
    ASSERT_GE(c.width, 64);
    ASSERT_GE(c.height, 32);
    EXPECT_GT(Painted(c, 0, 0, 16, 16), 60);
    EXPECT_GT(Painted(c, 16, 0, 16, 16), 60);
    EXPECT_GT(Painted(c, 0, 16, 16, 16), 60);
    EXPECT_GT(Painted(c, 16, 16, 16, 16), 60);
    EXPECT_GT(Painted(c, 32, 16, 16, 16), 60);
    EXPECT_GT(Painted(c, 35, 0, 20, 14), 80);
    // The left-facing pictures mirror the right-facing ones.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 16; ++x) {
            Rgba8 a = c.At(x, y), m = c.At(31 - x, y);
            EXPECT_TRUE(a.r == m.r && a.g == m.g && a.b == m.b) << x << "," << y;
        }
    // Walking is animated: frame 1 differs from frame 0.
    EXPECT_FALSE(SameCell(c, 0, 0, 0, 16));
    // The life icon's 20 x 14 cell does not spill into the landing pose below it.
    EXPECT_EQ(Painted(c, 35, 14, 20, 2) + Painted(c, 48, 16, 16, 16), 0);
}

TEST(Pictures, ParallaxLayersRepeatWithoutASeam) {
    Pixels far = DecodeBmp24(ReadAll(Dist("bkt/graphic/stage2.bmp")));
    ASSERT_EQ(far.height, 240);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            Rgba8 a = far.At(x, y), b = far.At(x, y + 120);
            ASSERT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << x << "," << y;
        }
    // The near layer wraps at 240 rows: its last row leads into its first no more
    // abruptly than neighbouring rows do inside the picture.
    Pixels near = DecodePng(Dist("bkt/graphic/stage1.png"));
    ASSERT_EQ(near.height, 240);
    auto rowDiff = [&](int y0, int y1) {
        long d = 0;
        for (int x = 0; x < 320; ++x) {
            Rgba8 a = near.At(x, y0), b = near.At(x, y1);
            d += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) + std::abs(a.a - b.a);
        }
        return d;
    };
    long worstInside = 0;
    for (int y = 1; y < 240; ++y) worstInside = std::max(worstInside, rowDiff(y - 1, y));
    EXPECT_LE(rowDiff(239, 0), worstInside);
}

TEST(Pictures, HowToPictureKeepsTheDemonstrationAreaClear) {
    Pixels h = DecodeBmp24(ReadAll(Dist("bkt/graphic/setume.bmp")));
    ASSERT_EQ(h.width, 320);
    Rgba8 bg = h.At(32, 48);
    for (int y = 48; y < 80; ++y)
        for (int x = 32; x < 80; ++x) {
            Rgba8 c = h.At(x, y);
            ASSERT_TRUE(c.r == bg.r && c.g == bg.g && c.b == bg.b) << x << "," << y;
        }
    // A floor for the figure to stand on (its feet are at y 80), in a brighter colour.
    Rgba8 floor = h.At(48, 81);
    EXPECT_GT(floor.r + floor.g + floor.b, bg.r + bg.g + bg.b + 100);
}

TEST(Pictures, TitleMiddleIsTheBackdropsSubject) {
    Pixels t = DecodeBmp24(ReadAll(Dist("bkt/graphic/title.bmp")));
    ASSERT_GE(t.height, 325);
    // The menu backdrop (rows 85..324) has its detail between x 85 and 243: more
    // distinct colours there than in an equal strip under the left panel.
    auto variety = [&](int x0, int x1) {
        std::vector<uint32_t> seen;
        for (int y = 85; y < 325; ++y)
            for (int x = x0; x < x1; ++x) {
                Rgba8 c = t.At(x, y);
                uint32_t v = (c.r << 16) | (c.g << 8) | c.b;
                if (std::find(seen.begin(), seen.end(), v) == seen.end()) seen.push_back(v);
            }
        return seen.size();
    };
    EXPECT_GT(variety(85, 243), variety(0, 85));
}

TEST(Pictures, WindowIconIsAPng) {
    for (const std::string& path : {Dist("bkt/icon.png"), std::string(BKT_BINARY_DIR) + "/generated/icon.png"}) {
        Pixels icon = DecodePng(path);
        EXPECT_EQ(icon.width, 32) << path;
        EXPECT_EQ(icon.height, 32) << path;
        EXPECT_TRUE(icon.hasAlpha) << path;
    }
}
