// Entry of the drawing tests: opens a real 640 x 480 GLUT window (under the
// Xvfb the test runner starts), sets up OpenGL as the game does, runs the tests.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include "app/app.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitWindowPosition(0, 0);
    gameState.window = glutCreateWindow(windowTitle);
    initGraphics(windowWidth, windowHeight);
    onReshape(windowWidth, windowHeight);
    return RUN_ALL_TESTS();
}
