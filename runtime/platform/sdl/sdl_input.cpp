// SDL controllers: up to eight joysticks or game controllers, opened as they are
// found and closed when pulled out, read into the input module's pad layout.
#include <SDL.h>
#include <stdio.h>
#include <string.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_pad_mappings.h"

namespace {

struct SdlPad {
    SDL_Joystick* joystick;         // always set for an open pad
    SDL_GameController* controller; // set when SDL knows a controller mapping
    SDL_JoystickID instance;        // SDL's id, stable while plugged in
    uint32_t serial;                // bumped when the state read differs
    PlatformPadState last;          // state of the last read
};

struct SdlPadService {
    int open;                      // PlatformOpenPads ran and SDL's subsystem is up
    int count;                     // pads in use
    SdlPad pads[PLATFORM_PAD_MAX]; // in the order found
};

SdlPadService s_sdlPads;

// Game-controller buttons in the order of the pad's button numbers 1..17.
const SDL_GameControllerButton kButtonOrder[] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_GUIDE,
    SDL_CONTROLLER_BUTTON_MISC1,
    SDL_CONTROLLER_BUTTON_PADDLE1,
    SDL_CONTROLLER_BUTTON_PADDLE2,
    SDL_CONTROLLER_BUTTON_PADDLE3,
    SDL_CONTROLLER_BUTTON_PADDLE4,
    SDL_CONTROLLER_BUTTON_TOUCHPAD,
};

uint32_t HatToPov(Uint8 hat) {
    switch (hat) {
        case SDL_HAT_UP:
            return 0;
        case SDL_HAT_RIGHTUP:
            return 4500;
        case SDL_HAT_RIGHT:
            return 9000;
        case SDL_HAT_RIGHTDOWN:
            return 13500;
        case SDL_HAT_DOWN:
            return 18000;
        case SDL_HAT_LEFTDOWN:
            return 22500;
        case SDL_HAT_LEFT:
            return 27000;
        case SDL_HAT_LEFTUP:
            return 31500;
        default:
            return 0xFFFFFFFFu;
    }
}

// Triggers rest at 0 and travel to 32767.
int ScaleTrigger(int raw) {
    if (raw <= 0) return 0;
    int scaled = raw * 1000 / 32767;
    return scaled > 1000 ? 1000 : scaled;
}

void ReadSdlPad(const SdlPad* pad, PlatformPadState* state) {
    memset(state, 0, sizeof *state);
    for (int i = 0; i < 4; i++) state->pov[i] = 0xFFFFFFFFu;
    if (pad->controller) {
        SDL_GameController* c = pad->controller;
        state->x = PlatformScaleAxis(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX));
        state->y = PlatformScaleAxis(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
        state->z = ScaleTrigger(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT));
        state->rx = PlatformScaleAxis(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX));
        state->ry = PlatformScaleAxis(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTY));
        state->rz = ScaleTrigger(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
        int up = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP);
        int down = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
        int left = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        int right = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        Uint8 hat =
            (up ? SDL_HAT_UP : 0) | (down ? SDL_HAT_DOWN : 0) | (left ? SDL_HAT_LEFT : 0) | (right ? SDL_HAT_RIGHT : 0);
        state->pov[0] = HatToPov(hat);
        // The pad bits read only the stick, so the D-pad steers it as well.
        if (left != right) state->x = left ? -1000 : 1000;
        if (up != down) state->y = up ? -1000 : 1000;
        for (size_t i = 0; i < sizeof kButtonOrder / sizeof kButtonOrder[0]; i++)
            if (SDL_GameControllerGetButton(c, kButtonOrder[i])) state->buttons[i] = 0x80;
        return;
    }
    SDL_Joystick* j = pad->joystick;
    int32_t* axes[6] = {&state->x, &state->y, &state->z, &state->rx, &state->ry, &state->rz};
    int axisCount = SDL_JoystickNumAxes(j);
    for (int i = 0; i < 6 && i < axisCount; i++) *axes[i] = PlatformScaleAxis(SDL_JoystickGetAxis(j, i));
    for (int i = 0; i < 2 && i + 6 < axisCount; i++)
        state->slider[i] = PlatformScaleAxis(SDL_JoystickGetAxis(j, i + 6));
    int hats = SDL_JoystickNumHats(j);
    for (int i = 0; i < 4 && i < hats; i++) state->pov[i] = HatToPov(SDL_JoystickGetHat(j, i));
    int buttons = SDL_JoystickNumButtons(j);
    for (int i = 0; i < 32 && i < buttons; i++)
        if (SDL_JoystickGetButton(j, i)) state->buttons[i] = 0x80;
}

