// Input through the running runtime: keys and controllers reach the pad bits
// by way of ProcessMessage, as in the game's frame loop.
#include <gtest/gtest.h>

#include "runtime/core/runtime_state.h"
#include "runtime/input/input_state.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"
#include "tests/runtime_suite.h"

namespace {

class RuntimeInputTest : public RuntimeSuite<16> {
protected:
    void SetUp() override {
        ScriptedSetKeys(nullptr, 0);
        for (int i = 0; i < PLATFORM_PAD_MAX; i++) ScriptedSetPad(i, 0, 0, 0, 0);
        Frame();
    }
    void TearDown() override {
        for (int i = 0; i < PLATFORM_PAD_MAX; i++) ScriptedSetPad(i, 0, 0, 0, 0);
        Frame();
    }
    // One pass of the frame loop's message step, a millisecond later.
    static void Frame() {
        SleepMilliseconds(1);
        ProcessMessage();
    }
};

TEST_F(RuntimeInputTest, InputStartsWithTheRuntime) {
    EXPECT_EQ(g_input.directInput, 1);
    EXPECT_EQ(g_input.keyboardDevice, 1);
}

TEST_F(RuntimeInputTest, KeysReachThePadBits) {
    const unsigned char zRight[] = {0x2C, 0xCD};
    ScriptedSetKeys(zRight, 2);
    Frame();
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD_PAD1), 0x14);
    const unsigned char escape[] = {0x01};
    ScriptedSetKeys(escape, 1);
    Frame();
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD_PAD1), 0x1000);
    EXPECT_EQ(CheckKeyDown(KEY_CODE_ESCAPE), 1);
    ScriptedSetKeys(nullptr, 0);
    Frame();
    EXPECT_EQ(CheckKeyDown(KEY_CODE_ESCAPE), 0);
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD_PAD1), 0);
}

TEST_F(RuntimeInputTest, ControllerPluggedInWhileRunning) {
    EXPECT_EQ(GetPadInputState(1), 0);
    ScriptedSetPad(0, 1, 0, 0, 1u << 9);
    Frame();
    EXPECT_EQ(g_input.padCount, 1);
    EXPECT_EQ(GetPadInputState(1), 0x2000);
    EXPECT_EQ(GetPadInputState(INPUT_KEYBOARD_PAD1), 0x2000);
    ScriptedSetPad(0, 0, 0, 0, 0);
    Frame();
    EXPECT_EQ(g_input.padCount, 0);
    EXPECT_EQ(GetPadInputState(1), 0);
}

} // namespace
