// The menu with its spinning wall of cubes, the score line and the high
// score table with its name prompt.
#include <GL/glu.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "render/render.h"
#include "scores/scores.h"

namespace {

// The menu: the title, and the cursor's column (the items' places are in render.h).
constexpr GLfloat titleX = 1.5f;
constexpr GLfloat titleY = 2.0f;
constexpr GLfloat menuCursorX = -1.0f;
constexpr const char* menuItemTexts[] = {"Start", "Highscores", "Exit"};

// The wall behind the menu stands 20 units behind its texts, and turns
// about the (1, 1, 1) axis through its first cube.
constexpr GLfloat wallDepth = -20.0f;

// The score line, in the play field's frame before its rotations, and the
// pause's line beside it, centred above the well. A tall frame has no room
// right of the well: its score line starts above the well's left edge.
constexpr GLfloat scoreX = 19.0f;
constexpr GLfloat tallScoreX = -cubeHalfSize;
constexpr GLfloat scoreY = 2.0f;
constexpr GLfloat wellCentreX = columnSpacing * (boardColumns - 1) / 2;
// The touch gestures' hint: across the middle of the well, just before its
// front, so that no cube hides it.
constexpr GLfloat hintY = -rowSpacing * (boardRows - 1) / 2;
constexpr GLfloat hintZ = 2 * cubeHalfSize;
constexpr char touchHint[] = "Drag: slide  Tap: cycle  Flick: drop  Two fingers: pause";

// The table: its heading, then one line per entry, 3 units apart.
constexpr GLfloat tableX = 1.0f;
constexpr GLfloat tableHeadingY = 5.0f;
constexpr GLfloat tableLineSpacing = 3.0f;
constexpr GLfloat promptX = 20.0f;
constexpr GLfloat promptY = -5.0f;
constexpr GLfloat typedNameY = -8.0f;
constexpr Rgb red = {255, 0, 0};     // the table
constexpr Rgb blue = {0, 0, 255};    // the name prompt
constexpr Rgb green = {0, 255, 0};   // the name typed

// The error box, in window pixels at the glyphs' base height; it grows with
// them: its margins, its lines' height and its OK button's size.
constexpr int boxMargin = 16;
constexpr int boxLineHeight = 20;
constexpr int boxMinColumns = 24;
constexpr int boxButtonWidth = 60;
constexpr int boxButtonHeight = 24;
constexpr GLfloat boxGrey = 0.2f;
constexpr Rgb white = {255, 255, 255};
constexpr char errorCaption[] = "Error";

// Lines of at most `columns` characters, broken at spaces where there are any.
std::vector<std::string_view> wrapText(std::string_view text, std::size_t columns) {
    std::vector<std::string_view> lines;
    while (text.size() > columns) {
        std::size_t cut = text.rfind(' ', columns);
        if (cut == std::string_view::npos || cut == 0) cut = columns;
        lines.push_back(text.substr(0, cut));
        text.remove_prefix(std::min(text.size(), cut + (text[cut] == ' ' ? 1 : 0)));
    }
    lines.push_back(text);
    return lines;
}

// An untextured rectangle of whole pixels, in the current colour, in a window-pixel frame.
void fillRectangle(int left, int bottom, int width, int height) {
    const auto x0 = static_cast<GLfloat>(left), y0 = static_cast<GLfloat>(bottom);
    const auto x1 = static_cast<GLfloat>(left + width), y1 = static_cast<GLfloat>(bottom + height);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);  // counter-clockwise: it faces the viewer
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
    glEnable(GL_TEXTURE_2D);
}

// The rectangle's outermost pixels, a line one pixel wide.
void frameRectangle(int left, int bottom, int width, int height) {
    fillRectangle(left, bottom, width, 1);
    fillRectangle(left, bottom + height - 1, width, 1);
    fillRectangle(left, bottom + 1, 1, height - 2);
    fillRectangle(left + width - 1, bottom + 1, 1, height - 2);
}

// Where the error box and its parts stand, in window pixels.
struct ErrorBoxLayout {
    std::vector<std::string_view> lines;  // the message, wrapped
    int left, bottom, width, height;      // the box
    int margin, lineHeight;
    int buttonLeft, buttonBottom, buttonWidth, buttonHeight;
};

