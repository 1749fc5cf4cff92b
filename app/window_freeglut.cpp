// The desktops' window services, alike on Linux and Windows: freeglut tells
// the keys and the window's status and toggles full screen; the program ends
// at once; a desktop has nothing of the screen to follow.
#include <GL/freeglut.h>

#include <cstdlib>

#include "app/app.h"

void watchWindow() {
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKey);
    glutWindowStatusFunc(onWindowStatus);
}

// GLUT puts the window back to its size and place on the second toggle.
void toggleFullScreen() { glutFullScreenToggle(); }

void endProgram() { std::exit(EXIT_SUCCESS); }

void followScreen() {}
