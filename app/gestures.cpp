// Touch gestures: the fingers on the canvas read as taps, drags, flicks and
// two- and three-finger gestures, each acting as the key it stands for
// through the key map. No browser here: the page feeds these with its touch
// events, and the tests with recorded ones.
#include <GL/freeglut_std.h>  // only for the GLUT_KEY_* codes

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "app/app.h"
#include "game/game.h"
#include "render/render.h"

TouchState touches = {};

namespace {

// What the fingers do, as the gesture map names it.
enum class Gesture {
    Tap, TwoFingerTap, ThreeFingerTap,
    SlideLeft, SlideRight,  // one finger across, a column's width at a time
    PushDown,               // one finger down, a row's height at a time
    FlickDown, FlickUp,     // one finger leaving fast, up or down
    TurnLeft, TurnRight,    // two fingers across, a turn step at a time
    TiltUp, TiltDown,       // two fingers up or down, a turn step at a time
};

// What a gesture does: a key, or what no one key does.
enum class GestureAction {
    CharacterKey, SpecialKey,
    ChooseMenuItem,  // the item under the finger: Up or Down to it, then Enter
    PushPiece,       // Down once; a landing ends the gesture
    DropPiece,       // Down until the piece lands
    FocusNameInput,  // the page's text input takes the name
};

struct GestureMapping {
    PadContext context;
    Gesture gesture;
    GestureAction action;
    int key;  // the key of CharacterKey and SpecialKey
};

// The gesture map. A gesture not listed for a screen does nothing there.
// The view follows the fingers: the well turns about its top left cube, so
// fingers going left swing its right side back (End, as the yaw grows) and
// fingers going up swing its bottom back (Page Up, as the pitch grows).
constexpr GestureMapping gestureMap[] = {
    {PadContext::ErrorBox, Gesture::Tap, GestureAction::CharacterKey, keyEnter},
    {PadContext::Menu, Gesture::Tap, GestureAction::ChooseMenuItem, 0},
    {PadContext::Play, Gesture::Tap, GestureAction::CharacterKey, 'a'},
    {PadContext::Play, Gesture::TwoFingerTap, GestureAction::CharacterKey, 'p'},
    {PadContext::Play, Gesture::ThreeFingerTap, GestureAction::CharacterKey, 'h'},
    {PadContext::Play, Gesture::SlideLeft, GestureAction::SpecialKey, GLUT_KEY_LEFT},
    {PadContext::Play, Gesture::SlideRight, GestureAction::SpecialKey, GLUT_KEY_RIGHT},
    {PadContext::Play, Gesture::PushDown, GestureAction::PushPiece, 0},
    {PadContext::Play, Gesture::FlickDown, GestureAction::DropPiece, 0},
    {PadContext::Play, Gesture::FlickUp, GestureAction::SpecialKey, GLUT_KEY_UP},
    {PadContext::Play, Gesture::TurnLeft, GestureAction::SpecialKey, GLUT_KEY_END},
    {PadContext::Play, Gesture::TurnRight, GestureAction::SpecialKey, GLUT_KEY_HOME},
    {PadContext::Play, Gesture::TiltUp, GestureAction::SpecialKey, GLUT_KEY_PAGE_UP},
    {PadContext::Play, Gesture::TiltDown, GestureAction::SpecialKey, GLUT_KEY_PAGE_DOWN},
    {PadContext::NameEntry, Gesture::Tap, GestureAction::FocusNameInput, 0},
    {PadContext::Table, Gesture::Tap, GestureAction::CharacterKey, keyEnter},
};

// A bound on the steps one event takes, whatever the geometry says.
constexpr float mostStepsAnEvent = 1000.0f;

const GestureMapping* findGestureMapping(PadContext context, Gesture gesture) {
    for (const GestureMapping& mapping : gestureMap) {
        if (mapping.context == context && mapping.gesture == gesture) return &mapping;
    }
    return nullptr;
}

// The menu item whose band holds `y`, or -1.
int menuItemAt(const GestureGeometry& geometry, float y) {
    for (int item = menuStart; item <= menuExit; ++item) {
        if (y >= geometry.menuItems[item].top && y < geometry.menuItems[item].bottom) return item;
    }
    return -1;
}

// Moves the choice to `item` as Up and Down do, with their sounds, then takes it.
KeyOutcome chooseMenuItem(int item) {
    for (int step = menuStart; step < menuExit && gameState.menuSelection != item; ++step) {
        handleSpecialKey(gameState.menuSelection > item ? GLUT_KEY_UP : GLUT_KEY_DOWN);
    }
    return handleKeyboard(keyEnter);
}

// Presses Down; true when the piece landed, which leaves it anywhere but a
// row lower: a new piece at the top, or the game over.
bool pushLanded() {
    const std::int32_t top = piece.blocks[pieceTop].row;
    handleSpecialKey(GLUT_KEY_DOWN);
    return piece.blocks[pieceTop].row != top + 1;
}

// Presses Down until the piece lands. It falls at most the well's height
// before it does, so the loop ends.
void dropPiece() {
    for (int row = 0; row <= boardRows; ++row) {
        if (pushLanded()) return;
    }
}

// Does what `gesture` does on the gesture's screen, unless that screen is
// gone or the gesture spent; `y` is where a tap's finger went down.
void act(Gesture gesture, float y, const GestureGeometry& geometry, TouchOutcome& outcome) {
    if (padContext() != touches.context) touches.drag = TouchDrag::Spent;
    const GestureMapping* mapping = findGestureMapping(touches.context, gesture);
    if (touches.drag == TouchDrag::Spent || mapping == nullptr) return;
    KeyOutcome key = KeyOutcome::Continue;
    switch (mapping->action) {
    case GestureAction::CharacterKey:
        key = handleKeyboard(static_cast<unsigned char>(mapping->key));
        break;
    case GestureAction::SpecialKey:
        key = handleSpecialKey(mapping->key);
        break;
    case GestureAction::ChooseMenuItem: {
        const int item = menuItemAt(geometry, y);
        if (item < 0) return;
        key = chooseMenuItem(item);
        break;
    }
    case GestureAction::PushPiece:
        // The rest of the drag is not for the next piece.
        if (pushLanded()) touches.drag = TouchDrag::Spent;
        break;
    case GestureAction::DropPiece:
        dropPiece();
        break;
    case GestureAction::FocusNameInput:
        outcome.focusNameInput = true;
        break;
    }
    outcome.recognised = true;
    // The first gesture of a game shows the player knows them: the hint goes.
    if (touches.context == PadContext::Play) gameState.hintShown = false;
    if (outcome.key == KeyOutcome::Continue) outcome.key = key;
}

// Whole steps of `step` in `travel`, toward its sign; none for a step that
// is not a positive distance.
int wholeSteps(float travel, float step) {
    if (!(step > 0.0f) || !std::isfinite(travel)) return 0;
    return static_cast<int>(std::clamp(travel / step, -mostStepsAnEvent, mostStepsAnEvent));
}

// Acts `back` or `forward` once for each `step` the travel has gone from the
// anchor, either way, and moves the anchor by as many steps.
void followAxis(float travel, float& anchor, float step, Gesture back, Gesture forward,
                const GestureGeometry& geometry, TouchOutcome& outcome) {
    const int steps = wholeSteps(travel - anchor, step);
    anchor += static_cast<float>(steps) * step;
    for (int i = 0; i < std::abs(steps); ++i) act(steps < 0 ? back : forward, 0.0f, geometry, outcome);
}

int findFinger(long id) {
    for (int i = 0; i < touches.fingerCount; ++i) {
        if (touches.fingers[i].id == id) return i;
    }
    return -1;
}

void removeFinger(int index) {
    std::copy(touches.fingers + index + 1, touches.fingers + touches.fingerCount, touches.fingers + index);
    --touches.fingerCount;
}

int gestureFingersDown() {
    return static_cast<int>(std::count_if(touches.fingers, touches.fingers + touches.fingerCount,
                                          [](const TouchFinger& finger) { return finger.inGesture; }));
}

void recordTrail(float x, float y, double ms) {
    touches.trail[touches.trailNext] = {x, y, ms};
    touches.trailNext = (touches.trailNext + 1) % touchTrailLength;
    touches.trailLength = std::min(touches.trailLength + 1, touchTrailLength);
}

// The first finger down begins a gesture on the screen of the moment; one
// within touchFingersTogetherMs of it, before any drag, joins it.
void putFingerDown(const TouchPoint& point, double ms) {
    if (touches.fingerCount == maxTouchFingers || findFinger(point.id) >= 0) return;
    if (touches.fingerCount == 0) {
        touches = TouchState{};
        touches.context = padContext();
        touches.startMs = ms;
    }
    const bool joins = touches.drag == TouchDrag::Undecided && !touches.lifting &&
                       ms - touches.startMs <= touchFingersTogetherMs;
    touches.fingers[touches.fingerCount++] = {point.id, joins, ms, point.x, point.y, point.x, point.y};
    if (!joins) return;
    if (++touches.gestureFingers == 1) {
        touches.leadId = point.id;
        recordTrail(point.x, point.y, ms);
    }
}

void moveFinger(const TouchPoint& point, double ms) {
    const int index = findFinger(point.id);
    if (index < 0) return;
    TouchFinger& finger = touches.fingers[index];
    finger.x = point.x;
    finger.y = point.y;
    if (!finger.inGesture) return;
    if (std::hypot(finger.x - finger.startX, finger.y - finger.startY) > touchDragDistance) touches.tapSpoiled = true;
    if (point.id == touches.leadId) recordTrail(point.x, point.y, ms);
}

// The mean travel of the gesture's fingers down, each from where it went down.
void gestureTravel(float& x, float& y) {
    x = y = 0.0f;
    const int down = gestureFingersDown();
    for (int i = 0; i < touches.fingerCount && down > 0; ++i) {
        const TouchFinger& finger = touches.fingers[i];
        if (!finger.inGesture) continue;
        x += (finger.x - finger.startX) / static_cast<float>(down);
        y += (finger.y - finger.startY) / static_cast<float>(down);
    }
}

// The drag that travel past the drag distance starts: by one finger a slide
// or a push, by two a turn or a tilt, by the larger part of the travel.
TouchDrag dragFor(float x, float y) {
    const bool across = std::abs(x) > std::abs(y);
    if (touches.gestureFingers == 1) return across ? TouchDrag::Slide : TouchDrag::Push;
    if (touches.gestureFingers == 2) return across ? TouchDrag::Turn : TouchDrag::Tilt;
    return TouchDrag::Undecided;
}

// The gesture's fingers moved: a drag starts, or the one going on follows them.
void followFingers(const GestureGeometry& geometry, TouchOutcome& outcome) {
    if (touches.lifting || touches.gestureFingers == 0) return;
    float x, y;
    gestureTravel(x, y);
    if (touches.drag == TouchDrag::Undecided && std::hypot(x, y) > touchDragDistance) touches.drag = dragFor(x, y);
    switch (touches.drag) {
    case TouchDrag::Slide:
        followAxis(x, touches.anchorX, geometry.columnWidth, Gesture::SlideLeft, Gesture::SlideRight, geometry,
                   outcome);
        break;
    case TouchDrag::Push:
        // Only travel down pushes; the anchor comes up with the finger.
        touches.anchorY = std::min(touches.anchorY, y);
        followAxis(y, touches.anchorY, geometry.rowHeight, Gesture::PushDown, Gesture::PushDown, geometry, outcome);
        break;
    case TouchDrag::Turn:
        followAxis(x, touches.anchorX, turnStepDistance, Gesture::TurnLeft, Gesture::TurnRight, geometry, outcome);
        break;
    case TouchDrag::Tilt:
        followAxis(y, touches.anchorY, turnStepDistance, Gesture::TiltUp, Gesture::TiltDown, geometry, outcome);
        break;
    case TouchDrag::Undecided:
    case TouchDrag::Spent:
        break;
    }
}

// The flick the lead finger's last movement makes, ending at `ms`: its travel
// over the last flickWindowMs (from the last position it had before that
// window, where it is taken to have rested until the window began).
std::optional<Gesture> flickAt(double ms) {
    if (touches.trailLength < 2) return std::nullopt;
    const auto sample = [](int back) {
        return touches.trail[(touches.trailNext - 1 - back + touchTrailLength) % touchTrailLength];
    };
    const TouchSample end = sample(0);
    int from = touches.trailLength - 1;
    for (int back = 1; back < touches.trailLength; ++back) {
        if (sample(back).ms <= ms - flickWindowMs) {
            from = back;
            break;
        }
    }
    const TouchSample start = sample(from);
    const double span = ms - std::max(start.ms, ms - flickWindowMs);
    const float dx = end.x - start.x, dy = end.y - start.y;
    if (!(span > 0.0) || std::abs(dy) < flickShortestDistance || std::abs(dy) <= std::abs(dx) ||
        std::abs(dy) / span < flickSlowestSpeed) {
        return std::nullopt;
    }
    return dy > 0.0f ? Gesture::FlickDown : Gesture::FlickUp;
}

// The gesture's last finger is up at `ms`: a push may end in a flick, and
// fingers that never dragged make a tap.
void finishGesture(const TouchFinger& last, double ms, const GestureGeometry& geometry, TouchOutcome& outcome) {
    if (touches.drag == TouchDrag::Push) {
        if (const std::optional<Gesture> flick = flickAt(ms)) act(*flick, 0.0f, geometry, outcome);
    }
    if (touches.drag == TouchDrag::Undecided && !touches.tapSpoiled) {
        const Gesture taps[] = {Gesture::Tap, Gesture::TwoFingerTap, Gesture::ThreeFingerTap};
        if (touches.gestureFingers <= 3) act(taps[touches.gestureFingers - 1], last.startY, geometry, outcome);
    }
    touches.drag = TouchDrag::Spent;
}

void liftFinger(const TouchPoint& point, double ms, const GestureGeometry& geometry, TouchOutcome& outcome) {
    const int index = findFinger(point.id);
    if (index < 0) return;
    const TouchFinger finger = touches.fingers[index];
    removeFinger(index);
    if (!finger.inGesture) return;
    if (ms - finger.downMs > tapLongestMs) touches.tapSpoiled = true;
    touches.lifting = true;
    if (gestureFingersDown() == 0) finishGesture(finger, ms, geometry, outcome);
}

}  // namespace

