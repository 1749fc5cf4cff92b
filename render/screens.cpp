// The menu with its spinning wall of cubes, the score line and the high
// score table with its name prompt.
#include <cstdlib>

#include "app/app.h"
#include "render/render.h"
#include "scores/scores.h"

namespace {

// The text screens' frame sits 10 units further back than the play field's.
constexpr GLfloat screenOriginZ = -55.0f;

// The menu: the title, the items' rows (by menuSelection) and the cursor's column.
constexpr GLfloat titleX = 1.5f;
constexpr GLfloat titleY = 2.0f;
constexpr GLfloat menuItemX = 3.5f;
constexpr GLfloat menuCursorX = -1.0f;
constexpr GLfloat menuItemY[] = {-9.0f, -12.0f, -15.0f};
constexpr const char* menuItemTexts[] = {"Start", "Highscores", "Exit"};

// The wall behind the menu: 20 units behind its texts, and it turns about
// the (1, 1, 1) axis through its first cube by half a degree a frame, three
// whole turns before it starts again.
constexpr GLfloat wallDepth = -20.0f;
constexpr float menuSpinStep = 0.5f;
constexpr float menuSpinLimit = -1080.0f;
constexpr int wallTextureKinds = 4;  // black, light blue, red, green

// The score line, in the play field's frame before its rotations.
constexpr GLfloat scoreX = 19.0f;
constexpr GLfloat scoreY = 2.0f;

// The table: its heading, then one line per entry, 3 units apart.
constexpr GLfloat tableX = 1.0f;
constexpr GLfloat tableHeadingY = 5.0f;
constexpr GLfloat tableLineSpacing = 3.0f;
constexpr GLfloat promptX = 20.0f;
constexpr GLfloat promptY = -5.0f;
constexpr GLfloat typedNameY = -8.0f;
// The name's cursor shows on 3 of every 5 frames, at random, so it flickers.
constexpr int cursorChances = 5;
constexpr int cursorShownChances = 3;

}  // namespace

void drawMenuScreen() {
    glLoadIdentity();
    glTranslatef(fieldOriginX, fieldOriginY, screenOriginZ);
    drawText(titleX, titleY, "%s", windowTitle);
    for (int item = menuStart; item <= menuExit; ++item) {
        drawText(menuItemX, menuItemY[item], "%s", menuItemTexts[item]);
    }
    drawText(menuCursorX, menuItemY[gameState.menuSelection], "=)>");

    glTranslatef(0.0f, 0.0f, wallDepth);
    glRotatef(gameState.menuSpin, 1.0f, 1.0f, 1.0f);
    gameState.menuSpin -= menuSpinStep;
    if (gameState.menuSpin < menuSpinLimit) gameState.menuSpin = 0.0f;
    drawCellGrid([](int, int) {
        glBindTexture(GL_TEXTURE_2D, blockTextures[std::rand() % wallTextureKinds]);
        drawBlockCube();
    });
}

void drawScoreLine() { drawText(scoreX, scoreY, "Score: %i ", gameState.score); }

void drawHighscoreScreen() {
    glLoadIdentity();
    // The colours set here are never put back: the menu's texts and the score
    // line keep the last one until this screen sets another. Cubes are drawn
    // in white whatever it is.
    glColor3f(1.0f, 0.0f, 0.0f);
    glTranslatef(fieldOriginX, fieldOriginY, screenOriginZ);
    drawText(tableX, tableHeadingY, "Highscores");
    for (int i = 0; i < highScoreCount; ++i) {
        const HighScoreEntry& entry = highScoreTable.entries[i];
        const std::string_view name = highScoreName(entry);
        drawText(tableX, -tableLineSpacing * i, "(%i) %.*s : %i ", i, static_cast<int>(name.size()), name.data(),
                 entry.score);
    }
    if (!enteringName) return;
    glColor3f(0.0f, 0.0f, 1.0f);
    drawText(promptX, promptY, "enter your name");
    glColor3f(0.0f, 1.0f, 0.0f);
    const bool cursorShown = std::rand() % cursorChances < cursorShownChances;
    drawText(promptX, typedNameY, "%s%s", nameBuffer, cursorShown ? "_" : "");
}
