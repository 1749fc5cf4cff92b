// Text: the glyphs laid out in one texture, and each text drawn as one quad
// per glyph, placed where OpenGL would put bitmaps at the raster position
// of the text's point, the position worked out here from the matrices and
// the viewport.
#include <GL/gl.h>
#include <GL/glext.h>  // GL_CLAMP_TO_EDGE, which Windows' OpenGL 1.1 header lacks

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "render/render.h"

int glyphPixels = baseGlyphPixels;
GLfloat glyphAdvance = 0;
bool glyphsScale = false;
Rgb textColour = {255, 255, 255};

namespace {

constexpr int textBufferSize = 5000;  // bytes a formatted text may take, its zero included

// The glyph texture: 16 glyphs a row, each in a cell with a texel of space
// around it, so that no quad's edge samples a neighbour.
constexpr int atlasColumns = 16;
constexpr int atlasRows = (fontGlyphCount + atlasColumns - 1) / atlasColumns;
constexpr GLubyte glyphTexel[2] = {255, 255};  // luminance and alpha where a bit is set; 0 around

// A glyph's bitmap lands at the whole pixel below its pen position. Mesa
// gives glBitmap a ten-thousandth of a pixel of slack, so that a position a
// rounding error short of a whole pixel lands on it; so do the quads.
constexpr GLfloat pixelSlack = 0.0001f;

// Where a glyph lies in the texture, and how it stands from the pen.
struct AtlasGlyph {
    GLfloat s0, t0, s1, t1;  // its texels' corners
    int left, bottom, width, rows;
    GLfloat advance;
};

GLuint atlasTexture = 0;  // made once, filled again when the glyphs change size
AtlasGlyph atlasGlyphs[fontGlyphCount] = {};

// One corner of a glyph's quad: its texture coordinate and its window position and depth.
struct TextVertex {
    GLfloat s, t;
    GLfloat x, y, z;
};

// A point of the model-view frame carried to the window, as OpenGL carries
// a raster position: valid only inside the view volume.
struct WindowPoint {
    GLfloat x, y, z;
    bool valid;
};

int nextPowerOfTwo(int n) {
    int power = 1;
    while (power < n) power *= 2;
    return power;
}

bool bitSet(const GlyphImage& g, int x, int y) {
    const int rowBytes = (g.width + 7) / 8;
    return (g.bits[static_cast<std::size_t>(y * rowBytes + x / 8)] >> (7 - x % 8) & 1) != 0;
}

// The glyphs' texels, luminance and alpha, with sides of powers of two; fills `atlasGlyphs`.
std::vector<GLubyte> layOutAtlas(const std::vector<GlyphImage>& glyphs, int& width, int& height) {
    int cellWidth = 0, cellHeight = 0;
    for (const GlyphImage& g : glyphs) {
        cellWidth = std::max(cellWidth, g.width + 1);
        cellHeight = std::max(cellHeight, g.rows + 1);
    }
    width = nextPowerOfTwo(atlasColumns * cellWidth);
    height = nextPowerOfTwo(atlasRows * cellHeight);
    std::vector<GLubyte> texels(static_cast<std::size_t>(width) * height * sizeof glyphTexel, 0);
    for (int n = 0; n < fontGlyphCount; ++n) {
        const GlyphImage& g = glyphs[n];
        const int cellX = n % atlasColumns * cellWidth, cellY = n / atlasColumns * cellHeight;
        for (int y = 0; y < g.rows; ++y) {
            for (int x = 0; x < g.width; ++x) {
                if (!bitSet(g, x, y)) continue;
                const std::size_t at = (static_cast<std::size_t>(cellY + y) * width + cellX + x) * sizeof glyphTexel;
                std::copy(std::begin(glyphTexel), std::end(glyphTexel),
                          texels.begin() + static_cast<std::ptrdiff_t>(at));
            }
        }
        const auto w = static_cast<GLfloat>(width), h = static_cast<GLfloat>(height);
        atlasGlyphs[n] = {cellX / w, cellY / h, (cellX + g.width) / w, (cellY + g.rows) / h,
                          g.left, g.bottom, g.width, g.rows, g.advance};
    }
    return texels;
}

// Gives `atlasTexture` (made the first time) the glyphs' texels, sampled
// without filtering, so that a quad's pixels are the glyph's bits.
void uploadAtlas(const std::vector<GlyphImage>& glyphs) {
    int width = 0, height = 0;
    const std::vector<GLubyte> texels = layOutAtlas(glyphs, width, height);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if (atlasTexture == 0) glGenTextures(1, &atlasTexture);
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, width, height, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

// `matrix` (column-major, as OpenGL gives it) times `in`, summed in OpenGL's order.
void transform(const GLfloat matrix[16], const GLfloat in[4], GLfloat out[4]) {
    for (int row = 0; row < 4; ++row) {
        out[row] = matrix[row] * in[0] + matrix[4 + row] * in[1] + matrix[8 + row] * in[2] + matrix[12 + row] * in[3];
    }
}

// Where the raster position (x, y) would be: through the model-view and
// projection matrices, clipped to the view volume, through the viewport.
WindowPoint windowPoint(GLfloat x, GLfloat y, const GLint viewport[4]) {
    GLfloat modelView[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const GLfloat object[4] = {x, y, 0.0f, 1.0f};
    GLfloat eye[4], clip[4];
    transform(modelView, object, eye);
    transform(projection, eye, clip);
    for (int axis = 0; axis < 3; ++axis) {
        if (clip[axis] < -clip[3] || clip[axis] > clip[3]) return {0, 0, 0, false};
    }
    const GLfloat inverseW = 1.0f / clip[3];
    const GLfloat halfWidth = static_cast<GLfloat>(viewport[2]) * 0.5f;
    const GLfloat halfHeight = static_cast<GLfloat>(viewport[3]) * 0.5f;
    return {clip[0] * inverseW * halfWidth + (halfWidth + static_cast<GLfloat>(viewport[0])),
            clip[1] * inverseW * halfHeight + (halfHeight + static_cast<GLfloat>(viewport[1])),
            clip[2] * inverseW * 0.5f + 0.5f, true};
}

// The quads of the glyphs of `text` from the pen at `start`, each at the
// whole pixel below its pen position; the pen moves on by each glyph's
// advance. A byte outside 32 to 127 has no glyph: it draws nothing and moves nothing.
std::vector<TextVertex> glyphQuads(std::string_view text, WindowPoint start) {
    std::vector<TextVertex> vertices;
    vertices.reserve(text.size() * 4);
    GLfloat pen = start.x;
    for (const char byte : text) {
        const unsigned code = static_cast<unsigned char>(byte);
        if (code < firstGlyphCode || code >= firstGlyphCode + fontGlyphCount) continue;
        const AtlasGlyph& g = atlasGlyphs[code - firstGlyphCode];
        if (g.width > 0 && g.rows > 0) {
            const GLfloat x0 = std::floor(pen + pixelSlack + static_cast<GLfloat>(g.left));
            const GLfloat y0 = std::floor(start.y + pixelSlack + static_cast<GLfloat>(g.bottom));
            const GLfloat x1 = x0 + static_cast<GLfloat>(g.width), y1 = y0 + static_cast<GLfloat>(g.rows);
            vertices.insert(vertices.end(), {{g.s0, g.t0, x0, y0, start.z}, {g.s1, g.t0, x1, y0, start.z},
                                             {g.s1, g.t1, x1, y1, start.z}, {g.s0, g.t1, x0, y1, start.z}});
        }
        pen += g.advance;
    }
    return vertices;
}

// Draws quads given in window coordinates and depth (for the default depth
// range) through a projection of the viewport, textured from the glyphs:
// the alpha test keeps their set texels, in `colour` alone.
void drawWindowQuads(const std::vector<TextVertex>& vertices, Rgb colour, const GLint viewport[4]) {
    GLint matrixMode = 0, bound = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], 0.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glEnable(GL_ALPHA_TEST);
    glColor3ub(colour.red, colour.green, colour.blue);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(TextVertex), &vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(TextVertex), &vertices[0].s);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices.size()));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_ALPHA_TEST);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
}

