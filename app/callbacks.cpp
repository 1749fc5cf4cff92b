// The GLUT callbacks, the wake-ups and the OpenGL set-up. They stay thin: the
// rules, the key map and what moves by the clock live in plain functions
// (game/, shell.cpp, pacing.cpp).
#include <GL/glu.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>

#include "app/app.h"
#include "game/game.h"
#include "image/image.h"
#include "render/render.h"

namespace {

constexpr GLdouble fieldOfViewY = 45.0;
constexpr GLdouble nearPlane = 0.1;
constexpr GLdouble farPlane = 100.0;

using Clock = std::chrono::steady_clock;

bool windowHidden = false;                 // hidden or fully covered: no time passes, nothing is drawn
std::optional<Clock::time_point> pendingWake;  // when the GLUT timer last set will fire
int wakeGeneration = 0;                    // the value that timer carries; older timers do nothing

void setProjection(int width, int height) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfViewY, viewAspect(width, height), nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
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
void scheduleWake(std::optional<Clock::time_point> due, Clock::time_point now) {
    if (!due || (pendingWake && *pendingWake <= *due)) return;
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
    pendingWake = due;
    glutTimerFunc(static_cast<unsigned>(std::max<std::chrono::milliseconds::rep>(delay.count(), 0)), onWakeTimer,
                  ++wakeGeneration);
}

// The one way out of the program besides closing the window.
[[noreturn]] void quitGame() {
    deleteFont();
    glutDestroyWindow(gameState.window);
    std::exit(EXIT_SUCCESS);
}

}  // namespace

void initGraphics(int width, int height) {
    // Texture images come as tightly packed rows.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    loadBlockTextures();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    // LEQUAL lets a piece block and a board block in the same cell both show.
    glDepthFunc(GL_LEQUAL);
    // Every cube is closed and its faces wind counter-clockwise seen from
    // outside: the faces turned away are hidden anyway, and the software
    // renderer would pay for their pixels.
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    setProjection(width, height);
    buildFont(GlyphPath::Quads, glyphPixelsFor(height));
    gameState.mode = ScreenMode::Menu;
}

void onDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
    glutSwapBuffers();
}

void wakeGame() {
    if (windowHidden) return;
    const Clock::time_point now = Clock::now();
    const std::optional<Clock::time_point> due = advanceGame(now);
    if (pictureChanged()) glutPostRedisplay();
    scheduleWake(due, now);
}

void onReshape(int width, int height) {
    glViewport(0, 0, width, height == 0 ? 1 : height);
    setProjection(width, height);
    fitFontToWindow(height);
    glutPostRedisplay();
}

void onKeyboard(unsigned char key, int, int) {
    if (handleKeyboard(key) == KeyOutcome::Quit) quitGame();
    wakeGame();
}

void onSpecialKey(int key, int, int) {
    // GLUT puts the window back to its size and place on the second toggle.
    if (handleSpecialKey(key) == KeyOutcome::ToggleFullScreen) glutFullScreenToggle();
    wakeGame();
}

void onWindowStatus(int status) {
    windowHidden = status == GLUT_HIDDEN || status == GLUT_FULLY_COVERED;
    if (windowHidden) return;
    // The time it was hidden is no game time; what shows again is drawn afresh.
    holdGameTime(Clock::now());
    glutPostRedisplay();
    wakeGame();
}
