// Game controllers as the map sees them: each controller's held buttons,
// its stick and triggers turned into buttons with some slack, and the
// repeats of what is held. No SDL here: the platform's reader feeds these.
#include <cstdlib>

#include "app/app.h"

PadState pads[maxPads] = {};

namespace {

constexpr int directionCount = 4;  // Up, Down, Left, Right: the first four buttons

bool isDirection(PadButton button) { return static_cast<int>(button) < directionCount; }

// A button the map sees go down acts at once, and starts its repeat.
KeyOutcome setHeld(PadState& pad, PadButton button, bool down, Clock::time_point now) {
    const auto i = static_cast<std::size_t>(button);
    if (pad.held[i] == down) return KeyOutcome::Continue;
    pad.held[i] = down;
    if (!down) return KeyOutcome::Continue;
    pad.pressedIn[i] = padContext();
    pad.nextRepeat[i] = now + padRepeatDelay;
    return actOnPadButton(button);
}

// A direction is held while the D-pad or the stick holds it.
KeyOutcome updateDirection(PadState& pad, int direction, Clock::time_point now) {
    if (direction == noPadDirection) return KeyOutcome::Continue;
    const bool down = pad.dpad[direction] || pad.stick == direction;
    return setHeld(pad, static_cast<PadButton>(direction), down, now);
}

// The stick's direction: the larger axis decides, past half its travel;
// a direction held stays so until its own axis comes back below a quarter.
int stickDirection(int x, int y, int held) {
    const bool across = std::abs(x) > std::abs(y);
    const int travel = across ? x : y;
    if (std::abs(travel) > padPressTravel) {
        const PadButton button = across ? (x < 0 ? PadButton::Left : PadButton::Right)
                                        : (y < 0 ? PadButton::Up : PadButton::Down);
        return static_cast<int>(button);
    }
    const int along[directionCount] = {-y, y, -x, x};  // toward Up, Down, Left, Right
    if (held != noPadDirection && along[held] >= padReleaseTravel) return held;
    return noPadDirection;
}

KeyOutcome firstNotContinue(KeyOutcome a, KeyOutcome b) { return a != KeyOutcome::Continue ? a : b; }

bool validPad(int pad) { return pad >= 0 && pad < maxPads && pads[pad].connected; }

}  // namespace

KeyOutcome setPadButton(int pad, PadButton button, bool down, Clock::time_point now) {
    if (!validPad(pad)) return KeyOutcome::Continue;
    PadState& state = pads[pad];
    if (!isDirection(button)) return setHeld(state, button, down, now);
    state.dpad[static_cast<int>(button)] = down;
    return updateDirection(state, static_cast<int>(button), now);
}

KeyOutcome movePadStick(int pad, int x, int y, Clock::time_point now) {
    if (!validPad(pad)) return KeyOutcome::Continue;
    PadState& state = pads[pad];
    const int before = state.stick;
    state.stick = stickDirection(x, y, before);
    if (state.stick == before) return KeyOutcome::Continue;
    const KeyOutcome released = updateDirection(state, before, now);
    return firstNotContinue(released, updateDirection(state, state.stick, now));
}

KeyOutcome movePadTrigger(int pad, PadButton trigger, int travel, Clock::time_point now) {
    if (!validPad(pad)) return KeyOutcome::Continue;
    PadState& state = pads[pad];
    const bool held = state.held[static_cast<std::size_t>(trigger)];
    return setHeld(state, trigger, held ? travel >= padReleaseTravel : travel > padPressTravel, now);
}

Wake repeatPadButtons(Clock::time_point now) {
    Wake next;
    const PadContext context = padContext();
    for (PadState& pad : pads) {
        if (!pad.connected) continue;
        for (std::size_t i = 0; i < padButtonCount; ++i) {
            const auto button = static_cast<PadButton>(i);
            // A button held across a change of screen does not go on there.
            if (!pad.held[i] || pad.pressedIn[i] != context || !padButtonRepeats(context, button)) continue;
            if (pad.nextRepeat[i] <= now) {
                actOnPadButton(button);
                pad.nextRepeat[i] += padRepeatPeriod;
                // Not the clocks' catch-up rule: at most one repeat a wake-up,
                // so that a stall never jumps a held piece several columns.
                if (pad.nextRepeat[i] <= now) pad.nextRepeat[i] = now + padRepeatPeriod;
            }
            if (!next || pad.nextRepeat[i] < *next) next = pad.nextRepeat[i];
        }
    }
    return next;
}

void connectPad(int pad) {
    if (pad < 0 || pad >= maxPads) return;
    pads[pad] = PadState{};
    pads[pad].connected = true;
}

void disconnectPad(int pad) {
    if (pad < 0 || pad >= maxPads) return;
    pads[pad] = PadState{};
    if (gameState.mode == ScreenMode::Play) gameState.paused = true;
}

void releasePads() {
    for (PadState& pad : pads) {
        const bool connected = pad.connected;
        pad = PadState{};
        pad.connected = connected;
    }
}
