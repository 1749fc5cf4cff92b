// Game controllers through SDL's game-controller API, with its built-in
// mapping database (and SDL_GAMECONTROLLERCONFIG, as SDL reads it): opened
// as they come, closed as they go, their events turned into the presses of
// pads.cpp. SDL runs no loop of its own here: the frame loop polls it.
#include <SDL.h>

#include "app/app.h"

namespace {

// How often SDL is asked for news: often enough for play while a
// controller is connected, a few times a second to notice one come.
constexpr std::chrono::milliseconds pollWhileConnected{16};
constexpr std::chrono::milliseconds pollWhileNone{400};

bool started = false;
SDL_GameController* controllers[maxPads] = {};  // by the slot of `pads`

int slotOf(SDL_JoystickID id) {
    for (int slot = 0; slot < maxPads; ++slot) {
        if (controllers[slot] != nullptr &&
            SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controllers[slot])) == id) {
            return slot;
        }
    }
    return -1;
}

void openController(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    if (slotOf(SDL_JoystickGetDeviceInstanceID(deviceIndex)) >= 0) return;  // open already
    for (int slot = 0; slot < maxPads; ++slot) {
        if (controllers[slot] != nullptr) continue;
        controllers[slot] = SDL_GameControllerOpen(deviceIndex);
        if (controllers[slot] != nullptr) connectPad(slot);
        return;
    }
}

void closeController(SDL_JoystickID id) {
    const int slot = slotOf(id);
    if (slot < 0) return;
    SDL_GameControllerClose(controllers[slot]);
    controllers[slot] = nullptr;
    disconnectPad(slot);
}

// The game's button at SDL's standard-layout position, or false for one the game does not read.
bool padButtonOf(Uint8 sdlButton, PadButton& button) {
    static constexpr struct {
        SDL_GameControllerButton sdl;
        PadButton pad;
    } buttons[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, PadButton::Up},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PadButton::Down},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PadButton::Left},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PadButton::Right},
        {SDL_CONTROLLER_BUTTON_A, PadButton::A},
        {SDL_CONTROLLER_BUTTON_B, PadButton::B},
        {SDL_CONTROLLER_BUTTON_START, PadButton::Start},
        {SDL_CONTROLLER_BUTTON_BACK, PadButton::Back},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PadButton::LeftShoulder},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PadButton::RightShoulder},
    };
    for (const auto& entry : buttons) {
        if (entry.sdl == sdlButton) {
            button = entry.pad;
            return true;
        }
    }
    return false;
}

KeyOutcome moveAxis(const SDL_ControllerAxisEvent& axis, Clock::time_point now) {
    const int slot = slotOf(axis.which);
    if (slot < 0) return KeyOutcome::Continue;
    switch (axis.axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
    case SDL_CONTROLLER_AXIS_LEFTY:
        // The stick's direction needs both axes, whichever moved.
        return movePadStick(slot, SDL_GameControllerGetAxis(controllers[slot], SDL_CONTROLLER_AXIS_LEFTX),
                            SDL_GameControllerGetAxis(controllers[slot], SDL_CONTROLLER_AXIS_LEFTY), now);
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
        return movePadTrigger(slot, PadButton::LeftTrigger, axis.value, now);
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
        return movePadTrigger(slot, PadButton::RightTrigger, axis.value, now);
    default:
        return KeyOutcome::Continue;
    }
}

// One event: a controller come or gone always counts; buttons and axes only
// when `acting`.
KeyOutcome handleEvent(const SDL_Event& event, bool acting, Clock::time_point now) {
    PadButton button{};
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
        openController(event.cdevice.which);
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        closeController(event.cdevice.which);
        break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (acting && padButtonOf(event.cbutton.button, button)) {
            return setPadButton(slotOf(event.cbutton.which), button, event.type == SDL_CONTROLLERBUTTONDOWN, now);
        }
        break;
    case SDL_CONTROLLERAXISMOTION:
        if (acting) return moveAxis(event.caxis, now);
        break;
    default:
        break;
    }
    return KeyOutcome::Continue;
}

bool anyConnected() {
    for (SDL_GameController* controller : controllers) {
        if (controller != nullptr) return true;
    }
    return false;
}

}  // namespace

void startControllers() {
    // A machine where SDL cannot read controllers plays with the keyboard;
    // nothing is wrong with it, so nothing is said.
    started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

KeyOutcome pollControllers(Clock::time_point now, Wake& due) {
    if (!started) return KeyOutcome::Continue;
    // Input counts only while the game's window has the focus, as keys do: a
    // player whose focus went to another window or to none looked away (the
    // frame loop polls nothing while the window is hidden). The focus is
    // asked only when there is input.
    SDL_PumpEvents();
    const bool input = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERBUTTONUP) > 0;
    const bool acting = input && windowFocus() == WindowFocus::Ours;
    if (input && !acting) releasePads();
    KeyOutcome outcome = KeyOutcome::Continue;
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1) {
        const KeyOutcome eventOutcome = handleEvent(event, acting, now);
        if (outcome == KeyOutcome::Continue) outcome = eventOutcome;
    }
    due = now + (anyConnected() ? pollWhileConnected : pollWhileNone);
    return outcome;
}

void discardControllerInput() {
    if (!started) return;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERBUTTONUP);
    releasePads();
}
