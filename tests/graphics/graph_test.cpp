// Graph handles: the handle rules, derived graphs sharing pixels, release and
// reference counts, and loading files (with the "_a" alpha companion and
// palette images) made by real image tools.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "gfx_fixture.h"
#include "runtime/graphics/graph.h"

namespace {

using gfxtest::RuntimeTest;

class GraphTest : public RuntimeTest {
protected:
    std::string dir;
    void SetUp() override {
        RuntimeTest::SetUp();
        char pattern[] = "/tmp/gfx_graph_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        RuntimeTest::TearDown();
        std::string cmd = "rm -rf '" + dir + "'";
        EXPECT_EQ(system(cmd.c_str()), 0);
    }
    // Runs a Pillow snippet with D bound to the temporary directory.
    bool Python(const std::string& body) {
        std::string script = dir + "/make.py";
        FILE* f = fopen(script.c_str(), "w");
        if (!f) return false;
        fprintf(f, "from PIL import Image\nD = '%s'\n%s\n", dir.c_str(), body.c_str());
        fclose(f);
        return system(("/usr/bin/python3 '" + script + "' 2>/dev/null").c_str()) == 0;
    }
};

TEST_F(GraphTest, HandlesFollowTheEncoding) {
    int a = CreateBlankGraph(4, 4, 0, 0);
    int b = CreateBlankGraph(4, 4, 0, 0);
    ASSERT_GE(a, 0);
    EXPECT_EQ((a >> 27) & 0xF, 1);
    EXPECT_EQ(a & 0xFFFF, 0); // the table was emptied: slots start at 0
    EXPECT_EQ(b & 0xFFFF, 1);
    EXPECT_EQ(((b >> 16) & 0x7FF), (((a >> 16) & 0x7FF) + 1) & 0x7FF);
    // Stale, foreign-kind, bit-15 and negative handles are refused.
    EXPECT_EQ(ReleaseGraph(b, 0), 0);
    EXPECT_EQ(ReleaseGraph(b, 0), -1);
    int c = CreateBlankGraph(4, 4, 0, 0);
    EXPECT_EQ(c & 0xFFFF, 1); // the top slot is reused
    EXPECT_NE(c, b);
    EXPECT_EQ(LookupGraph(b), nullptr);
    EXPECT_EQ(LookupGraph((a & ~0x78000000) | (2 << 27)), nullptr);
    EXPECT_EQ(LookupGraph(a | 0x8000), nullptr);
    EXPECT_EQ(LookupGraph(-1), nullptr);
    EXPECT_EQ(DrawGraphAt(0, 0, b, 0), -1);
}

TEST_F(GraphTest, FreeingALowerSlotKeepsTheEnd) {
    int g0 = CreateBlankGraph(2, 2, 0, 0);
    int g1 = CreateBlankGraph(2, 2, 0, 0);
    int g2 = CreateBlankGraph(2, 2, 0, 0);
    (void)g0;
    (void)g2;
    ReleaseGraph(g1, 0);
    EXPECT_EQ(CreateBlankGraph(2, 2, 0, 0) & 0xFFFF, 3);
}

TEST_F(GraphTest, CheckNumbersWrapAfter2048) {
    int first = CreateBlankGraph(1, 1, 0, 0);
    int check = (first >> 16) & 0x7FF;
    ReleaseGraph(first, 0);
    int last = -1;
    for (int i = 0; i < 2048; i++) {
        last = CreateBlankGraph(1, 1, 0, 0);
        ReleaseGraph(last, 0);
    }
    EXPECT_EQ((last >> 16) & 0x7FF, check); // 2048 later the same number comes round
    EXPECT_EQ(last & 0xFFFF, first & 0xFFFF);
}

TEST_F(GraphTest, DerivedGraphsShareThePixels) {
    int strip = MakeGraph(288, 32, [](int x, int y) { return (uint32_t)((x + y * 3) & 0xFFFF); });
    int cell = DeriveGraph(272, 16, 16, 16, strip);
    ASSERT_GE(cell, 0);
    int w = 0, h = 0;
    QueryGraphSize(cell, &w, &h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 16);
    int narrow = DeriveGraph(280, 0, 16, 16, strip);
    QueryGraphSize(narrow, &w, &h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(DeriveGraph(288, 0, 16, 16, strip), -1);
    EXPECT_EQ(DeriveGraph(-1, 0, 16, 16, strip), -1);
    EXPECT_EQ(DeriveGraph(0, -1, 16, 16, strip), -1);
    EXPECT_EQ(DeriveGraph(0, 0, 0, 16, strip), -1);
    // Derived from a derived graph: offsets add up.
    int inner = DeriveGraph(4, 2, 4, 4, cell);
    EXPECT_EQ(LookupGraph(inner)->sourceX, 276);
    EXPECT_EQ(LookupGraph(inner)->sourceY, 18);
    // No copy: the cell shows the strip's pixels, also after the strip is gone.
    ReleaseGraph(strip, 0);
    ASSERT_EQ(DrawGraphAt(0, 0, cell, 0), 0);
    EXPECT_EQ(Back(0, 0), (uint32_t)(272 + 16 * 3));
    EXPECT_EQ(Back(15, 15), (uint32_t)(287 + 31 * 3));
    MEMIMG* shared = GetGraphSurfaceImage(cell);
    GetGraphSurfaceImage(inner)->Pixels[0] ^= 0; // still alive
    ReleaseGraph(cell, 0);
    ReleaseGraph(narrow, 0);
    EXPECT_EQ(shared->InitMark, MEMIMG_INIT_MARK);
    ReleaseGraph(inner, 0);
    EXPECT_EQ(GraphCount(), 0);
}

TEST_F(GraphTest, LostFlagIsSetOnDelete) {
    int g = CreateBlankGraph(2, 2, 0, 0);
    int lost = 7;
    RegisterGraphLostFlag(g, &lost);
    EXPECT_EQ(lost, 0);
    ReleaseGraph(g, 0);
    EXPECT_EQ(lost, 1);
}

TEST_F(GraphTest, MissingFileFails) {
    EXPECT_EQ(LoadGraphFile((dir + "/nothing.png").c_str()), -1);
    EXPECT_EQ(GraphCount(), 0);
    FILE* f = fopen((dir + "/junk.png").c_str(), "wb");
    fputs("not an image at all", f);
    fclose(f);
    EXPECT_EQ(LoadGraphFile((dir + "/junk.png").c_str()), -1);
}

TEST_F(GraphTest, LoadsAndConvertsToTheScreenKind) {
    ASSERT_TRUE(
        Python("im = Image.new('RGB', (3, 2))\n"
               "im.putdata([(255,0,0),(0,255,0),(0,0,255),(255,255,255),(8,4,8),(200,100,50)])\n"
               "im.save(D + '/pic.bmp')"));
    int g = LoadGraphFile((dir + "/pic.bmp").c_str());
    ASSERT_GE(g, 0);
    GraphRecord* rec = LookupGraph(g);
    EXPECT_EQ(rec->alphaFlag, 0);
    EXPECT_EQ(rec->paletteFlag, 0);
    EXPECT_STREQ(rec->fileName, (dir + "/pic.bmp").c_str());
    DrawGraphAt(0, 0, g, 0);
    EXPECT_EQ(Back(0, 0), 0xF800u);
    EXPECT_EQ(Back(1, 0), 0x07E0u);
    EXPECT_EQ(Back(2, 0), 0x001Fu);
    EXPECT_EQ(Back(0, 1), 0xFFFFu);
    EXPECT_EQ(Back(1, 1), 0x0821u);
    EXPECT_EQ(Back(2, 1), MakeColor(200, 100, 50));
}

TEST_F(GraphTest, AlphaCompanionGivesTheAlphaFromItsRed) {
    ASSERT_TRUE(
        Python("im = Image.new('RGB', (2, 1))\n"
               "im.putdata([(255,255,255),(255,0,0)])\n"
               "im.save(D + '/a.bmp')\n"
               "al = Image.new('RGB', (2, 1))\n"
               "al.putdata([(128,0,255),(0,255,255)])\n"
               "al.save(D + '/a_a.bmp')"));
    int g = LoadGraphFile((dir + "/a.bmp").c_str());
    ASSERT_GE(g, 0);
    EXPECT_EQ(LookupGraph(g)->alphaFlag, 1);
    const MEMIMG* img = GetGraphSurfaceImage(g);
    ASSERT_EQ(img->AlphaChannel, 1);
    const uint32_t* px = (const uint32_t*)img->Pixels;
    EXPECT_EQ((px[0] >> 16) & 0xFF, 128u);
    EXPECT_EQ(px[0] & 0xFFFF, 0xFFFFu);
    EXPECT_EQ((px[1] >> 16) & 0xFF, 0u);
    // Drawn with the trans flag: alpha 0 leaves the pixel, alpha 128 mixes half.
    SetBack(1, 0, 0x1234);
    DrawGraphAt(0, 0, g, 1);
    EXPECT_EQ(Back(1, 0), 0x1234u);
    EXPECT_EQ(Back(0, 0) >> 11, (31u * 128) >> 8);
    // A companion of another size refuses the load.
    ASSERT_TRUE(Python("Image.new('RGB', (2, 2)).save(D + '/b.bmp')\nImage.new('RGB', (3, 2)).save(D + '/b_a.bmp')"));
    EXPECT_EQ(LoadGraphFile((dir + "/b.bmp").c_str()), -1);
}

TEST_F(GraphTest, PaletteImagesKeepTheirIndices) {
    // No black in the palette: the transparent index falls back to 0.
    ASSERT_TRUE(
        Python("im = Image.new('P', (4, 1))\n"
               "im.putpalette([10,20,30, 255,0,0, 0,255,0, 0,0,255] + [255,255,255]*252)\n"
               "im.putdata([0,1,2,3])\n"
               "im.save(D + '/p.bmp')\n"
               "im2 = Image.new('P', (4, 1))\n"
               "im2.putpalette([10,20,30, 255,0,0, 0,0,0, 0,0,255] + [255,255,255]*252)\n"
               "im2.putdata([0,1,2,3])\n"
               "im2.save(D + '/q.bmp')"));
    int p = LoadGraphFile((dir + "/p.bmp").c_str());
    ASSERT_GE(p, 0);
    const MEMIMG* img = GetGraphSurfaceImage(p);
    EXPECT_EQ(img->UsePalette, 1);
    EXPECT_EQ(img->TransColor, 0u);
    EXPECT_EQ(img->PaletteCount, 4);
    EXPECT_EQ(img->Palette[1], 0xF800u);
    EXPECT_EQ(img->Palette[0], (uint32_t)(((10 / 8) << 11) | ((20 / 4) << 5) | (30 / 8)));
    int q = LoadGraphFile((dir + "/q.bmp").c_str());
    ASSERT_GE(q, 0);
    EXPECT_EQ(GetGraphSurfaceImage(q)->TransColor, 2u);
    SetBack(2, 0, 0x4321);
    DrawGraphAt(0, 0, q, 1);
    EXPECT_EQ(Back(1, 0), 0xF800u);
    EXPECT_EQ(Back(2, 0), 0x4321u);
    EXPECT_EQ(Back(3, 0), 0x001Fu);
}

TEST_F(GraphTest, RestoreRoutineReloadsFiles) {
    ASSERT_TRUE(Python("im = Image.new('RGB', (4, 2), (255,0,0))\nim.save(D + '/r.bmp')"));
    int g = LoadGraphFile((dir + "/r.bmp").c_str());
    int cell = DeriveGraph(2, 0, 2, 2, g);
    ASSERT_GE(cell, 0);
    FillMemImgRaw(GetGraphSurfaceImage(g), nullptr, 0);
    RestoreAllGraphs();
    DrawGraphAt(0, 0, g, 0);
    EXPECT_EQ(Back(3, 1), 0xF800u);
}

} // namespace
