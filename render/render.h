// render/: draws the screens with OpenGL's fixed-function pipeline. Reads the
// game state, the board, the piece and the high score table; writes only the
// menu's spin. Owns `blockTextures`, which the image loader fills at start-up,
// and the font's display lists.
//
// All writing is bitmap text at a raster position: one display list per
// character code 32 to 127, each drawing its glyph and advancing the raster
// position by the glyph's width. They are the only display lists made.
#pragma once

#include <GL/gl.h>

#include "game/game.h"

// Texture names by BlockKind; slot 0 (black) serves only the menu's wall.
// A name of 0 means the kind's image was not loaded: its cubes are untextured.
extern GLuint blockTextures[blockKindCount + 1];

// The play field's layout in model-view units: the frame's origin, and the
// spacing between the centres of neighbouring cubes (cubes are 2 units wide).
constexpr GLfloat fieldOriginX = -10.0f;
constexpr GLfloat fieldOriginY = 15.0f;
constexpr GLfloat fieldOriginZ = -45.0f;
constexpr GLfloat columnSpacing = 3.0f;
constexpr GLfloat rowSpacing = 2.0f;

// The glyph lists: list fontBase + n draws the character of code 32 + n.
constexpr unsigned firstGlyphCode = 32;
constexpr GLsizei fontGlyphCount = 96;
extern GLuint fontBase;

// Makes the 96 glyph lists at `fontBase` from the platform's bold fixed-pitch
// face 15 pixels high, or from GLUT's 9 x 15 font (reporting why) when there is none.
void buildFont();
// Fills the 96 lists at `fontBase` from GLUT's 9 x 15 font and reports `why`
// the platform's face could not be had.
void compileGlutGlyphs(const char* why);
// Deletes the 96 glyph lists.
void deleteFont();
// Formats the text (at most 4999 bytes; more is cut) and draws it at the
// raster position (x, y) in the current colour, untextured.
void drawText(GLfloat x, GLfloat y, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Draws one cube with corners at +-1 around the current origin, with the bound texture.
void drawBlockCube();
// Calls drawCell for each cell of the 8 x 17 grid, row by row from row 0 at
// the top, with the model-view origin moved to that cell's cube centre and
// the colour white; origin and colour are back as they were afterwards.
void drawCellGrid(void (*drawCell)(int column, int row));
// Draws the score line, then the board and the falling piece, turned by gameState's pitch and yaw.
void drawPlayField();
// Draws the score line of the Play screen in the current model-view frame.
void drawScoreLine();
// Draws the title, the items and the cursor, then the wall of cubes; turns gameState.menuSpin.
void drawMenuScreen();
// Draws the high score table, and the name prompt while a name is entered;
// leaves its last colour (red, or green) current for the text drawn after
// (the cubes are always white).
void drawHighscoreScreen();
