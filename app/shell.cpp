// The shell's plain functions: the key map and the error boxes. No OpenGL:
// the GLUT callbacks call these.
#include <GL/freeglut_std.h>  // only for the GLUT_KEY_* codes

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "game/game.h"
#include "scores/scores.h"

GameState gameState;
ErrorBoxQueue errorBoxes;

namespace {

void handleMenuEnter() {
    switch (gameState.menuSelection) {
    case menuStart:
        startGame();
        break;
    case menuHighscores:
        enteringName = false;
        gameState.mode = ScreenMode::Highscores;
        break;
    default:
        break;
    }
}

void handlePlayKey(unsigned char key) {
    switch (key) {
    case 'a': case 'A':
        cycleKindsUp();
        break;
    case 's': case 'S':
        cycleKindsDown();
        break;
    case 'p': case 'P':
        gameState.paused = !gameState.paused;
        break;
    case 'h': case 'H':  // straight from the front
        gameState.pitch = 0.0f;
        gameState.yaw = 0.0f;
        break;
    case 'd': case 'D':  // from above
        gameState.pitch = diagonalPitch;
        gameState.yaw = 0.0f;
        break;
    case 'v': case 'V':  // from the side
        gameState.pitch = sideViewPitch;
        gameState.yaw = sideViewYaw;
        break;
    default:
        break;
    }
}

void handlePlaySpecialKey(int key) {
    switch (key) {
    case GLUT_KEY_LEFT:
        movePieceLeft();
        break;
    case GLUT_KEY_RIGHT:
        movePieceRight();
        break;
    case GLUT_KEY_DOWN:  // a step of its own: the drop counter is left alone
        stepPiece();
        break;
    case GLUT_KEY_UP:  // throws the piece away for a new one
        spawnPiece();
        break;
    case GLUT_KEY_PAGE_UP:
        gameState.pitch += viewStep;
        break;
    case GLUT_KEY_PAGE_DOWN:
        gameState.pitch -= viewStep;
        break;
    case GLUT_KEY_HOME:
        gameState.yaw -= viewStep;
        break;
    case GLUT_KEY_END:
        gameState.yaw += viewStep;
        break;
    default:
        break;
    }
}

}  // namespace

void startGame() {
    // The piece is not respawned: the last game's piece falls again from
    // where it stopped. Pause, counter and view carry over too.
    clearBoard();
    gameState.dropInterval = startDropInterval;
    gameState.score = 0;
    gameState.clearedCount = 0;
    gameState.mode = ScreenMode::Play;
}

KeyOutcome handleKeyboard(unsigned char key) {
    if (key == keyEscape) return KeyOutcome::Quit;
    if (errorBoxes.count > 0) {
        // The box has the keyboard: Enter takes it away and does nothing else.
        if (key == keyEnter) dismissErrorBox();
        return KeyOutcome::Continue;
    }
    switch (gameState.mode) {
    case ScreenMode::Menu:
        if (key != keyEnter) break;
        if (gameState.menuSelection == menuExit) return KeyOutcome::Quit;
        handleMenuEnter();
        break;
    case ScreenMode::Play:
        handlePlayKey(key);
        break;
    case ScreenMode::Highscores:
        if (enteringName) {
            handleNameEntryKey(key);
        } else if (key == keyEnter) {
            gameState.mode = ScreenMode::Menu;
        }
        break;
    }
    return KeyOutcome::Continue;
}

KeyOutcome handleSpecialKey(int key) {
    if (key == GLUT_KEY_F11) return KeyOutcome::ToggleFullScreen;
    if (errorBoxes.count > 0) return KeyOutcome::Continue;
    switch (gameState.mode) {
    case ScreenMode::Menu:
        if (key == GLUT_KEY_UP && gameState.menuSelection > menuStart) --gameState.menuSelection;
        if (key == GLUT_KEY_DOWN && gameState.menuSelection < menuExit) ++gameState.menuSelection;
        break;
    case ScreenMode::Play:
        handlePlaySpecialKey(key);
        break;
    case ScreenMode::Highscores:
        break;
    }
    return KeyOutcome::Continue;
}

void queueErrorBox(const char* message) {
    if (errorBoxes.count == maxWaitingErrorBoxes) return;
    std::snprintf(errorBoxes.messages[errorBoxes.count], errorBoxMessageSize, "%s", message);
    ++errorBoxes.count;
}

void dismissErrorBox() {
    if (errorBoxes.count == 0) return;
    --errorBoxes.count;
    std::memmove(errorBoxes.messages[0], errorBoxes.messages[1], errorBoxes.count * errorBoxMessageSize);
}

double viewAspect(int width, int height) {
    return static_cast<double>(width) / (height == 0 ? 1 : height);
}
