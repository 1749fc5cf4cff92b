// The program entry: seeds the generator, opens the window, hands control to GLUT.
#include <GL/glut.h>

#include <cstdlib>
#include <ctime>

#include "app/app.h"
#include "game/game.h"

int main(int argc, char** argv) {
    prepareProcess();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    // glutInit takes GLUT's own options and, without a display, ends the
    // process with its own message.
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitWindowPosition(0, 0);
    gameState.window = glutCreateWindow(windowTitle);

    glutDisplayFunc(onDisplay);
    glutIdleFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKey);

    // Frames are paced by the game itself (onDisplay).
    turnOffSwapSync();
    initGraphics(windowWidth, windowHeight);
    spawnPiece();
    glutMainLoop();
    return EXIT_SUCCESS;
}
