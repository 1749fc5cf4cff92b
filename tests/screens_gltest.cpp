// The bitmap text and the menu and high score screens, drawn through a real
// GL context with the real font and read back.
#include <gtest/gtest.h>

#include <cstring>

#include "gl_support.h"
#include "test_support.h"

namespace {

constexpr double screenZ = -55;  // the depth of the menu's and the table's texts

bool isWhite(Rgb p) { return p.r == 255 && p.g == 255 && p.b == 255; }
bool isRed(Rgb p) { return p.r == 255 && p.g == 0 && p.b == 0; }
bool isGreen(Rgb p) { return p.r == 0 && p.g == 255 && p.b == 0; }
bool isBlue(Rgb p) { return p.r == 0 && p.g == 0 && p.b == 255; }
bool isLit(Rgb p) { return !p.isBlack(); }

// Where a text of `characters` glyphs at (x, y) of the screens' frame lands.
ScreenBox screenText(double x, double y, int characters) {
    double windowX = 0, windowY = 0;
    projectPoint(fieldOriginX + x, fieldOriginY + y, screenZ, windowX, windowY);
    return textBox(windowX, windowY, characters);
}

GLfloat rasterX() {
    GLfloat position[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    return position[0];
}

// The wall's four kinds get dark textures of their own, never white, red or green.
class Screens : public testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        const GLubyte colours[4][3] = {{40, 40, 40}, {0, 0, 90}, {90, 0, 0}, {0, 90, 0}};
        glGenTextures(4, blockTextures);
        for (int kind = 0; kind < 4; ++kind) {
            glBindTexture(GL_TEXTURE_2D, blockTextures[kind]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, colours[kind]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        }
    }
    void TearDown() override {
        glDeleteTextures(4, blockTextures);
        for (GLuint& name : blockTextures) name = 0;
        glColor3f(1.0f, 1.0f, 1.0f);
        loadHighScores();
    }
    std::vector<Rgb> draw(void (*screen)()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        screen();
        return readFrame();
    }
};

TEST_F(Screens, TextShowsInTheCurrentColourOnlyWhereItIsDrawnAndLeavesTheStateAsItWas) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, blockTextures[0]);  // the darkest texture
    glColor3f(0.0f, 1.0f, 0.0f);
    const std::vector<Rgb> frame = draw([] {
        glLoadIdentity();
        glTranslatef(fieldOriginX, fieldOriginY, screenZ);
        drawText(1.0f, -3.0f, "Highscores");
        drawText(1.0f, -9.0f, "%s", "");        // nothing to draw
        drawText(500.0f, 0.0f, "out of view");  // its raster position is invalid
    });
    const ScreenBox box = screenText(1, -3, 10);
    EXPECT_GT(countPixels(frame, box, isGreen), 100);
    EXPECT_EQ(countPixels(frame, box, isLit), countPixels(frame, box, isGreen));
    EXPECT_EQ(countPixels(frame, ScreenBox{0, 0, windowWidth, windowHeight}, isLit),
              countPixels(frame, box, isLit));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint listBase = -1;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 0);

    // A fixed-pitch face about 9 pixels wide: every glyph moves the raster position alike.
    glRasterPos2f(0, 0);
    const GLfloat start = rasterX();
    drawText(0, 0, "iiii");
    const GLfloat narrow = rasterX() - start;
    drawText(0, 0, "WWWW");
    EXPECT_FLOAT_EQ(rasterX() - start, 4 * 9.0f);
    EXPECT_FLOAT_EQ(narrow, 4 * 9.0f);
}

TEST_F(Screens, TheCursorStandsBesideTheSelectedItem) {
    const double itemY[] = {-9, -12, -15};
    for (int selection = menuStart; selection <= menuExit; ++selection) {
        gameState.menuSelection = selection;
        const std::vector<Rgb> frame = draw(drawMenuScreen);
        EXPECT_GT(countPixels(frame, screenText(1.5, 2, 12), isWhite), 100);  // the title
        for (int row = menuStart; row <= menuExit; ++row) {
            const int cursor = countPixels(frame, screenText(-1, itemY[row], 3), isWhite);
            EXPECT_EQ(cursor > 20, row == selection) << "selection " << selection << ", row " << row;
            EXPECT_GT(countPixels(frame, screenText(3.5, itemY[row], 4), isWhite), 40);
        }
    }
}