void ClosePad(SdlPad* pad) {
    if (pad->controller) SDL_GameControllerClose(pad->controller);
    else if (pad->joystick) SDL_JoystickClose(pad->joystick);
    memset(pad, 0, sizeof *pad);
}

int HasInstance(SDL_JoystickID id) {
    for (int i = 0; i < s_sdlPads.count; i++)
        if (s_sdlPads.pads[i].instance == id) return 1;
    return 0;
}

// Drops pulled-out pads (closing the gap) and opens new ones. 1 when changed.
int Rescan(void) {
    int changed = 0;
    SDL_JoystickUpdate();
    for (int i = 0; i < s_sdlPads.count;) {
        if (SDL_JoystickGetAttached(s_sdlPads.pads[i].joystick)) {
            i++;
            continue;
        }
        ClosePad(&s_sdlPads.pads[i]);
        memmove(&s_sdlPads.pads[i], &s_sdlPads.pads[i + 1], sizeof(SdlPad) * (s_sdlPads.count - i - 1));
        s_sdlPads.count--;
        memset(&s_sdlPads.pads[s_sdlPads.count], 0, sizeof(SdlPad));
        changed = 1;
    }
    int devices = SDL_NumJoysticks();
    for (int d = 0; d < devices && s_sdlPads.count < PLATFORM_PAD_MAX; d++) {
        SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(d);
        if (id < 0 || HasInstance(id)) continue;
        SdlPad* pad = &s_sdlPads.pads[s_sdlPads.count];
        memset(pad, 0, sizeof *pad);
        if (SDL_IsGameController(d)) {
            pad->controller = SDL_GameControllerOpen(d);
            if (pad->controller) pad->joystick = SDL_GameControllerGetJoystick(pad->controller);
        }
        if (!pad->joystick) pad->joystick = SDL_JoystickOpen(d);
        if (!pad->joystick) continue;
        pad->instance = id;
        ReadSdlPad(pad, &pad->last);
        s_sdlPads.count++;
        changed = 1;
    }
    return changed;
}

} // namespace

void PlatformOpenPads(void) {
    if (s_sdlPads.open) return;
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) return;
    s_sdlPads.open = 1;
    s_sdlPads.count = 0;
    SdlLoadPadMappings();
    Rescan();
}

void PlatformClosePads(void) {
    if (!s_sdlPads.open) return;
    for (int i = 0; i < s_sdlPads.count; i++) ClosePad(&s_sdlPads.pads[i]);
    s_sdlPads.count = 0;
    s_sdlPads.open = 0;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
}

int PlatformUpdatePads(void) {
    if (!s_sdlPads.open) return 0;
    return Rescan();
}

int PlatformPadCount(void) {
    return s_sdlPads.open ? s_sdlPads.count : 0;
}

int PlatformPadNames(int index, char* name, int nameSize, char* product, int productSize) {
    if (!s_sdlPads.open || index < 0 || index >= s_sdlPads.count) return -1;
    const SdlPad* pad = &s_sdlPads.pads[index];
    const char* instanceName =
        pad->controller ? SDL_GameControllerName(pad->controller) : SDL_JoystickName(pad->joystick);
    const char* productName = SDL_JoystickName(pad->joystick);
    if (name && nameSize > 0) snprintf(name, nameSize, "%s", instanceName ? instanceName : "");
    if (product && productSize > 0) snprintf(product, productSize, "%s", productName ? productName : "");
    return 0;
}

int PlatformGetPadState(int index, PlatformPadState* state) {
    if (!state || !s_sdlPads.open || index < 0 || index >= s_sdlPads.count) return -1;
    SdlPad* pad = &s_sdlPads.pads[index];
    if (!SDL_JoystickGetAttached(pad->joystick)) return -1;
    ReadSdlPad(pad, state);
    if (memcmp(state, &pad->last, sizeof *state) != 0) {
        pad->last = *state;
        pad->serial++;
    }
    return 0;
}

uint32_t PlatformPadSerial(int index) {
    if (!s_sdlPads.open || index < 0 || index >= s_sdlPads.count) return 0;
    SdlPad* pad = &s_sdlPads.pads[index];
    PlatformPadState now;
    ReadSdlPad(pad, &now);
    if (memcmp(&now, &pad->last, sizeof now) != 0) {
        pad->last = now;
        pad->serial++;
    }
    return pad->serial;
}
