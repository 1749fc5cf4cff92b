// Text: the formatted text drawn with the 96 glyph lists, and GLUT's font for
// the lists when the platform has no face to offer.
#include <GL/glut.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "render/render.h"

GLuint fontBase = 0;
GlyphPath glyphPath = GlyphPath::Bitmaps;
int glyphPixels = baseGlyphPixels;
GLfloat glyphAdvance = 9.0f;
bool glyphsScale = false;

namespace {

constexpr int textBufferSize = 5000;  // bytes a formatted text may take, its zero included
constexpr GLfloat glutGlyphAdvance = 9.0f;  // GLUT's 9 x 15 font

// Draws `length` bytes of `text` from the raster position (x, y) moved
// `shift` pixels across.
void drawTextBytes(GLfloat x, GLfloat y, const char* text, GLsizei length, GLfloat shift) {
    // Texturing is off for bitmap glyphs, so they take the current colour
    // alone rather than whatever texels of the last bound texture they fall on.
    glPushAttrib(GL_LIST_BIT | GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
    glRasterPos2f(x, y);
    if (shift != 0.0f) glBitmap(0, 0, 0.0f, 0.0f, shift, 0.0f, nullptr);
    // A byte outside 32 to 127 names a list that does not exist: it draws nothing.
    glListBase(fontBase - firstGlyphCode);
    callGlyphLists(text, length);
    glPopAttrib();
}

}  // namespace

void compileGlutGlyphs(const char* why) {
    // GLUT's own font always exists, so the text shows whatever the machine's fonts.
    for (unsigned n = 0; n < fontGlyphCount; ++n) {
        glNewList(fontBase + n, GL_COMPILE);
        glutBitmapCharacter(GLUT_BITMAP_9_BY_15, static_cast<int>(firstGlyphCode + n));
        glEndList();
    }
    glyphPath = GlyphPath::Bitmaps;
    glyphPixels = baseGlyphPixels;
    glyphAdvance = glutGlyphAdvance;
    glyphsScale = false;
    reportError((std::string("no bold fixed-pitch font (") + why + "); the text uses GLUT's 9 x 15 font.").c_str());
}

void deleteFont() { glDeleteLists(fontBase, fontGlyphCount); }

int glyphPixelsFor(int windowHeight) {
    return std::max(baseGlyphPixels, baseGlyphPixels * windowHeight / baseWindowHeight);
}

void fitFontToWindow(int windowHeight) {
    const int pixels = glyphPixelsFor(windowHeight);
    if (!glyphsScale || pixels == glyphPixels) return;
    const GlyphPath path = glyphPath;
    deleteFont();
    buildFont(path, pixels);
}

void drawText(GLfloat x, GLfloat y, const char* format, ...) {
    char text[textBufferSize];
    std::va_list arguments;
    va_start(arguments, format);
    // A longer text is cut at the buffer's end; a format error draws nothing.
    const int formatted = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    drawTextBytes(x, y, text, std::clamp(formatted, 0, textBufferSize - 1), 0.0f);
}

void drawCentredText(GLfloat x, GLfloat y, const char* text) {
    const auto length = static_cast<GLsizei>(strnlen(text, textBufferSize - 1));
    // Every glyph of the face moves on alike: half the text's width back.
    drawTextBytes(x, y, text, length, -glyphAdvance * static_cast<GLfloat>(length) / 2);
}