TEST_F(Screens, TheWallChangesInEveryFrameAndTurnsThreeTimesBeforeStartingAgain) {
    gameState.menuSpin = -1079.5f;
    const std::vector<Rgb> first = draw(drawMenuScreen);
    EXPECT_EQ(gameState.menuSpin, -1080.0f);
    gameState.menuSpin = -1079.5f;
    const std::vector<Rgb> second = draw(drawMenuScreen);
    EXPECT_NE(std::memcmp(first.data(), second.data(), first.size() * sizeof(Rgb)), 0);
    const ScreenBox window{0, 0, windowWidth, windowHeight};
    EXPECT_GT(countPixels(first, window, isLit), 20000);  // the wall, not just the texts
    draw(drawMenuScreen);
    EXPECT_EQ(gameState.menuSpin, 0.0f);
    draw(drawMenuScreen);
    EXPECT_EQ(gameState.menuSpin, -0.5f);
}

// The colour the table leaves stays for text only: the menu's title and the
// score line are written in it, while the wall shows its textures untinted
// (both its green and its blue ones) and an untextured cube is white.
TEST_F(Screens, TheTableIsRedThePromptBlueTheNameGreenAndTheLastColourStaysForTextAlone) {
    const auto greenTexture = [](Rgb p) { return p.r == 0 && p.g > 60 && p.b == 0; };
    const auto blueTexture = [](Rgb p) { return p.r == 0 && p.g == 0 && p.b > 60; };
    const ScreenBox window{0, 0, windowWidth, windowHeight};
    const auto expectUntintedCubes = [&] {
        std::vector<Rgb> frame = draw(drawMenuScreen);
        EXPECT_GT(countPixels(frame, window, greenTexture), 500);
        EXPECT_GT(countPixels(frame, window, blueTexture), 500);
        resetWorld(boardColumns - 1, 0, {5, 5, 5});  // kind 5 has no texture here
        frame = draw(drawPlayField);
        const ScreenBox cube = projectCell(boardColumns - 1, 1);
        EXPECT_GT(countPixels(frame, cube, isWhite), 100);
        EXPECT_EQ(countPixels(frame, cube, isWhite), countPixels(frame, cube, isLit));
        return frame;
    };

    std::vector<Rgb> frame = draw(drawHighscoreScreen);
    EXPECT_GT(countPixels(frame, screenText(1, 5, 10), isRed), 100);
    for (int i = 0; i < highScoreCount; ++i) {
        EXPECT_GT(countPixels(frame, screenText(1, -3 * i, 20), isRed), 200) << "line " << i;
    }
    frame = draw(drawMenuScreen);
    EXPECT_GT(countPixels(frame, screenText(1.5, 2, 12), isRed), 100);
    EXPECT_EQ(countPixels(frame, screenText(1.5, 2, 12), isWhite), 0);
    frame = expectUntintedCubes();
    double scoreX = 0, scoreY = 0;
    projectPoint(fieldOriginX + 19, fieldOriginY + 2, fieldOriginZ, scoreX, scoreY);
    EXPECT_GT(countPixels(frame, textBox(scoreX, scoreY, 8), isRed), 40);

    gameState.score = 5;
    offerNameEntry();
    for (unsigned char key : {'e', '2', 'e'}) handleNameEntryKey(key);
    frame = draw(drawHighscoreScreen);
    EXPECT_GT(countPixels(frame, screenText(20, -5, 15), isBlue), 100);
    EXPECT_GT(countPixels(frame, screenText(20, -8, 4), isGreen), 40);
    frame = draw(drawMenuScreen);
    EXPECT_GT(countPixels(frame, screenText(1.5, 2, 12), isGreen), 100);
    expectUntintedCubes();
}

// A name of 100 bytes with no zero byte: only its bytes from 32 to 127 draw,
// and the sanitizer build sees that nothing past the field is read.
TEST_F(Screens, ANameOfOneHundredBytesDrawsOnlyItsPrintableBytes) {
    HighScoreEntry& last = highScoreTable.entries[highScoreCount - 1];
    const char pattern[] = {'\x01', '\xc8', '\x7f', 'W', '#'};  // three of five printable
    for (int i = 0; i < nameFieldSize; ++i) last.name[i] = pattern[i % 5];
    last.score = 0x41414141;  // no zero byte: a read past the name runs on into it
    draw(drawHighscoreScreen);
    double startX = 0, startY = 0;
    projectPoint(fieldOriginX + 1, fieldOriginY - 3 * (highScoreCount - 1), screenZ, startX, startY);
    const int printable = 5 + nameFieldSize * 3 / 5 + 14;  // "(10) ", the name, " : 1094795585 "
    EXPECT_NEAR(rasterX(), startX + 9.0 * printable, 0.5);
}

}  // namespace
