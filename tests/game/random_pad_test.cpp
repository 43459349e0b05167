// The random generator's sequence and the menus' lone-button rule.
#include "game/game_state.h"

#include <gtest/gtest.h>

TEST(GameRandom, SeedOneGivesTheKnownSequence) {
    RandomSeed(1);
    EXPECT_EQ(RandomState(), 0x015A4E36u); // the state WinMain starts with
    EXPECT_EQ(RandomNext(), 130);
    EXPECT_EQ(RandomNext(), 10982);
    EXPECT_EQ(RandomNext(), 1090);
}

TEST(GameRandom, ResultsStayInFifteenBitsAndWrapTheState) {
    RandomSeed(-1); // state 0xFFFFFFFF: the multiplication wraps modulo 2^32
    for (int i = 0; i < 10000; i++) {
        int v = RandomNext();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
    RandomSeed(12345);
    unsigned int s = 12345u * 0x015A4E35u + 1u;
    EXPECT_EQ(RandomState(), s);
    s = s * 0x015A4E35u + 1u;
    EXPECT_EQ(RandomNext(), (int)((s >> 16) & 0x7FFF));
}

TEST(GamePad, LoneActionButtonIsExactlyOneOfSevenBits) {
    for (int pad : {0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x2000}) EXPECT_TRUE(IsLoneActionButton(pad)) << pad;
    EXPECT_FALSE(IsLoneActionButton(0));
    EXPECT_FALSE(IsLoneActionButton(0x10 | 0x4)); // Z with the right arrow
    EXPECT_FALSE(IsLoneActionButton(0x10 | 0x20));
    EXPECT_FALSE(IsLoneActionButton(0x400)); // button 7 is not an action button
    EXPECT_FALSE(IsLoneActionButton(0x1000));
    EXPECT_FALSE(IsLoneActionButton(0x8));
}

TEST(GamePad, FreshPressNeedsAnEmptyPreviousFrame) {
    ResetGameState();
    g_game.padNow = 0x10;
    g_game.padPrev = 0;
    EXPECT_TRUE(IsFreshPress());
    g_game.padPrev = 0x10;
    EXPECT_FALSE(IsFreshPress());
    g_game.padPrev = 0;
    g_game.padNow = 0x14;
    EXPECT_FALSE(IsFreshPress());
}
