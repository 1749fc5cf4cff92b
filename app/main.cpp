// The program entry: seeds the generator, opens the window, hands control to GLUT.
#include <GL/glut.h>
#include <GL/glx.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/app.h"
#include "game/game.h"

namespace {

// True when the space-separated list names the extension exactly.
bool hasExtension(const char* list, const char* name) {
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

// Frames are paced by the game itself; a swap that also waits for the
// monitor's refresh would halve the pace on a 60 Hz screen. Drivers without
// a swap-control extension (Xvfb has none) are left as they are: calling the
// entry point there unchecked crashes.
void turnOffSwapSync() {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) return;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (extensions == nullptr) return;
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        const auto swapInterval = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(
            glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (swapInterval != nullptr) swapInterval(display, glXGetCurrentDrawable(), 0);
    } else if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        const auto swapInterval = reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(
            glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (swapInterval != nullptr) swapInterval(0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    // glutInit takes GLUT's own options and, without a display, ends the
    // process with its own message.
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitWindowPosition(0, 0);
    gameState.window = glutCreateWindow(windowTitle);

    glutDisplayFunc(onDisplay);
    glutTimerFunc(timerPeriodMs, onTimer, 1);
    glutIdleFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKey);

    turnOffSwapSync();
    initGraphics(windowWidth, windowHeight);
    spawnPiece();
    glutMainLoop();
    return EXIT_SUCCESS;
}
