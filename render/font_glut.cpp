// The desktop builds' fallback font: GLUT's 9 x 15 bitmap font, whose
// glyphs GLUT draws but does not hand out. Each is drawn once into the back
// buffer, which the first frame clears, and read back. The web's GLUT has
// no bitmap fonts, so only the desktop builds take this file.
#include <GL/glut.h>

#include <algorithm>
#include <vector>

#include "render/render.h"

const char fallbackFontName[] = "GLUT's 9 x 15 font";

namespace {

void* const glutFont = GLUT_BITMAP_9_BY_15;

// Each glyph is drawn in the window's bottom-left corner, the pen on the
// middle of the pixel (penPixel, penPixel), and that corner read back.
constexpr int captureSide = 32;
constexpr int penPixel = 8;
constexpr GLfloat penCentre = penPixel + 0.5f;
constexpr int rgbaBytes = 4;
constexpr GLubyte litLevel = 128;  // the glyphs are drawn white on black

// The glyph in the corner just drawn: the set pixels' bounding box as a 1-bit image.
GlyphImage readGlyph(const std::vector<GLubyte>& corner, GLfloat advance) {
    const auto lit = [&](int x, int y) {
        return corner[(static_cast<std::size_t>(y) * captureSide + x) * rgbaBytes] >= litLevel;
    };
    int left = captureSide, right = -1, bottom = captureSide, top = -1;
    for (int y = 0; y < captureSide; ++y) {
        for (int x = 0; x < captureSide; ++x) {
            if (!lit(x, y)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            bottom = std::min(bottom, y);
            top = std::max(top, y);
        }
    }
    GlyphImage glyph;
    glyph.advance = advance;
    if (right < 0) return glyph;  // a blank glyph
    glyph.width = right - left + 1;
    glyph.rows = top - bottom + 1;
    glyph.left = left - penPixel;
    glyph.bottom = bottom - penPixel;
    const int rowBytes = (glyph.width + 7) / 8;
    glyph.bits.assign(static_cast<std::size_t>(rowBytes) * glyph.rows, 0);
    for (int y = 0; y < glyph.rows; ++y) {
        for (int x = 0; x < glyph.width; ++x) {
            if (!lit(left + x, bottom + y)) continue;
            glyph.bits[static_cast<std::size_t>(y * rowBytes + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return glyph;
}

}  // namespace

std::vector<GlyphImage> fallbackGlyphs() {
    GLint viewport[4], matrixMode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    // Bitmaps would be textured with the bound texture, and depth-tested.
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    std::vector<GlyphImage> glyphs;
    std::vector<GLubyte> corner(captureSide * captureSide * rgbaBytes);
    for (int n = 0; n < fontGlyphCount; ++n) {
        const int code = static_cast<int>(firstGlyphCode) + n;
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2f(penCentre, penCentre);
        glutBitmapCharacter(glutFont, code);
        glReadPixels(0, 0, captureSide, captureSide, GL_RGBA, GL_UNSIGNED_BYTE, corner.data());
        glyphs.push_back(readGlyph(corner, static_cast<GLfloat>(glutBitmapWidth(glutFont, code))));
    }
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
    return glyphs;
}