// The box for `message` in a window `width` by `height`: as wide as its
// longest line (the message wrapped to fit the window), in the middle, its
// sizes grown with the glyphs.
ErrorBoxLayout layOutErrorBox(const char* message, int width, int height) {
    const auto scaled = [](int pixels) { return pixels * glyphPixels / baseGlyphPixels; };
    ErrorBoxLayout box{};
    box.margin = scaled(boxMargin);
    box.lineHeight = scaled(boxLineHeight);
    box.buttonWidth = scaled(boxButtonWidth);
    box.buttonHeight = scaled(boxButtonHeight);
    const int columns = std::max(boxMinColumns, static_cast<int>((width - 4 * box.margin) / glyphAdvance));
    box.lines = wrapText(message, static_cast<std::size_t>(columns));
    std::size_t longest = std::string_view(errorCaption).size();
    for (std::string_view line : box.lines) longest = std::max(longest, line.size());
    box.width = static_cast<int>(static_cast<GLfloat>(longest) * glyphAdvance) + 2 * box.margin;
    box.height = (static_cast<int>(box.lines.size()) + 2) * box.lineHeight + box.buttonHeight + 2 * box.margin;
    box.left = (width - box.width) / 2;
    box.bottom = (height - box.height) / 2;
    box.buttonLeft = (width - box.buttonWidth) / 2;
    box.buttonBottom = box.bottom + box.margin;
    return box;
}

// The box, its caption, its lines and its OK button, in a window-pixel
// frame: a grey box, and white for its frames and its text.
void drawErrorBoxAt(const ErrorBoxLayout& box) {
    glColor3f(boxGrey, boxGrey, boxGrey);
    fillRectangle(box.left, box.bottom, box.width, box.height);
    glColor3f(1.0f, 1.0f, 1.0f);
    frameRectangle(box.left, box.bottom, box.width, box.height);
    frameRectangle(box.buttonLeft, box.buttonBottom, box.buttonWidth, box.buttonHeight);
    const auto textX = static_cast<GLfloat>(box.left + box.margin);
    int baseline = box.bottom + box.height - box.margin - box.lineHeight / 2;
    drawTextIn(white, textX, static_cast<GLfloat>(baseline), errorCaption);
    baseline -= box.lineHeight;
    for (std::string_view line : box.lines) {
        baseline -= box.lineHeight;
        drawTextIn(white, textX, static_cast<GLfloat>(baseline), line);
    }
    drawTextIn(white,
               static_cast<GLfloat>(box.buttonLeft) + (static_cast<GLfloat>(box.buttonWidth) - 2 * glyphAdvance) / 2,
               static_cast<GLfloat>(box.buttonBottom + box.buttonHeight / 2 - glyphPixels / 4), "OK");
}

// The wall's cubes with the play field's spacing, drawn in one batch per
// image: the cubes of one image in one draw.
void drawMenuWall() {
    CubeCentre centres[wallImageKinds][wallCubes];
    int counts[wallImageKinds] = {};
    for (int row = 0; row < boardRows; ++row) {
        for (int column = 0; column < boardColumns; ++column) {
            const int image = gameState.wall.images[row][column];
            centres[image][counts[image]++] = {columnSpacing * column, -rowSpacing * row, 0.0f};
        }
    }
    // In white, the colour of the drawing state: the cubes show their
    // textures as drawn, whatever colour the table left for text.
    for (int image = 0; image < wallImageKinds; ++image) {
        drawCubeBatch(blockTextures[image], centres[image], counts[image]);
    }
}

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
    drawMenuWall();
}

void drawScoreLine() {
    drawText(framedTall(windowView) ? tallScoreX : scoreX, scoreY, "Score: %i ", gameState.score);
}

void drawPausedLine() { drawCentredText(wellCentreX, scoreY, "Paused"); }

void drawHintLine() {
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, hintZ);
    drawCentredText(wellCentreX, hintY, touchHint);
    glPopMatrix();
}

void drawHighscoreScreen() {
    glLoadIdentity();
    // The colours set here are never put back: the menu's texts and the score
    // line keep the last one until this screen sets another. Cubes are drawn
    // in white whatever it is.
    textColour = red;
    glTranslatef(fieldOriginX, fieldOriginY, screenOriginZ);
    drawText(tableX, tableHeadingY, "Highscores");
    for (int i = 0; i < highScoreCount; ++i) {
        const HighScoreEntry& entry = highScoreTable.entries[i];
        const std::string_view name = highScoreName(entry);
        drawText(tableX, -tableLineSpacing * i, "(%i) %.*s : %i ", i, static_cast<int>(name.size()), name.data(),
                 entry.score);
    }
    if (!enteringName) return;
    textColour = blue;
    drawText(promptX, promptY, "enter your name");
    textColour = green;
    // A controller's pending character stands where the cursor would.
    const char cursor[] = {pendingCharacter != '\0' ? pendingCharacter : gameState.cursorShown ? '_' : '\0', '\0'};
    drawText(promptX, typedNameY, "%s%s", nameBuffer, cursor);
}

void drawErrorBox(const char* message) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const ErrorBoxLayout box = layOutErrorBox(message, viewport[2], viewport[3]);

    // Over everything, in window pixels.
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, viewport[2], 0, viewport[3]);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    drawErrorBoxAt(box);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
}
