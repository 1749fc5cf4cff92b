// render/: draws the screens with OpenGL's fixed-function pipeline. Reads the
// game state (the menu's wall, the name cursor and the hint included), the
// board, the piece, the high score table, the name being typed, `errorBoxes`
// and `windowView` (the glyphs' size, where the score line stands); writes
// none of them. Owns `blockTextures`, the font (its glyph texture and
// metrics) and `textColour`. The shell sets the projection (app/view.cpp).
//
// It draws only what WebGL's emulation of that pipeline draws too: quads
// from vertex arrays or between glBegin and glEnd, textured or not, the
// alpha and depth tests and the matrix stacks (the desktop's fallback font
// alone is read back once from GLUT's bitmaps). All writing is text drawn as
// one textured quad per glyph from one texture of the 96 glyphs of codes 32
// to 127, standing where OpenGL's raster position for the text's point would.
//
// The drawing state: setDrawingBaseline sets it once, and every drawing
// function leaves it as it found it: 2D texturing on, texture environment
// GL_MODULATE, the depth test on with GL_LEQUAL, back faces culled, the
// alpha test off (its function, when a drawing turns it on: more than half
// opaque), blending off, no client array enabled, the colour white, the
// default depth range (0 to 1). The screens load the model-view matrix
// afresh and leave it where their drawing ended; text, the cubes, the cell
// grid and the error box leave the matrices and the matrix mode as they
// found them. The bound texture is no part of the state: the cubes bind
// their own, while text and the error box leave it as they found it.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "game/game.h"
#include "image/image.h"

// Sets the drawing state described above.
void setDrawingBaseline();

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
// Half a cube's edge: its front face stands this far before its centre.
constexpr GLfloat cubeHalfSize = 1.0f;

// The text screens' frame: the play field's origin, 10 units further back.
constexpr GLfloat screenOriginZ = -55.0f;
// The menu's items in that frame: their column, and their baselines by menuSelection.
constexpr GLfloat menuItemX = 3.5f;
constexpr GLfloat menuItemY[] = {-9.0f, -12.0f, -15.0f};

// The font: glyphs for the character codes 32 to 127.
constexpr unsigned firstGlyphCode = 32;
constexpr int fontGlyphCount = 96;

// One glyph as a 1-bit image, placed from the pen on the baseline.
struct GlyphImage {
    int width = 0, rows = 0;  // its pixels; none for a blank glyph (the space)
    int left = 0;             // from the pen to the image's left edge
    int bottom = 0;           // from the baseline up to the image's bottom edge
    GLfloat advance = 0;      // how far the pen then moves to the right
    std::vector<std::uint8_t> bits;  // rows bottom up, (width + 7) / 8 bytes each, most significant bit first
};

// The glyph sources, each giving the 96 glyphs in code order, or none:
// The face `index` of the font file `file` rendered by FreeType `pixels`
// high (the em); none, with the reason in `why`, when it is no fixed-pitch
// face with 1-bit glyphs at that size.
std::vector<GlyphImage> renderFaceGlyphs(const char* file, int index, int pixels, std::string& why);
// The platform's bold fixed-pitch face `pixels` high (render/font_<platform>.cpp);
// none, with the reason in `why`, when it has none.
std::vector<GlyphImage> platformGlyphs(int pixels, std::string& why);
// The font the text falls back on, which always exists but has one size.
std::vector<GlyphImage> fallbackGlyphs();
extern const char fallbackFontName[];  // the fallback font as a message names it

// The glyphs' height: 15 pixels in a picture 480 high (the window's, or
// textPictureHeight's), and in proportion in a taller one, so that the text
// keeps its size in the layout, which the projection scales with the
// picture. A smaller window keeps 15; a tall frame's text scales down to 6,
// for it must fit the window's width.
constexpr int baseGlyphPixels = 15;
constexpr int smallestTallGlyphPixels = 6;
constexpr int baseWindowHeight = 480;
extern int glyphPixels;        // the height the glyph texture was made for
extern GLfloat glyphAdvance;   // pixels every glyph moves the pen on (the face is fixed-pitch)
extern bool glyphsScale;       // false for the fallback font, which has one size

// Makes the glyph texture from the platform's face `pixels` high, or from the
// fallback font when there is none; sets `glyphPixels`, `glyphAdvance` and
// `glyphsScale`. Returns why it fell back, as a message for the player, or
// nothing when it did not.
std::string buildFont(int pixels);
// Deletes the glyph texture.
void deleteFont();
// The glyph height for the text in `view`, sized for its textPictureHeight.
int glyphPixelsFor(const WindowView& view);
// Makes the glyphs again, as buildFont, for `view` when it wants another
// glyph height and the glyphs scale; returns as buildFont. Once it has
// fallen back the glyphs no longer scale: it says so once in a run.
std::string fitFontToWindow(const WindowView& view);

// The colour drawText and drawCentredText write in: white until the high
// score table sets its own, which stays for all text after (a quirk kept on
// purpose); the cubes are drawn white whatever it is.
extern Rgb textColour;
// Formats the text (at most 4999 bytes; more is cut) and draws it in
// `textColour` where the raster position (x, y) would stand: on whole
// pixels, depth-tested at that point's depth, and not at all when the point
// lies outside the view volume.
void drawText(GLfloat x, GLfloat y, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Draws the text (at most 4999 bytes) in `textColour`, centred on the point (x, y).
void drawCentredText(GLfloat x, GLfloat y, const char* text);
// Draws the text as drawText does, in `colour`.
void drawTextIn(Rgb colour, GLfloat x, GLfloat y, std::string_view text);

// Draws one cube with corners at +-1 around the current origin, with
// `texture`, or untextured in the current colour when it is 0 (a kind whose
// image did not load: WebGL would sample the missing texture as black).
void drawBlockCube(GLuint texture);
// Where a cube of a batch stands, in the current model-view frame.
struct CubeCentre {
    GLfloat x, y, z;
};
// Draws `count` cubes as drawBlockCube(texture) would at each of `centres`, in one draw.
void drawCubeBatch(GLuint texture, const CubeCentre* centres, int count);
// Calls drawCell for each cell of the 8 x 17 grid, row by row from row 0 at
// the top, with the model-view origin moved to that cell's cube centre; the
// origin is back where it was afterwards.
void drawCellGrid(void (*drawCell)(int column, int row));
// Draws the score line (and "Paused" above the well while the game is
// paused, and the touch gestures' hint across the well while it shows),
// then the board and the falling piece, turned by gameState's pitch and yaw.
void drawPlayField();
// Draws the score line of the Play screen in the current model-view frame:
// right of the well's top, or above its left end when the view is framed tall.
void drawScoreLine();
// Draws "Paused" centred above the well, in the score line's frame and colour.
void drawPausedLine();
// Draws the touch gestures' hint across the middle of the well, in the score
// line's frame and colour.
void drawHintLine();
// Draws the title, the items and the cursor, then the wall of cubes turned
// by gameState.menuSpin, each cube with its image of gameState.wall.
void drawMenuScreen();
// Draws a box captioned "Error" with the message and an OK button over the
// middle of the window, in window pixels and colours of its own.
void drawErrorBox(const char* message);
// Draws the high score table in red, and the name prompt in blue with the
// name in green while a name is entered, with a controller's pending
// character at its end, or else the cursor when gameState.cursorShown; its
// last colour stays as `textColour`.
void drawHighscoreScreen();
