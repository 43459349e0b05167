// Key state by key code and the keyboard half of the pad bits.
#include "tests/input/input_fixture.h"

namespace {

using KeyStateTest = InputTest;

TEST_F(KeyStateTest, ZAndRightArrowGiveButtonOneAndRight) {
    Hold({0x2C, 0xCD});
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD_PAD1), 0x14);
}

TEST_F(KeyStateTest, EscapeAloneIsButtonNine) {
    Hold({0x01});
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD_PAD1), 0x1000);
    EXPECT_EQ(CheckKeyDown(KEY_CODE_ESCAPE), 1);
    EXPECT_EQ(CheckKeyDown(0x39), 0);
}

TEST_F(KeyStateTest, LeftAndRightTogetherGiveBothBits) {
    Hold({0xCB, 0xCD});
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD), 0x6);
}

TEST_F(KeyStateTest, EveryKeyOfThePadTable) {
    struct Case {
        unsigned char key;
        int bits;
    } cases[] = {
        {0xD0, 0x1},   {0x50, 0x1},   {0xCB, 0x2},   {0x4B, 0x2},   {0xCD, 0x4},    {0x4D, 0x4},
        {0xC8, 0x8},   {0x48, 0x8},   {0x2C, 0x10},  {0x2D, 0x20},  {0x2E, 0x40},   {0x1E, 0x80},
        {0x1F, 0x100}, {0x20, 0x200}, {0x10, 0x400}, {0x11, 0x800}, {0x01, 0x1000}, {0x39, 0x2000},
    };
    for (const Case& c : cases) {
        Hold({c.key});
        EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD), c.bits) << "key " << (int)c.key;
    }
    // Keys outside the table set no pad bit, but are still held.
    Hold({0x30, 0x1C});
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD), 0);
    EXPECT_EQ(CheckKeyDown(0x30), 1);
    EXPECT_EQ(CheckKeyDown(0x1C), 1);
}

TEST_F(KeyStateTest, KeyCodesOutsideTheStateReadAsReleased) {
    Hold({0x01});
    EXPECT_EQ(CheckKeyDown(-1), 0);
    EXPECT_EQ(CheckKeyDown(256), 0);
}

TEST_F(KeyStateTest, RefreshAtMostOncePerMillisecond) {
    Hold({0x2C});
    EXPECT_EQ(CheckKeyDown(0x2C), 1);
    // Released within the same millisecond: still held until the clock moves.
    ScriptedSetKeys(nullptr, 0);
    EXPECT_EQ(ReadKeyState(), 0);
    EXPECT_EQ(CheckKeyDown(0x2C), 1);
    ScriptedAdvanceClock(1);
    EXPECT_EQ(CheckKeyDown(0x2C), 0);
}

TEST_F(KeyStateTest, NewKeyDataRefreshesWithinTheMillisecond) {
    Hold({0x2C});
    EXPECT_EQ(CheckKeyDown(0x2C), 1);
    ScriptedSetKeys(nullptr, 0);
    NoteKeyboardEvent();
    EXPECT_EQ(ReadKeyState(), 1);
    EXPECT_EQ(CheckKeyDown(0x2C), 0);
    // The signal is used up by that refresh.
    EXPECT_EQ(ReadKeyState(), 0);
}

TEST_F(KeyStateTest, RefreshKeyStateEntryReadsTheKeys) {
    Hold({0x39});
    RefreshKeyState();
    EXPECT_NE(g_input.keyState[0x39] & 0x80, 0);
    EXPECT_EQ(g_input.keyState[0x2C], 0);
}

TEST_F(KeyStateTest, PlainModeIgnoresTheKeySignal) {
    EndInput();
    SetInputPlainMode(1);
    ASSERT_EQ(InitInput(), 0);
    EXPECT_EQ(g_input.directInput, INPUT_PLAIN_MARKER);
    Hold({0x2C});
    EXPECT_EQ(CheckKeyDown(0x2C), 1);
    ScriptedSetKeys(nullptr, 0);
    NoteKeyboardEvent();
    EXPECT_EQ(CheckKeyDown(0x2C), 1);
    ScriptedAdvanceClock(1);
    EXPECT_EQ(CheckKeyDown(0x2C), 0);
}

TEST_F(KeyStateTest, FirstQueryAfterEndStartsTheModuleAndReturnsItsResult) {
    Hold({0x2C});
    EndInput();
    EXPECT_EQ(g_input.directInput, 0);
    // The starting query returns InitInput's 0, not the key.
    EXPECT_EQ(CheckKeyDown(0x2C), 0);
    EXPECT_NE(g_input.directInput, 0);
    ScriptedAdvanceClock(1);
    EXPECT_EQ(CheckKeyDown(0x2C), 1);
}

TEST_F(KeyStateTest, InitTwiceKeepsTheState) {
    Hold({0x2C});
    EXPECT_EQ(CheckKeyDown(0x2C), 1);
    EXPECT_EQ(InitInput(), 0);
    EXPECT_NE(g_input.keyState[0x2C] & 0x80, 0);
}

TEST_F(KeyStateTest, ReacquireMakesTheNextReadFresh) {
    Hold({0x2C});
    EXPECT_EQ(CheckKeyDown(0x2C), 1);
    ScriptedSetKeys(nullptr, 0);
    ReacquireInput();
    EXPECT_EQ(CheckKeyDown(0x2C), 0);
}

} // namespace
