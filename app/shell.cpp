// The shell's plain functions: the key map, the controller map beside it,
// the focus pause and the error boxes. No OpenGL: the GLUT callbacks call these.
#include <GL/freeglut_std.h>  // only for the GLUT_KEY_* codes

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "game/game.h"
#include "scores/scores.h"
#include "sound/sound.h"

GameState gameState;
ErrorBoxQueue errorBoxes;

namespace {

void handleMenuEnter() {
    switch (gameState.menuSelection) {
    case menuStart:
        cueSound(Sound::MenuChoose);
        startGame();
        break;
    case menuHighscores:
        cueSound(Sound::MenuChoose);
        enteringName = false;
        gameState.mode = ScreenMode::Highscores;
        break;
    default:
        break;
    }
}

bool isMuteKey(unsigned char key) { return key == 'm' || key == 'M'; }

// Moves the menu's choice by `step`, within its items.
void moveMenuSelection(int step) {
    const std::int32_t selection = std::clamp(gameState.menuSelection + step, menuStart, menuExit);
    if (selection == gameState.menuSelection) return;
    gameState.menuSelection = selection;
    cueSound(Sound::MenuMove);
}

// Slides the piece, with its sound when it moved.
void slidePiece(void (*move)()) {
    const std::int32_t column = piece.blocks[pieceTop].column;
    move();
    if (piece.blocks[pieceTop].column != column) cueSound(Sound::Slide);
}

void handlePlayKey(unsigned char key) {
    switch (key) {
    case 'a': case 'A':
        cycleKindsUp();
        cueSound(Sound::Cycle);
        break;
    case 's': case 'S':
        cycleKindsDown();
        cueSound(Sound::Cycle);
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
        slidePiece(movePieceLeft);
        break;
    case GLUT_KEY_RIGHT:
        slidePiece(movePieceRight);
        break;
    case GLUT_KEY_DOWN:  // a step of its own: the drop counter is left alone
        stepPiece();
        break;
    case GLUT_KEY_UP:  // throws the piece away for a new one
        spawnPiece();
        cueSound(Sound::Replace);
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
    gameState.hintShown = gameState.hintPending;
    gameState.hintPending = false;
    gameState.hintEnds.reset();
}

KeyOutcome handleKeyboard(unsigned char key) {
    if (key == keyEscape) return KeyOutcome::Quit;
    if (errorBoxes.count > 0) {
        // The box has the keyboard: Enter takes it away and does nothing else;
        // Esc (above) and F11 (a special key) still act.
        if (key == keyEnter) dismissErrorBox();
        return KeyOutcome::Continue;
    }
    // At the name prompt M is a character of the name; elsewhere it mutes.
    if (gameState.mode == ScreenMode::Highscores && enteringName) {
        handleNameEntryKey(key);
        return KeyOutcome::Continue;
    }
    if (isMuteKey(key)) return KeyOutcome::ToggleMute;
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
        if (key == keyEnter) gameState.mode = ScreenMode::Menu;
        break;
    }
    return KeyOutcome::Continue;
}

KeyOutcome handleSpecialKey(int key) {
    if (key == GLUT_KEY_F11) return KeyOutcome::ToggleFullScreen;
    if (errorBoxes.count > 0) return KeyOutcome::Continue;
    switch (gameState.mode) {
    case ScreenMode::Menu:
        if (key == GLUT_KEY_UP) moveMenuSelection(-1);
        if (key == GLUT_KEY_DOWN) moveMenuSelection(+1);
        break;
    case ScreenMode::Play:
        handlePlaySpecialKey(key);
        break;
    case ScreenMode::Highscores:
        break;
    }
    return KeyOutcome::Continue;
}

namespace {

// What a controller's button does: the action of a key, or a step of the
// arcade-style name entry (a pending character at the cursor).
enum class PadAction { CharacterKey, SpecialKey, NextCharacter, PreviousCharacter, TakeCharacter, TakeAndEnter };

struct PadMapping {
    PadContext context;
    PadButton button;
    PadAction action;
    int key;       // the key of CharacterKey and SpecialKey
    bool repeats;  // held, it acts again as a held key does
};

// The controller map, by the standard layout's positions. A button not
// listed for a context does nothing there; no button quits (the menu's Exit does).
constexpr PadMapping padMap[] = {
    {PadContext::ErrorBox, PadButton::A, PadAction::CharacterKey, keyEnter, false},
    {PadContext::ErrorBox, PadButton::Start, PadAction::CharacterKey, keyEnter, false},
    {PadContext::Menu, PadButton::Up, PadAction::SpecialKey, GLUT_KEY_UP, false},
    {PadContext::Menu, PadButton::Down, PadAction::SpecialKey, GLUT_KEY_DOWN, false},
    {PadContext::Menu, PadButton::A, PadAction::CharacterKey, keyEnter, false},
    {PadContext::Menu, PadButton::Start, PadAction::CharacterKey, keyEnter, false},
    {PadContext::Play, PadButton::Left, PadAction::SpecialKey, GLUT_KEY_LEFT, true},
    {PadContext::Play, PadButton::Right, PadAction::SpecialKey, GLUT_KEY_RIGHT, true},
    {PadContext::Play, PadButton::Down, PadAction::SpecialKey, GLUT_KEY_DOWN, true},
    {PadContext::Play, PadButton::Up, PadAction::SpecialKey, GLUT_KEY_UP, false},
    {PadContext::Play, PadButton::A, PadAction::CharacterKey, 'a', false},
    {PadContext::Play, PadButton::B, PadAction::CharacterKey, 's', false},
    {PadContext::Play, PadButton::Start, PadAction::CharacterKey, 'p', false},
    {PadContext::Play, PadButton::Back, PadAction::CharacterKey, 'h', false},
    {PadContext::Play, PadButton::LeftShoulder, PadAction::SpecialKey, GLUT_KEY_HOME, true},
    {PadContext::Play, PadButton::RightShoulder, PadAction::SpecialKey, GLUT_KEY_END, true},
    {PadContext::Play, PadButton::LeftTrigger, PadAction::SpecialKey, GLUT_KEY_PAGE_UP, true},
    {PadContext::Play, PadButton::RightTrigger, PadAction::SpecialKey, GLUT_KEY_PAGE_DOWN, true},
    {PadContext::NameEntry, PadButton::Up, PadAction::NextCharacter, 0, true},
    {PadContext::NameEntry, PadButton::Down, PadAction::PreviousCharacter, 0, true},
    {PadContext::NameEntry, PadButton::Right, PadAction::TakeCharacter, 0, false},
    {PadContext::NameEntry, PadButton::A, PadAction::TakeCharacter, 0, false},
    {PadContext::NameEntry, PadButton::Left, PadAction::CharacterKey, keyBackspace, false},
    {PadContext::NameEntry, PadButton::B, PadAction::CharacterKey, keyBackspace, false},
    {PadContext::NameEntry, PadButton::Start, PadAction::TakeAndEnter, 0, false},
    {PadContext::Table, PadButton::A, PadAction::CharacterKey, keyEnter, false},
    {PadContext::Table, PadButton::Start, PadAction::CharacterKey, keyEnter, false},
};

const PadMapping* findPadMapping(PadContext context, PadButton button) {
    for (const PadMapping& mapping : padMap) {
        if (mapping.context == context && mapping.button == button) return &mapping;
    }
    return nullptr;
}

}  // namespace

PadContext padContext() {
    if (errorBoxes.count > 0) return PadContext::ErrorBox;
    switch (gameState.mode) {
    case ScreenMode::Menu:
        return PadContext::Menu;
    case ScreenMode::Play:
        return PadContext::Play;
    case ScreenMode::Highscores:
        break;
    }
    return enteringName ? PadContext::NameEntry : PadContext::Table;
}

bool padButtonRepeats(PadContext context, PadButton button) {
    const PadMapping* mapping = findPadMapping(context, button);
    return mapping != nullptr && mapping->repeats;
}

KeyOutcome actOnPadButton(PadButton button) {
    const PadMapping* mapping = findPadMapping(padContext(), button);
    if (mapping == nullptr) return KeyOutcome::Continue;
    switch (mapping->action) {
    case PadAction::CharacterKey:
        return handleKeyboard(static_cast<unsigned char>(mapping->key));
    case PadAction::SpecialKey:
        return handleSpecialKey(mapping->key);
    case PadAction::NextCharacter:
        stepPendingCharacter(+1);
        break;
    case PadAction::PreviousCharacter:
        stepPendingCharacter(-1);
        break;
    case PadAction::TakeCharacter:
        takePendingCharacter();
        break;
    case PadAction::TakeAndEnter:
        if (pendingCharacter != '\0') takePendingCharacter();
        handleNameEntryKey(keyEnter);
        break;
    }
    return KeyOutcome::Continue;
}

void noteWindowFocus(WindowFocus focus) {
    const bool ours = focus == WindowFocus::Ours;
    if (!ours && gameState.hadFocus && gameState.mode == ScreenMode::Play) gameState.paused = true;
    gameState.hadFocus = ours;
}

void queueErrorBox(const char* message) {
    if (errorBoxes.count == maxWaitingErrorBoxes) return;
    std::snprintf(errorBoxes.messages[errorBoxes.count], errorBoxMessageSize, "%s", message);
    ++errorBoxes.count;
    cueSound(Sound::ErrorBox);
}

void dismissErrorBox() {
    if (errorBoxes.count == 0) return;
    --errorBoxes.count;
    std::memmove(errorBoxes.messages[0], errorBoxes.messages[1], errorBoxes.count * errorBoxMessageSize);
}