// Draws `text` in `colour` from the raster position (x, y) moved `shift` pixels across.
void drawTextAt(Rgb colour, GLfloat x, GLfloat y, std::string_view text, GLfloat shift) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    WindowPoint start = windowPoint(x, y, viewport);
    if (!start.valid) return;
    start.x += shift;
    const std::vector<TextVertex> vertices = glyphQuads(text, start);
    if (!vertices.empty()) drawWindowQuads(vertices, colour, viewport);
}

}  // namespace

std::string buildFont(int pixels) {
    std::string why;
    std::vector<GlyphImage> glyphs = platformGlyphs(pixels, why);
    std::string fallback;
    glyphsScale = !glyphs.empty();
    if (!glyphsScale) {
        // The fallback font always exists, so the text shows whatever the machine's fonts.
        glyphs = fallbackGlyphs();
        fallback = "no bold fixed-pitch font (" + why + "); the text uses " + fallbackFontName + ".";
        pixels = baseGlyphPixels;
    }
    glyphPixels = pixels;
    glyphAdvance = glyphs.front().advance;
    uploadAtlas(glyphs);
    return fallback;
}

void deleteFont() {
    glDeleteTextures(1, &atlasTexture);
    atlasTexture = 0;
}

int glyphPixelsFor(int pictureHeight) {
    return std::max(baseGlyphPixels, baseGlyphPixels * pictureHeight / baseWindowHeight);
}

std::string fitFontToWindow(int pictureHeight) {
    const int pixels = glyphPixelsFor(pictureHeight);
    if (!glyphsScale || pixels == glyphPixels) return {};
    return buildFont(pixels);
}

void drawText(GLfloat x, GLfloat y, const char* format, ...) {
    char text[textBufferSize];
    std::va_list arguments;
    va_start(arguments, format);
    // A longer text is cut at the buffer's end; a format error draws nothing.
    const int formatted = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    const auto length = static_cast<std::size_t>(std::clamp(formatted, 0, textBufferSize - 1));
    drawTextAt(textColour, x, y, std::string_view(text, length), 0.0f);
}

void drawCentredText(GLfloat x, GLfloat y, const char* text) {
    const std::size_t length = strnlen(text, textBufferSize - 1);
    // Every glyph of the face moves on alike: half the text's width back.
    drawTextAt(textColour, x, y, std::string_view(text, length), -glyphAdvance * static_cast<GLfloat>(length) / 2);
}

void drawTextIn(Rgb colour, GLfloat x, GLfloat y, std::string_view text) { drawTextAt(colour, x, y, text, 0.0f); }
