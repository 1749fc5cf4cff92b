// The text and the menu and high score screens, drawn through a real GL
// context with the real font and read back.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

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

// The left- and rightmost lit columns of the frame in the rows of the box, or -1 for none.
std::pair<int, int> litColumns(const std::vector<Rgb>& frame, const ScreenBox& box) {
    std::pair<int, int> columns{-1, -1};
    for (int x = 0; x < windowWidth; ++x) {
        if (countPixels(frame, ScreenBox{double(x), box.bottom, double(x), box.top}, isLit) == 0) continue;
        if (columns.first < 0) columns.first = x;
        columns.second = x;
    }
    return columns;
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
        textColour = {255, 255, 255};
        loadHighScores();
    }
    std::vector<Rgb> draw(void (*screen)()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        screen();
        return readFrame();
    }
};

// The drawing state every drawing function leaves as it found it, and the
// bound texture, which text and the error box leave too.
struct DrawingState {
    GLint matrixMode, boundTexture, environmentMode, alphaFunction, depthFunction;
    GLboolean texturing, alphaTest, culling, depthTest, blending, vertexArray, texCoordArray;
    GLfloat modelView[16], projection[16], colour[4];
    static DrawingState read() {
        DrawingState state{};
        glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.boundTexture);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &state.environmentMode);
        glGetIntegerv(GL_ALPHA_TEST_FUNC, &state.alphaFunction);
        glGetIntegerv(GL_DEPTH_FUNC, &state.depthFunction);
        state.texturing = glIsEnabled(GL_TEXTURE_2D);
        state.alphaTest = glIsEnabled(GL_ALPHA_TEST);
        state.culling = glIsEnabled(GL_CULL_FACE);
        state.depthTest = glIsEnabled(GL_DEPTH_TEST);
        state.blending = glIsEnabled(GL_BLEND);
        state.vertexArray = glIsEnabled(GL_VERTEX_ARRAY);
        state.texCoordArray = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
        glGetFloatv(GL_CURRENT_COLOR, state.colour);
        glGetFloatv(GL_MODELVIEW_MATRIX, state.modelView);
        glGetFloatv(GL_PROJECTION_MATRIX, state.projection);
        return state;
    }
    bool operator==(const DrawingState& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

// Text, the cell grid and the error box leave the drawing state as they
// found it: the one start-up set (texturing, modulate, LEQUAL, culling, no
// alpha test, white), whatever texture is bound and colour text is in.
TEST_F(Screens, TextShowsInTheTextColourOnlyWhereItIsDrawnAndLeavesTheStateAsItWas) {
    glBindTexture(GL_TEXTURE_2D, blockTextures[0]);  // the darkest texture
    textColour = {0, 255, 0};
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(fieldOriginX, fieldOriginY, screenZ);
    const DrawingState before = DrawingState::read();
    EXPECT_TRUE(before.texturing && before.culling && before.depthTest && !before.alphaTest && !before.blending);
    EXPECT_EQ(before.environmentMode, GL_MODULATE);
    EXPECT_EQ(before.depthFunction, GL_LEQUAL);
    EXPECT_EQ(before.colour[0] + before.colour[1] + before.colour[2], 3.0f);
    drawText(1.0f, -3.0f, "Highscores");
    drawText(1.0f, -9.0f, "%s", "");        // nothing to draw
    drawText(500.0f, 0.0f, "out of view");  // outside the view volume
    EXPECT_TRUE(DrawingState::read() == before);
    const std::vector<Rgb> frame = readFrame();
    const struct {
        const char* what;
        void (*draw)();
    } others[] = {
        {"drawCellGrid", [] { drawCellGrid([](int, int) { drawBlockCube(blockTextures[0]); }); }},
        {"drawErrorBox", [] { drawErrorBox("a message long enough to be wrapped over two lines or more"); }},
    };
    for (const auto& other : others) {
        other.draw();
        EXPECT_TRUE(DrawingState::read() == before) << other.what;
    }
    const ScreenBox box = screenText(1, -3, 10);
    EXPECT_GT(countPixels(frame, box, isGreen), 100);
    EXPECT_EQ(countPixels(frame, box, isLit), countPixels(frame, box, isGreen));
    EXPECT_EQ(countPixels(frame, ScreenBox{0, 0, windowWidth, windowHeight}, isLit),
              countPixels(frame, box, isLit));

    // A fixed-pitch face 9 pixels wide: after three glyphs, wide, narrow or
    // blank, a "W" stands 27 pixels further on.
    const auto columnsOfW = [](const char* before) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawText(1.0f, -3.0f, "%sW", before);
        return litColumns(readFrame(), screenText(1, -3, 4));
    };
    const std::pair<int, int> alone = columnsOfW("");
    for (const char* before : {"WWW", "iii", "   "}) {
        const std::pair<int, int> after = columnsOfW(before);
        EXPECT_EQ(after.second, alone.second + 27) << before;
        if (before[0] == ' ') {
            EXPECT_EQ(after.first, alone.first + 27);
        }
    }
    EXPECT_EQ(glyphAdvance, 9.0f);
}

// What a scene leaves in the window: colours and depths.
struct Drawn {
    std::vector<Rgb> colours;
    std::vector<GLuint> depths;
    bool operator==(const Drawn& o) const {
        return depths == o.depths &&
               std::memcmp(colours.data(), o.colours.data(), colours.size() * sizeof(Rgb)) == 0;
    }
};

// A way to write a text at the raster position (x, y), and the scene that writes with it.
using Writer = void (*)(GLfloat x, GLfloat y, const std::string& text);
using Scene = void (*)(Writer write);

