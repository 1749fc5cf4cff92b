// Entry of the drawing tests: opens a real 640 x 480 GLUT window (under the
// Xvfb the test runner starts), sets up OpenGL as the game does, runs the tests.
#include <GL/glut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/app.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Start-up loads the block images from the working directory; the tests
    // start from an empty one, so that every cube is untextured unless a test
    // loads images itself, wherever the binary is run from.
    std::string directory = ::testing::TempDir() + "gl_tests.XXXXXX";
    if (mkdtemp(directory.data()) == nullptr || chdir(directory.c_str()) != 0) {
        std::perror("gl_tests: empty working directory");
        return 1;
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitWindowPosition(0, 0);
    gameState.window = glutCreateWindow(windowTitle);
    initGraphics(windowWidth, windowHeight);
    onReshape(windowWidth, windowHeight);
    const int status = RUN_ALL_TESTS();
    rmdir(directory.c_str());
    return status;
}