TouchOutcome readTouchEvent(TouchPhase phase, const TouchPoint* changed, int count, double ms,
                            const GestureGeometry& geometry) {
    TouchOutcome outcome;
    if (touches.fingerCount > 0 && padContext() != touches.context) touches.drag = TouchDrag::Spent;
    for (int i = 0; i < count; ++i) {
        switch (phase) {
        case TouchPhase::Start:
            putFingerDown(changed[i], ms);
            break;
        case TouchPhase::Move:
        case TouchPhase::End:
            moveFinger(changed[i], ms);
            break;
        case TouchPhase::Cancel:
            if (findFinger(changed[i].id) >= 0) removeFinger(findFinger(changed[i].id));
            touches.drag = TouchDrag::Spent;
            break;
        }
    }
    if (phase == TouchPhase::Move || phase == TouchPhase::End) followFingers(geometry, outcome);
    for (int i = 0; i < count && phase == TouchPhase::End; ++i) liftFinger(changed[i], ms, geometry, outcome);
    return outcome;
}

void forgetTouches() { touches = TouchState{}; }

GestureGeometry gestureGeometry(float width, float height) {
    GestureGeometry geometry{};
    if (!(width > 0.0f) || !(height > 0.0f)) return geometry;
    // CSS pixels a unit spans `depth` units before the eye, across and up,
    // and the canvas row of a height `y` at that depth, in a screen's frame.
    const auto across = [width](const ViewFrame& frame, double depth) { return width / ((frame.right - frame.left) * depth); };
    const auto upward = [height](const ViewFrame& frame, double depth) { return height / ((frame.top - frame.bottom) * depth); };
    const auto row = [&](const ViewFrame& frame, double y, double depth) {
        return static_cast<float>((frame.top * depth - y) * upward(frame, depth));
    };
    const ViewFrame play = viewFrame(ScreenMode::Play, windowView);
    const double wellFront = -(fieldOriginZ + cubeHalfSize);
    geometry.columnWidth = static_cast<float>(columnSpacing * across(play, wellFront));
    geometry.rowHeight = static_cast<float>(rowSpacing * upward(play, wellFront));
    // The items' bands meet half-way between their texts: text stands above
    // its baseline, so each reaches a third of the spacing below it.
    const ViewFrame menu = viewFrame(ScreenMode::Menu, windowView);
    const float spacing = menuItemY[menuStart] - menuItemY[menuStart + 1];
    for (int item = menuStart; item <= menuExit; ++item) {
        const float bottom = fieldOriginY + menuItemY[item] - spacing / 3.0f;
        geometry.menuItems[item] = {row(menu, bottom + spacing, -screenOriginZ), row(menu, bottom, -screenOriginZ)};
    }
    return geometry;
}