Drawn drawScene(Scene scene, Writer write) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(fieldOriginX, fieldOriginY, screenZ);
    scene(write);
    Drawn drawn{readFrame(), std::vector<GLuint>(windowWidth * windowHeight)};
    glReadPixels(0, 0, windowWidth, windowHeight, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, drawn.depths.data());
    return drawn;
}

// The glyphs as OpenGL's bitmaps at the raster position, untextured, in the
// text colour: what the text stands for. Bytes with no glyph draw nothing.
std::vector<GlyphImage> bitmapGlyphs;
void writeBitmaps(GLfloat x, GLfloat y, const std::string& text) {
    glDisable(GL_TEXTURE_2D);
    glColor3ub(textColour.red, textColour.green, textColour.blue);
    glRasterPos2f(x, y);
    for (const char byte : text) {
        const unsigned code = static_cast<unsigned char>(byte) - firstGlyphCode;
        if (code >= bitmapGlyphs.size()) continue;
        const GlyphImage& g = bitmapGlyphs[code];
        glBitmap(g.width, g.rows, -g.left, -g.bottom, g.advance, 0, g.bits.empty() ? nullptr : g.bits.data());
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
}

void writeText(GLfloat x, GLfloat y, const std::string& text) { drawText(x, y, "%s", text.c_str()); }

// GLUT's own drawing of its 9 x 15 font, the fallback's glyphs.
void writeGlut(GLfloat x, GLfloat y, const std::string& text) {
    glDisable(GL_TEXTURE_2D);
    glColor3ub(textColour.red, textColour.green, textColour.blue);
    glRasterPos2f(x, y);
    for (const char byte : text) {
        if (static_cast<unsigned char>(byte) >= firstGlyphCode) glutBitmapCharacter(GLUT_BITMAP_9_BY_15, byte);
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
}

// Text draws exactly what the glyphs drawn as bitmaps at the raster
// position draw, colours and depths alike: the platform's glyphs through the
// glyph texture, and GLUT's glyphs as read back for the fallback.
TEST_F(Screens, TextDrawsExactlyWhatItsGlyphsAsBitmapsDraw) {
    const struct {
        const char* what;
        Scene scene;
    } scenes[] = {
        {"every glyph, white, over a bound texture",
         [](Writer write) {
             std::string all;
             for (unsigned code = firstGlyphCode; code < firstGlyphCode + fontGlyphCount; ++code) all += char(code);
             glBindTexture(GL_TEXTURE_2D, blockTextures[2]);
             write(-9.0f, 0.0f, all.substr(0, 48));
             write(-9.0f, -3.0f, all.substr(48));
         }},
        {"a raster position between pixels, green", [](Writer write) {
             textColour = {0, 255, 0};
             write(1.37f, -3.71f, "(10) Default User : 0 ");
         }},
        {"behind a cube and in front of another", [](Writer write) {
             glPushMatrix();
             glTranslatef(4.0f, -6.0f, 0.5f);  // its front face before the text
             drawBlockCube(blockTextures[2]);
             glTranslatef(6.0f, 0.0f, -3.0f);  // its front face behind the text
             drawBlockCube(blockTextures[2]);
             glPopMatrix();
             textColour = {255, 0, 0};
             write(1.0f, -6.5f, "Tessarine 3D Highscores");
         }},
        {"off the window's right edge", [](Writer write) { write(28.0f, -9.0f, "Highscores Highscores"); }},
        {"bytes outside 32 to 127", [](Writer write) { write(1.0f, -12.0f, "a\x01\x1f\x80\xc8\xff b\x7f"); }},
        {"a raster position outside the view", [](Writer write) { write(500.0f, 0.0f, "out of view"); }},
        {"a raster position just left of the view", [](Writer write) { write(-21.0f, -3.0f, "Highscores"); }},
        {"cut at 4999 bytes", [](Writer write) { write(1.0f, -15.0f, std::string(6000, 'W')); }},
    };
    std::string why;
    bitmapGlyphs = platformGlyphs(baseGlyphPixels, why);
    ASSERT_EQ(bitmapGlyphs.size(), std::size_t{fontGlyphCount}) << why;
    for (const auto& s : scenes) {
        textColour = {255, 255, 255};
        const Drawn bitmaps = drawScene(s.scene, writeBitmaps);
        textColour = {255, 255, 255};
        EXPECT_TRUE(drawScene(s.scene, writeText) == bitmaps) << s.what;
    }
    bitmapGlyphs = fallbackGlyphs();
    for (const auto& s : scenes) {
        textColour = {255, 255, 255};
        const Drawn glut = drawScene(s.scene, writeGlut);
        textColour = {255, 255, 255};
        EXPECT_TRUE(drawScene(s.scene, writeBitmaps) == glut) << "GLUT's font: " << s.what;
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

// A name of 100 bytes with no zero byte draws what a name of only its bytes
// from 32 to 127 draws: a read past the field would run on into the score's
// bytes, which draw "AAAA", and the sanitizer build would see it.
TEST_F(Screens, ANameOfOneHundredBytesDrawsOnlyItsPrintableBytes) {
    HighScoreEntry& last = highScoreTable.entries[highScoreCount - 1];
    const char pattern[] = {'\x01', '\xc8', '\x7f', 'W', '#'};  // three of five printable
    for (int i = 0; i < nameFieldSize; ++i) last.name[i] = pattern[i % 5];
    last.score = 0x41414141;
    const std::vector<Rgb> full = draw(drawHighscoreScreen);
    std::memset(last.name, 0, nameFieldSize);
    for (int i = 0; i < nameFieldSize / 5; ++i) std::memcpy(last.name + 3 * i, pattern + 2, 3);
    const std::vector<Rgb> printable = draw(drawHighscoreScreen);
    EXPECT_EQ(std::memcmp(full.data(), printable.data(), full.size() * sizeof(Rgb)), 0);
}

}  // namespace
