// The bitmap text and the menu and high score screens, drawn through a real
// GL context with the real font and read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gl_support.h"
#include "test_support.h"

namespace {

constexpr double screenZ = -55;  // the depth of the menu's and the table's texts

bool isWhite(Rgb p) { return p.red == 255 && p.green == 255 && p.blue == 255; }
bool isRed(Rgb p) { return p.red == 255 && p.green == 0 && p.blue == 0; }
bool isGreen(Rgb p) { return p.red == 0 && p.green == 255 && p.blue == 0; }
bool isBlue(Rgb p) { return p.red == 0 && p.green == 0 && p.blue == 255; }
bool isLit(Rgb p) { return !isBlack(p); }

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

// The wall's four kinds get dark textures of their own, never white, red or
// green, and the wall shows all four.
class Screens : public testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        for (int row = 0; row < boardRows; ++row) {
            for (int column = 0; column < boardColumns; ++column) {
                gameState.wall.images[row][column] = (row + column) % wallImageKinds;
            }
        }
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

// The GL state the drawing helpers may touch, to see that it is left as it was.
struct TextState {
    GLint listBase, matrixMode, boundTexture, environmentMode, alphaFunction;
    GLboolean texturing, alphaTest, culling, depthTest;
    GLfloat modelView[16], projection[16], texCoord[4], colour[4];
    static TextState read() {
        TextState state{};
        glGetIntegerv(GL_LIST_BASE, &state.listBase);
        glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.boundTexture);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &state.environmentMode);
        glGetIntegerv(GL_ALPHA_TEST_FUNC, &state.alphaFunction);
        state.texturing = glIsEnabled(GL_TEXTURE_2D);
        state.alphaTest = glIsEnabled(GL_ALPHA_TEST);
        state.culling = glIsEnabled(GL_CULL_FACE);
        state.depthTest = glIsEnabled(GL_DEPTH_TEST);
        glGetFloatv(GL_CURRENT_COLOR, state.colour);
        glGetFloatv(GL_MODELVIEW_MATRIX, state.modelView);
        glGetFloatv(GL_PROJECTION_MATRIX, state.projection);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, state.texCoord);
        return state;
    }
    bool operator==(const TextState& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

// Text, the cell grid and the error box leave the matrices, the enables,
// the colour and the bound texture as they found them.
TEST_F(Screens, TextShowsInTheCurrentColourOnlyWhereItIsDrawnAndLeavesTheStateAsItWas) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, blockTextures[0]);  // the darkest texture
    glColor3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.25f, 0.75f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(fieldOriginX, fieldOriginY, screenZ);
    const TextState before = TextState::read();
    drawText(1.0f, -3.0f, "Highscores");
    drawText(1.0f, -9.0f, "%s", "");        // nothing to draw
    drawText(500.0f, 0.0f, "out of view");  // its raster position is invalid
    EXPECT_TRUE(TextState::read() == before);
    const std::vector<Rgb> frame = readFrame();
    const struct {
        const char* what;
        void (*draw)();
    } others[] = {
        {"drawCellGrid", [] { drawCellGrid([](int, int) { drawBlockCube(); }); }},
        {"drawErrorBox", [] { drawErrorBox("a message long enough to be wrapped over two lines or more"); }},
    };
    for (const auto& other : others) {
        other.draw();
        EXPECT_TRUE(TextState::read() == before) << other.what;
    }
    const ScreenBox box = screenText(1, -3, 10);
    EXPECT_GT(countPixels(frame, box, isGreen), 100);
    EXPECT_EQ(countPixels(frame, box, isLit), countPixels(frame, box, isGreen));
    EXPECT_EQ(countPixels(frame, ScreenBox{0, 0, windowWidth, windowHeight}, isLit),
              countPixels(frame, box, isLit));

    // A fixed-pitch face about 9 pixels wide: every glyph moves the raster position alike.
    glRasterPos2f(0, 0);
    const GLfloat start = rasterX();
    drawText(0, 0, "iiii");
    const GLfloat narrow = rasterX() - start;
    drawText(0, 0, "WWWW");
    EXPECT_FLOAT_EQ(rasterX() - start, 4 * 9.0f);
    EXPECT_FLOAT_EQ(narrow, 4 * 9.0f);
}

// What a scene leaves in the window: colours, depths and the raster position.
struct Drawn {
    std::vector<Rgb> colours;
    std::vector<GLuint> depths;
    GLfloat raster[4];
};

Drawn drawScene(void (*scene)()) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(fieldOriginX, fieldOriginY, screenZ);
    scene();
    Drawn drawn{readFrame(), std::vector<GLuint>(windowWidth * windowHeight), {}};
    glReadPixels(0, 0, windowWidth, windowHeight, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, drawn.depths.data());
    glGetFloatv(GL_CURRENT_RASTER_POSITION, drawn.raster);
    return drawn;
}

