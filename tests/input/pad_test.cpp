// Controllers: pad bits per input type, the dead zone, buttons and hot-plug.
#include "tests/input/input_fixture.h"

namespace {

using PadTest = InputTest;

TEST_F(PadTest, NoControllerGivesZeroOrTheKeyboard) {
    Hold({0x2C});
    EXPECT_EQ(g_input.padCount, 0);
    EXPECT_EQ(GetPadInputState(1), 0);
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD_PAD1), 0x10);
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD), 0x10);
    EXPECT_EQ(GetPadInputState(0), 0);
}

TEST_F(PadTest, AxisScalingAndDeadZone) {
    EXPECT_EQ(PlatformScaleAxis(0), 0);
    EXPECT_EQ(PlatformScaleAxis(8192), 0);
    EXPECT_EQ(PlatformScaleAxis(-8192), 0);
    EXPECT_GT(PlatformScaleAxis(8300), 0);
    EXPECT_LT(PlatformScaleAxis(-8300), 0);
    EXPECT_EQ(PlatformScaleAxis(32767), 1000);
    EXPECT_EQ(PlatformScaleAxis(-32768), -1000);
    EXPECT_EQ(PlatformScaleAxis(-32767), -1000);
    // Halfway between the dead zone's edge and the end of travel.
    EXPECT_EQ(PlatformScaleAxis(8192 + 24575 / 2), 499);
}

TEST_F(PadTest, AxisInsideTheDeadZoneSetsNoBit) {
    ScriptedSetPad(0, 1, 8000, -8000, 0);
    UpdatePadDevices();
    ASSERT_EQ(g_input.padCount, 1);
    EXPECT_EQ(GetPadInputState(1), 0);
    ScriptedSetPad(0, 1, 20000, 0, 0);
    ScriptedAdvanceClock(1);
    EXPECT_EQ(GetPadInputState(1), 0x4);
    ScriptedSetPad(0, 1, -20000, -20000, 0);
    ScriptedAdvanceClock(1);
    EXPECT_EQ(GetPadInputState(1), 0x2 | 0x8);
    ScriptedSetPad(0, 1, 0, 32767, 0);
    ScriptedAdvanceClock(1);
    EXPECT_EQ(GetPadInputState(1), 0x1);
}

TEST_F(PadTest, ButtonsMapToBitsFromFour) {
    ScriptedSetPad(0, 1, 0, 0, 1u << 9); // button 10
    UpdatePadDevices();
    EXPECT_EQ(GetPadInputState(1), 0x2000);
    // Button 1 and button 24 (the last one read); 25 and up are ignored.
    ScriptedSetPad(0, 1, 0, 0, (1u << 0) | (1u << 23) | (1u << 24) | (1u << 31));
    ScriptedAdvanceClock(1);
    EXPECT_EQ(GetPadInputState(1), 0x10 | (1 << 27));
}

TEST_F(PadTest, ControllerAndKeyboardMerge) {
    ScriptedSetPad(0, 1, -30000, 0, 1u << 1); // left, button 2
    UpdatePadDevices();
    Hold({0x2C, 0xCD}); // Z, right arrow
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD_PAD1), 0x2 | 0x20 | 0x10 | 0x4);
    EXPECT_EQ(GetPadInputState(1), 0x2 | 0x20);
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD), 0x10 | 0x4);
}

TEST_F(PadTest, ControllerNumbersNameControllersInOrder) {
    ScriptedSetPad(0, 1, 0, 0, 1u << 0);
    ScriptedSetPad(3, 1, 0, 0, 1u << 2);
    UpdatePadDevices();
    ASSERT_EQ(g_input.padCount, 2);
    EXPECT_EQ(GetPadInputState(1), 0x10);
    EXPECT_EQ(GetPadInputState(2), 0x40);
    // A number with no controller behind it gives 0 without the keyboard bit...
    Hold({0x2C});
    EXPECT_EQ(GetPadInputState(3), 0);
    EXPECT_EQ(GetPadInputState(9), 0);
    // ...and only the keyboard with it.
    EXPECT_EQ(GetPadInputState(0x1003), 0x10);
}

TEST_F(PadTest, HotPlugWhileRunning) {
    EXPECT_EQ(GetPadInputState(1), 0);
    ScriptedSetPad(2, 1, 0, 0, 1u << 3);
    // Not seen until the pad-device step of message processing runs.
    EXPECT_EQ(g_input.padCount, 0);
    UpdatePadDevices();
    EXPECT_EQ(g_input.padCount, 1);
    EXPECT_EQ(GetPadInputState(1), 0x80);
    ScriptedSetPad(5, 1, 0, 0, 1u << 4);
    UpdatePadDevices();
    EXPECT_EQ(g_input.padCount, 2);
    EXPECT_EQ(GetPadInputState(2), 0x100);
    // Pulling the first one closes the gap.
    ScriptedSetPad(2, 0, 0, 0, 0);
    UpdatePadDevices();
    EXPECT_EQ(g_input.padCount, 1);
    ScriptedAdvanceClock(1);
    EXPECT_EQ(GetPadInputState(1), 0x100);
    ScriptedSetPad(5, 0, 0, 0, 0);
    UpdatePadDevices();
    EXPECT_EQ(g_input.padCount, 0);
    EXPECT_EQ(GetPadInputState(1), 0);
}

TEST_F(PadTest, NewControllerDataIsReadWithinTheMillisecond) {
    ScriptedSetPad(0, 1, 0, 0, 0);
    UpdatePadDevices();
    EXPECT_EQ(GetPadInputState(1), 0);
    ScriptedSetPad(0, 1, 0, 0, 1u << 0);
    EXPECT_EQ(GetPadInputState(1), 0x10);
}

TEST_F(PadTest, ReadPadRefusesIndexesBeyondEight) {
    EXPECT_EQ(ReadPad(8), -1);
    EXPECT_EQ(ReadPad(-1), -1);
}

TEST_F(PadTest, ActivationTakesInControllersPluggedMeanwhile) {
    PadActivationStep(0);
    ScriptedSetPad(1, 1, 0, 0, 1u << 0);
    PadActivationStep(1);
    EXPECT_EQ(g_input.padCount, 1);
    EXPECT_EQ(GetPadInputState(1), 0x10);
}

TEST_F(PadTest, ControllersFoundAtStart) {
    EndInput();
    ScriptedSetPad(0, 1, 0, 0, 0);
    ScriptedSetPad(1, 1, 0, 0, 0);
    ASSERT_EQ(InitInput(), 0);
    EXPECT_EQ(g_input.padCount, 2);
}

} // namespace
