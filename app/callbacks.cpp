// The GLUT callbacks, the wake-ups and the OpenGL set-up. They stay thin: the
// rules, the key map and what moves by the clock live in plain functions
// (game/, shell.cpp, pacing.cpp).
#include <GL/glut.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>

#include "app/app.h"
#include "game/game.h"
#include "image/image.h"
#include "render/render.h"
#include "sound/sound.h"

namespace {

constexpr GLdouble nearPlane = 0.1;
constexpr GLdouble farPlane = 100.0;

// How often a running game looks where the keyboard focus is.
constexpr std::chrono::milliseconds focusLookPeriod{250};

bool windowHidden = false;                 // hidden or fully covered: no time passes, nothing is drawn
Wake pendingWake;                          // when the GLUT timer last set will fire
Wake nextFocusLook;                        // while a running game watches the focus
int wakeGeneration = 0;                    // the value that timer carries; older timers do nothing
bool quitting = false;                     // the way out was taken: nothing moves or is drawn any more

// The perspective of the current screen's frame in the window.
void setProjection() {
    const ViewFrame frame = viewFrame(gameState.mode, windowView);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(frame.left * nearPlane, frame.right * nearPlane, frame.bottom * nearPlane, frame.top * nearPlane,
              nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
}

// Takes the window's new size; a height of 0 counts as 1.
void noteWindowSize(int width, int height) {
    windowView.width = std::max(width, 1);
    windowView.height = std::max(height, 1);
}

void onWakeTimer(int generation) {
    if (generation != wakeGeneration) return;  // a later wake-up took its place
    pendingWake.reset();
    wakeGame();
}

// Sets a GLUT timer for `due`, unless one is set for that time or earlier
// already: that one wakes the game, which sets the next. GLUT's timers
// count whole milliseconds, so the delay is rounded up: a wake-up never
// comes before what it is for.
void scheduleWake(Wake due, Clock::time_point now) {
    if (!due || (pendingWake && *pendingWake <= *due)) return;
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
    pendingWake = due;
    glutTimerFunc(static_cast<unsigned>(std::max<std::chrono::milliseconds::rep>(delay.count(), 0)), onWakeTimer,
                  ++wakeGeneration);
}

// A running game looks where the focus is a few times a second: the focus
// gone from its window pauses it. A look afresh each time it starts
// running, so that only a focus it had and lost counts.
Wake watchFocus(Clock::time_point now) {
    if (gameState.mode != ScreenMode::Play || gameState.paused || errorBoxes.count > 0) {
        nextFocusLook.reset();
        return std::nullopt;
    }
    if (!nextFocusLook) gameState.hadFocus = false;
    if (!nextFocusLook || *nextFocusLook <= now) {
        noteWindowFocus(windowFocus());
        nextFocusLook = now + focusLookPeriod;
    }
    return nextFocusLook;
}

// Hands the cued sounds to the device; pauses it once all has played out.
Wake playCuedSounds(Clock::time_point now) {
    const std::uint32_t cued = takeCuedSounds();
    for (int sound = 0; sound < soundCount; ++sound) {
        if ((cued >> sound & 1u) != 0) playSound(static_cast<Sound>(sound));
    }
    pauseSoundWhenIdle(now);
    return soundPauseDue();
}

// The font falls back at most once in a run: the fallback has one size,
// which no window asks to change.
void reportFontFallback(const std::string& why) {
    if (!why.empty()) reportError(why.c_str());
}

// The one way out of the program besides closing the window (in a page the
// program ends once the callback that asked has returned).
void quitGame() {
    quitting = true;
    deleteFont();
    glutDestroyWindow(gameState.window);
    endProgram();
}

// What a key or a button asks beyond the state: the way out, full screen, mute.
void followOutcome(KeyOutcome outcome) {
    switch (outcome) {
    case KeyOutcome::Continue:
        break;
    case KeyOutcome::Quit:
        quitGame();
        break;
    case KeyOutcome::ToggleFullScreen:
        toggleFullScreen();
        break;
    case KeyOutcome::ToggleMute:
        toggleMute();
        break;
    }
}

}  // namespace

void initGraphics(int width, int height) {
    // Texture images come as tightly packed rows.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    loadBlockTextures();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    setDrawingBaseline();
    gameState.mode = ScreenMode::Menu;
    noteWindowSize(width, height);
    setProjection();
    reportFontFallback(buildFont(glyphPixelsFor(textPictureHeight(windowView))));
}

void drawFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setProjection();
    switch (gameState.mode) {
    case ScreenMode::Menu:
        drawMenuScreen();
        break;
    case ScreenMode::Play:
        drawPlayField();
        break;
    case ScreenMode::Highscores:
        drawHighscoreScreen();
        break;
    }
    if (errorBoxes.count > 0) drawErrorBox(errorBoxes.messages[0]);
}

void onDisplay() {
    if (quitting) return;
    drawFrame();
    glutSwapBuffers();
}

void wakeGame() {
    if (windowHidden || quitting) return;
    const Clock::time_point now = Clock::now();
    followMotionPreference();
    Wake controllerPoll;
    followOutcome(pollControllers(now, controllerPoll));
    Wake due = earliestWake(advanceGame(now), controllerPoll);
    due = earliestWake(due, repeatPadButtons(now));
    due = earliestWake(due, watchFocus(now));
    due = earliestWake(due, playCuedSounds(now));
    followScreen();
    if (pictureChanged()) glutPostRedisplay();
    scheduleWake(due, now);
}

void onReshape(int width, int height) {
    noteWindowSize(width, height);
    glViewport(0, 0, windowView.width, windowView.height);
    setProjection();
    reportFontFallback(fitFontToWindow(textPictureHeight(windowView)));
    glutPostRedisplay();
}

TouchOutcome onTouch(TouchPhase phase, const TouchPoint* changed, int count, double ms,
                     const GestureGeometry& geometry) {
    const TouchOutcome outcome = readTouchEvent(phase, changed, count, ms, geometry);
    followOutcome(outcome.key);
    wakeGame();
    return outcome;
}

void onKeyboard(unsigned char key, int, int) {
    followOutcome(handleKeyboard(key));
    wakeGame();
}

void onSpecialKey(int key, int, int) {
    followOutcome(handleSpecialKey(key));
    wakeGame();
}

void onWindowStatus(int status) {
    windowHidden = status == GLUT_HIDDEN || status == GLUT_FULLY_COVERED;
    if (windowHidden) {
        // A window hidden from a player who had it is a player looking away.
        noteWindowFocus(WindowFocus::Nobody);
        return;
    }
    // The time it was hidden is no game time, nor what the controllers did;
    // what shows again is drawn afresh.
    holdGameTime(Clock::now());
    discardControllerInput();
    glutPostRedisplay();
    wakeGame();
}
