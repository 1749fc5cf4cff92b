// render/: draws the screens with OpenGL's fixed-function pipeline. Reads the
// game state (the menu's wall and the name cursor included), the board, the
// piece, the high score table, the name being typed and `errorBoxes`; writes
// none of them. Owns `blockTextures`, which the image loader fills at
// start-up, and the font's display lists and globals.
//
// All writing is text at a raster position: one display list per character
// code 32 to 127, each drawing its glyph and moving on by the glyph's width.
// They are the only display lists made.
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

// How the glyph lists draw. Either way the glyphs of a text stand at the
// raster position, one after another, in the current colour alone,
// depth-tested at the raster position's depth, and the raster position ends
// advanced by their widths.
enum class GlyphPath {
    Bitmaps,  // one glBitmap per list (every platform; GLUT's font)
    Quads,    // one quad per list, textured from one alpha texture of the
              // glyphs with an alpha test: the same pixels, cheaper on Mesa's
              // software renderer (the high score table by a tenth or more)
};
extern GlyphPath glyphPath;  // how the lists at fontBase were built

// The glyphs' height: 15 pixels in a window 480 high, and in proportion in a
// taller one (never smaller), so that the text keeps its size in the layout,
// which the projection scales with the window.
constexpr int baseGlyphPixels = 15;
constexpr int baseWindowHeight = 480;
extern int glyphPixels;        // the height the lists at fontBase were made for
extern GLfloat glyphAdvance;   // pixels a glyph moves the raster position on
extern bool glyphsScale;       // false for GLUT's font, which has one size

// Each platform's font file (render/font_<platform>.cpp) provides buildFont
// and callGlyphLists; a platform without the Quads path builds Bitmaps lists
// and its callGlyphLists is glCallLists of the bytes alone.
//
// Makes the 96 glyph lists at a new `fontBase` from the platform's bold
// fixed-pitch face `pixels` high, along `path` where the platform offers it
// and its glyphs allow it (else Bitmaps), or from GLUT's 9 x 15 font
// (reporting why) when there is no face. Sets `glyphPath`, `glyphPixels`,
// `glyphAdvance` and `glyphsScale`.
void buildFont(GlyphPath path, int pixels);
// Calls one glyph list per byte of `text`, with the list base already at
// `fontBase` - 32 and the raster position set, and whatever set-up the lists
// of `glyphPath` need; leaves no state behind but the raster position and the
// enables, which the caller (drawText) has pushed.
void callGlyphLists(const char* text, GLsizei length);

// Fills the 96 lists at `fontBase` with glBitmap glyphs from GLUT's 9 x 15
// font and reports `why` the platform's face could not be had; glyphPath Bitmaps.
void compileGlutGlyphs(const char* why);
// Deletes the 96 glyph lists.
void deleteFont();
// The glyph height for a window `windowHeight` pixels high.
int glyphPixelsFor(int windowHeight);
// Makes the glyph lists again for a window of this height, when it wants
// another glyph height than they have and they come from a face that scales.
void fitFontToWindow(int windowHeight);
// Formats the text (at most 4999 bytes; more is cut) and draws it at the
// raster position (x, y) in the current colour, untextured.
void drawText(GLfloat x, GLfloat y, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Draws the text (at most 4999 bytes) centred on the raster position (x, y),
// in the current colour, untextured.
void drawCentredText(GLfloat x, GLfloat y, const char* text);

// Draws one cube with corners at +-1 around the current origin, with the bound texture.
void drawBlockCube();
// Where a cube of a batch stands, in the current model-view frame.
struct CubeCentre {
    GLfloat x, y, z;
};
// Draws `count` cubes as drawBlockCube would at each of `centres`, in one draw,
// with the bound texture; the client arrays are left as they were.
void drawCubeBatch(const CubeCentre* centres, int count);
// Calls drawCell for each cell of the 8 x 17 grid, row by row from row 0 at
// the top, with the model-view origin moved to that cell's cube centre and
// the colour white; origin and colour are back as they were afterwards.
void drawCellGrid(void (*drawCell)(int column, int row));
// Draws the score line (and "Paused" above the well while the game is
// paused), then the board and the falling piece, turned by gameState's pitch and yaw.
void drawPlayField();
// Draws the score line of the Play screen in the current model-view frame.
void drawScoreLine();
// Draws "Paused" centred above the well, in the score line's frame and colour.
void drawPausedLine();
// Draws the title, the items and the cursor, then the wall of cubes turned
// by gameState.menuSpin, each cube with its image of gameState.wall.
void drawMenuScreen();
// Draws a box captioned "Error" with the message and an OK button over the
// middle of the window, in window pixels; the matrices, the enables and the
// colour are left as they were.
void drawErrorBox(const char* message);
// Draws the high score table, and the name prompt while a name is entered,
// with a controller's pending character at its end, or else the cursor when
// gameState.cursorShown; leaves its last colour (red,
// or green) current for the text drawn after (the cubes are always white).
void drawHighscoreScreen();
