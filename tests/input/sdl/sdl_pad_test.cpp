// SDL controllers: plugged in and pulled out while running, axes scaled with the
// dead zone, buttons, and the key map from SDL scancodes to key codes.
#include <SDL.h>
#include <gtest/gtest.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_internal.h"

namespace {

class SdlPadTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformOpenPads();
        base = PlatformPadCount();
    }
    void TearDown() override {
        for (int i = SDL_NumJoysticks() - 1; i >= 0; i--)
            if (SDL_JoystickIsVirtual(i)) SDL_JoystickDetachVirtual(i);
        PlatformClosePads();
    }
    // Attaches a virtual joystick; returns its device index.
    int Plug(SDL_JoystickType type) {
        int index = SDL_JoystickAttachVirtual(type, 6, 24, 1);
        EXPECT_GE(index, 0) << SDL_GetError();
        return index;
    }
    SDL_Joystick* Opened(int deviceIndex) {
        return SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(deviceIndex));
    }
    int base = 0;
};

TEST_F(SdlPadTest, HotPlugWhileRunning) {
    if (base >= PLATFORM_PAD_MAX) GTEST_SKIP() << "eight controllers attached already";
    EXPECT_EQ(PlatformUpdatePads(), 0);
    int device = Plug(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
    EXPECT_EQ(PlatformUpdatePads(), 1);
    ASSERT_EQ(PlatformPadCount(), base + 1);
    SDL_Joystick* joystick = Opened(device);
    ASSERT_NE(joystick, nullptr);
    char name[128], product[128];
    EXPECT_EQ(PlatformPadNames(base, name, sizeof name, product, sizeof product), 0);

    PlatformPadState state;
    uint32_t serial = PlatformPadSerial(base);
    SDL_JoystickSetVirtualAxis(joystick, 0, 20000);
    SDL_JoystickSetVirtualButton(joystick, 0, 1);
    PlatformUpdatePads();
    ASSERT_EQ(PlatformGetPadState(base, &state), 0);
    EXPECT_GT(state.x, 0);
    EXPECT_EQ(state.y, 0);
    EXPECT_EQ(state.buttons[0], 0x80);
    EXPECT_NE(PlatformPadSerial(base), serial);

    // Inside the dead zone the axis reads 0.
    SDL_JoystickSetVirtualAxis(joystick, 0, 6000);
    SDL_JoystickSetVirtualAxis(joystick, 1, -6000);
    SDL_JoystickSetVirtualButton(joystick, 0, 0);
    PlatformUpdatePads();
    ASSERT_EQ(PlatformGetPadState(base, &state), 0);
    EXPECT_EQ(state.x, 0);
    EXPECT_EQ(state.y, 0);
    EXPECT_EQ(state.buttons[0], 0);
    SDL_JoystickSetVirtualAxis(joystick, 1, -32768);
    PlatformUpdatePads();
    ASSERT_EQ(PlatformGetPadState(base, &state), 0);
    EXPECT_EQ(state.y, -1000);

    // Pulled out: the list closes up and reads of the old index fail.
    SDL_JoystickDetachVirtual(device);
    EXPECT_EQ(PlatformUpdatePads(), 1);
    EXPECT_EQ(PlatformPadCount(), base);
    EXPECT_EQ(PlatformGetPadState(base, &state), -1);
}

TEST_F(SdlPadTest, PlainJoysticksReadAxesAndButtonsInOrder) {
    if (base >= PLATFORM_PAD_MAX) GTEST_SKIP() << "eight controllers attached already";
    int device = Plug(SDL_JOYSTICK_TYPE_UNKNOWN);
    PlatformUpdatePads();
    ASSERT_EQ(PlatformPadCount(), base + 1);
    SDL_Joystick* joystick = Opened(device);
    ASSERT_NE(joystick, nullptr);
    SDL_JoystickSetVirtualAxis(joystick, 1, 32767);
    SDL_JoystickSetVirtualButton(joystick, 9, 1);
    SDL_JoystickSetVirtualButton(joystick, 23, 1);
    SDL_JoystickSetVirtualHat(joystick, 0, SDL_HAT_LEFT);
    PlatformUpdatePads();
    PlatformPadState state;
    ASSERT_EQ(PlatformGetPadState(base, &state), 0);
    EXPECT_EQ(state.y, 1000);
    EXPECT_EQ(state.buttons[9], 0x80);
    EXPECT_EQ(state.buttons[23], 0x80);
    EXPECT_EQ(state.buttons[8], 0);
    EXPECT_EQ(state.pov[0], 27000u);
}

TEST_F(SdlPadTest, AtMostEightControllers) {
    for (int i = 0; i < 10; i++) Plug(SDL_JOYSTICK_TYPE_UNKNOWN);
    PlatformUpdatePads();
    EXPECT_EQ(PlatformPadCount(), PLATFORM_PAD_MAX);
}

TEST(SdlKeyMap, EveryKeyOfTheTable) {
    struct Pair {
        SDL_Scancode scancode;
        int code;
    } pairs[] = {
        {SDL_SCANCODE_ESCAPE, 0x01},
        {SDL_SCANCODE_Z, 0x2C},
        {SDL_SCANCODE_X, 0x2D},
        {SDL_SCANCODE_C, 0x2E},
        {SDL_SCANCODE_A, 0x1E},
        {SDL_SCANCODE_S, 0x1F},
        {SDL_SCANCODE_D, 0x20},
        {SDL_SCANCODE_Q, 0x10},
        {SDL_SCANCODE_W, 0x11},
        {SDL_SCANCODE_SPACE, 0x39},
        {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},
        {SDL_SCANCODE_KP_8, 0x48},
        {SDL_SCANCODE_KP_4, 0x4B},
        {SDL_SCANCODE_KP_6, 0x4D},
        {SDL_SCANCODE_KP_2, 0x50},
        {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_F12, 0x58},
        {SDL_SCANCODE_RALT, 0xB8},
        {SDL_SCANCODE_INTERNATIONAL3, 0x7D},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    };
    for (const Pair& p : pairs) EXPECT_EQ(SdlScancodeToKeyCode(p.scancode), p.code) << p.scancode;
    EXPECT_EQ(SdlScancodeToKeyCode(SDL_SCANCODE_UNKNOWN), -1);
    EXPECT_EQ(SdlScancodeToKeyCode(-5), -1);
    EXPECT_EQ(SdlScancodeToKeyCode(100000), -1);
    // Both groups of the key table: letters, digits, arrows, punctuation,
    // editing keys, the numeric pad, modifiers, locks, navigation and F1-F12
    // all have codes, and no two keys share one except the two "]" positions.
    int seen[256] = {0};
    int mapped = 0;
    for (int sc = 0; sc < SDL_NUM_SCANCODES; sc++) {
        int code = SdlScancodeToKeyCode(sc);
        if (code < 0) continue;
        ASSERT_LT(code, 256);
        mapped++;
        if (sc != SDL_SCANCODE_NONUSHASH) EXPECT_EQ(seen[code]++, 0) << "code " << code;
    }
    EXPECT_GE(mapped, 72 + 27 - 1);
    const int tableCodes[] = {0x27, 0x92, 0x1A, 0x1B, 0x91, 0x2B, 0x33, 0x0C, 0x7D, 0x34, 0x35, 0xD3,
                              0x0E, 0x0F, 0x52, 0x37, 0x4E, 0x4A, 0x53, 0x2A, 0x36, 0x1D, 0x9D, 0xC9,
                              0xD1, 0xCF, 0xC7, 0xD2, 0x38, 0x46, 0x3A, 0xC5, 0x3B, 0x44, 0x57};
    for (int code : tableCodes) EXPECT_EQ(seen[code], 1) << "code " << code;
}

} // namespace
