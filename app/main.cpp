// The program entry: answers --help and --version, checks for a display,
// seeds the generator, opens the window and hands control to GLUT.
#include <GL/glut.h>
#include <SDL_hints.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/app.h"
#include "game/game.h"
#include "sound/sound.h"

namespace {

// What the command line asks for besides GLUT's own options.
enum class Request { Play, Help, Version };

// The first help or version word decides; every other argument is GLUT's.
Request requestOf(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Request::Help;
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) return Request::Version;
    }
    return Request::Play;
}

constexpr char usage[] =
    "Usage: tessarine3d [GLUT options, such as -display NAME or -geometry WxH+X+Y]\n"
    "       tessarine3d --help | --version\n"
    "\n"
    "Tessarine 3D is a falling-block puzzle game drawn in 3D. Three blocks of one\n"
    "kind in a line, across, down or on a diagonal, vanish and score.\n"
    "\n"
    "Keys:\n"
    "  menu         Up, Down choose; Enter does what is chosen\n"
    "  play         Left, Right slide the piece; Down pushes it; Up replaces it;\n"
    "               a, s cycle its kinds; p pauses; h, d, v, Page Up, Page Down,\n"
    "               Home and End turn the view\n"
    "  high scores  type a name, Backspace, Enter\n"
    "  everywhere   F11 toggles full screen; M mutes the sound (at the name\n"
    "               prompt it is a letter); Enter takes an error box away;\n"
    "               Esc quits\n"
    "  The game pauses when its window loses the focus during play; p resumes.\n"
    "\n"
    "Game controllers: D-pad or left stick to choose, slide and push; up\n"
    "replaces the piece; A, B cycle its kinds; Start pauses (and takes a menu\n"
    "item or an error box, as A does); Back gives the front view; shoulders\n"
    "and triggers turn and tilt the view. At the name prompt up and down pick a\n"
    "character, right or A takes it, left or B removes one, Start enters the name.\n"
    "\n"
    "Files: the high scores \"scores.dat\" and the six block images block_*.bmp\n"
    "are in the working directory. The installed command starts the game in\n"
    "$XDG_DATA_HOME/tessarine3d (~/.local/share/tessarine3d), copying the images in.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  -V, --version  print the version and exit\n"
    "\n"
    "More in: man 6 tessarine3d\n";

}  // namespace

int main(int argc, char** argv) {
    switch (requestOf(argc, argv)) {
    case Request::Help:
        std::fputs(usage, stdout);
        return EXIT_SUCCESS;
    case Request::Version:
        std::printf("%s %s\n", programName, TESSARINE_VERSION);
        return EXIT_SUCCESS;
    case Request::Play:
        break;
    }
    // Without a display glutInit would end the process with a message of its own.
    if (!displayReachable(argc, argv)) return EXIT_FAILURE;

    prepareProcess();
    // SDL's own handlers would turn Ctrl-C and SIGTERM into events nobody
    // reads; without them the game ends on a signal as it always has.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    // Set before glutInit, so that GLUT's -geometry, which glutInit reads,
    // wins over them.
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitWindowPosition(0, 0);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    gameState.window = glutCreateWindow(windowTitle);
    nameWindow();

    // The window's own size, which -geometry may have changed (or the page's
    // layout), reaches the projection through the first reshape.
    initGraphics(windowWidth, windowHeight);
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    watchWindow();

    // Frames are drawn when the game asks for them, and a swap need not wait
    // for the monitor.
    turnOffSwapSync();
    spawnPiece();
    // The wall has its images before the first frame, also behind an error
    // box that start-up raised.
    readyMenuWall();
    watchMotionPreference();
    startSound();
    startControllers();
    // The first wake-up sets the menu going; from then on timers and keys wake the game.
    wakeGame();
    glutMainLoop();
    return EXIT_SUCCESS;
}
