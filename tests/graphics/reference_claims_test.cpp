// What the reference page promises about draw targets and display-mode
// changes, checked on the runtime itself: a derived graph as a target draws
// from its parent's corner, and a mode change deletes every graph and font.
#include "gfx_fixture.h"

namespace {

using gfxtest::RuntimeTest;

class ReferenceClaims : public RuntimeTest {};

TEST_F(ReferenceClaims, DerivedGraphAsTargetDrawsIntoItsParentsCorner) {
    int parent = MakeGraph(8, 8, [](int, int) { return 0u; });
    int cell = DeriveGraph(4, 4, 2, 2, parent);
    ASSERT_GE(cell, 0);
    ASSERT_EQ(SetDrawTarget(cell), 0);
    unsigned white = MakeColor(255, 255, 255);
    DrawRectangle(0, 0, 8, 8, white, 1);
    SetDrawTarget(-2);
    MEMIMG* img = GetGraphSurfaceImage(parent);
    auto at = [&](int x, int y) { return *(const uint16_t*)(img->Pixels + (intptr_t)y * img->Pitch + x * 2); };
    // The derived graph's size clips, its offset does not move the drawing.
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) EXPECT_EQ(at(x, y), x < 2 && y < 2 ? (uint16_t)white : 0u) << x << "," << y;
}

TEST_F(ReferenceClaims, DisplayModeChangesDeleteGraphsAndFonts) {
    struct Change {
        const char* what;
        void (*apply)();
    } changes[] = {
        {"ChangeWindowMode",
         [] {
             ChangeWindowMode(0);
             ChangeWindowMode(1);
         }},
        {"SetScreenMode",
         [] {
             SetScreenMode(320, 240, 32, 60);
             SetScreenMode(320, 240, 16, 60);
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        int graph = MakeGraph(4, 4, [](int, int) { return 0xFFFFu; });
        FontHandle font = CreateFontToHandle("", 16, 0, 0, -1, -1, 0, -1, -1);
        ASSERT_GE(font, 0);
        int lost = -1;
        ASSERT_EQ(RegisterFontLostFlag(font, &lost), 0);
        EXPECT_EQ(lost, 0);
        EXPECT_GT(GetFontLineHeight(font), 0);
        change.apply();
        EXPECT_EQ(DrawGraphAt(0, 0, graph, 0), -1) << "the graph is gone, not reloaded";
        EXPECT_EQ(SetDrawTarget(graph), -1);
        EXPECT_EQ(lost, 1);
        EXPECT_EQ(GetFontLineHeight(font), -1);
        // The draw target is the front buffer again; the caller selects its own.
        EXPECT_EQ(g_draw.target, -4);
        // Made again, they work as before.
        graph = MakeGraph(4, 4, [](int, int) { return 0xFFFFu; });
        SetDrawTarget(-2);
        EXPECT_EQ(DrawGraphAt(0, 0, graph, 0), 0);
        EXPECT_EQ(Back(3, 3), 0xFFFFu);
    }
}

// A second RuntimeInit while running ends the running runtime; the one after
// that starts it again.
TEST_F(ReferenceClaims, SecondInitEndsTheRunningRuntime) {
    int graph = MakeGraph(4, 4, [](int, int) { return 0xFFFFu; });
    EXPECT_EQ(RuntimeInit(), -1);
    EXPECT_EQ(ProcessMessage(), -1);
    EXPECT_EQ(DrawGraphAt(0, 0, graph, 0), -1);
    ASSERT_EQ(RuntimeInit(), 0);
    EXPECT_EQ(ProcessMessage(), 0);
    EXPECT_EQ(DrawGraphAt(0, 0, graph, 0), -1) << "handles of the ended run stay refused";
}

} // namespace