// The glyphs drawn as quads from the alpha texture leave exactly what the
// same glyphs drawn with glBitmap leave, in the same run.
TEST_F(Screens, QuadGlyphsDrawExactlyWhatTheirBitmapsDraw) {
    struct Case {
        const char* what;
        void (*scene)();
    };
    const Case cases[] = {
        {"every glyph, white, over a bound texture",
         [] {
             std::string all;
             for (unsigned code = firstGlyphCode; code < firstGlyphCode + fontGlyphCount; ++code) all += char(code);
             glEnable(GL_TEXTURE_2D);
             glBindTexture(GL_TEXTURE_2D, blockTextures[2]);
             drawText(-9.0f, 0.0f, "%s", all.substr(0, 48).c_str());
             drawText(-9.0f, -3.0f, "%s", all.substr(48).c_str());
         }},
        {"a raster position between pixels, green", [] {
             glColor3f(0.0f, 1.0f, 0.0f);
             drawText(1.37f, -3.71f, "(10) Default User : 0 ");
         }},
        {"behind a cube and in front of another", [] {
             glPushMatrix();
             glTranslatef(4.0f, -6.0f, 0.5f);  // its front face before the text
             drawBlockCube();
             glTranslatef(6.0f, 0.0f, -3.0f);  // its front face behind the text
             drawBlockCube();
             glPopMatrix();
             glColor3f(1.0f, 0.0f, 0.0f);
             drawText(1.0f, -6.5f, "Tessarine 3D Highscores");
         }},
        {"off the window's right edge", [] { drawText(28.0f, -9.0f, "Highscores Highscores"); }},
        {"bytes outside 32 to 127", [] { drawText(1.0f, -12.0f, "a\x01\x1f\x80\xc8\xff b\x7f"); }},
        {"a raster position outside the view", [] { drawText(500.0f, 0.0f, "out of view"); }},
        {"cut at 4999 bytes", [] { drawText(1.0f, -15.0f, "%s", std::string(6000, 'W').c_str()); }},
    };
    for (const Case& c : cases) {
        Drawn drawn[2];
        int path = 0;
        for (GlyphPath glyphs : {GlyphPath::Bitmaps, GlyphPath::Quads}) {
            deleteFont();
            buildFont(glyphs, baseGlyphPixels);
            ASSERT_EQ(glyphPath, glyphs);
            glColor3f(1.0f, 1.0f, 1.0f);
            drawn[path++] = drawScene(c.scene);
        }
        EXPECT_TRUE(drawn[0].colours.size() == drawn[1].colours.size() &&
                    std::memcmp(drawn[0].colours.data(), drawn[1].colours.data(),
                                drawn[0].colours.size() * sizeof(Rgb)) == 0)
            << c.what << ": colours differ";
        EXPECT_TRUE(drawn[0].depths == drawn[1].depths) << c.what << ": depths differ";
        EXPECT_EQ(std::memcmp(drawn[0].raster, drawn[1].raster, sizeof drawn[0].raster), 0)
            << c.what << ": raster position " << drawn[0].raster[0] << " against " << drawn[1].raster[0];
    }
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

// Drawing only reads: every screen drawn twice shows the same pixels, and
// leaves the state, the picture and the random generator as it found them.
TEST_F(Screens, DrawingChangesNothingItDraws) {
    const auto errorBoxOverTheMenu = [] {
        drawMenuScreen();
        drawErrorBox("a message");
    };
    gameState.menuSpin = -200.0f;
    gameState.wall.images[3][4] = 2;
    gameState.cursorShown = true;
    enteringName = true;
    for (void (*screen)() : {drawMenuScreen, drawPlayField, drawHighscoreScreen, +errorBoxOverTheMenu}) {
        pictureChanged();
        std::srand(5);
        const int nextRandom = std::rand();
        std::srand(5);
        const std::vector<Rgb> first = draw(screen);
        const std::vector<Rgb> second = draw(screen);
        EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(Rgb)), 0);
        EXPECT_FALSE(pictureChanged());
        EXPECT_EQ(std::rand(), nextRandom);
    }
}

// The colour the table leaves stays for text only: the menu's title and the
// score line are written in it, while the wall shows its textures untinted
// (both its green and its blue ones) and an untextured cube is white.
TEST_F(Screens, TheTableIsRedThePromptBlueTheNameGreenAndTheLastColourStaysForTextAlone) {
    const auto greenTexture = [](Rgb p) { return p.red == 0 && p.green > 60 && p.blue == 0; };
    const auto blueTexture = [](Rgb p) { return p.red == 0 && p.green == 0 && p.blue > 60; };
    const ScreenBox window{0, 0, windowWidth, windowHeight};
    const auto expectUntintedCubes = [&] {
        std::vector<Rgb> frame = draw(drawMenuScreen);
        EXPECT_GT(countPixels(frame, window, greenTexture), 500);
        EXPECT_GT(countPixels(frame, window, blueTexture), 500);
        const MenuWall wall = gameState.wall;
        resetWorld(boardColumns - 1, 0, {5, 5, 5});  // kind 5 has no texture here
        gameState.wall = wall;
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
