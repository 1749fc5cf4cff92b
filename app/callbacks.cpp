// The GLUT callbacks and the OpenGL set-up. They stay thin: the rules and the
// key map live in plain functions (shell.cpp, game/).
#include <GL/glu.h>
#include <GL/freeglut.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/app.h"
#include "game/game.h"
#include "image/image.h"
#include "render/render.h"

namespace {

constexpr GLdouble fieldOfViewY = 45.0;
constexpr GLdouble nearPlane = 0.1;
constexpr GLdouble farPlane = 100.0;

std::chrono::steady_clock::time_point frameSlot;  // when the current frame may end

void setProjection(int width, int height) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfViewY, viewAspect(width, height), nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
}

// Sleeps until the frame's slot: frames follow at a steady rate and an idle
// machine is not kept busy drawing frames nobody sees.
void waitForFrameSlot() {
    frameSlot = nextFrameSlot(frameSlot, std::chrono::steady_clock::now());
    std::this_thread::sleep_until(frameSlot);
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
    // Behind an error box the screen stands still: nothing falls or clears.
    const bool still = errorBoxes.count > 0;
    switch (gameState.mode) {
    case ScreenMode::Menu:
        drawMenuScreen();
        break;
    case ScreenMode::Play:
        if (still) {
            holdDropTiming(std::chrono::steady_clock::now());
        } else {
            runDropTiming(std::chrono::steady_clock::now());
            resolveBoard();
        }
        drawPlayField();
        break;
    case ScreenMode::Highscores:
        drawHighscoreScreen();
        break;
    }
    if (still) drawErrorBox(errorBoxes.messages[0]);
    glutSwapBuffers();
    waitForFrameSlot();
}

void onReshape(int width, int height) {
    glViewport(0, 0, width, height == 0 ? 1 : height);
    setProjection(width, height);
    fitFontToWindow(height);
}

void onKeyboard(unsigned char key, int, int) {
    if (handleKeyboard(key) == KeyOutcome::Quit) quitGame();
}

void onSpecialKey(int key, int, int) {
    // GLUT puts the window back to its size and place on the second toggle.
    if (handleSpecialKey(key) == KeyOutcome::ToggleFullScreen) glutFullScreenToggle();
}

void onWindowStatus(int status) {
    // A hidden window draws nothing: without the idle callback the main loop
    // sleeps until the window shows again.
    const bool hidden = status == GLUT_HIDDEN || status == GLUT_FULLY_COVERED;
    glutIdleFunc(hidden ? nullptr : onDisplay);
    // The time it was hidden is no game time.
    if (!hidden) holdDropTiming(std::chrono::steady_clock::now());
}
