// The glyphs on Linux: fontconfig picks a bold fixed-pitch face and FreeType
// renders each glyph as a 1-bit bitmap. The lists draw them either as one
// glBitmap each or, cheaper for Mesa's software renderer, as one textured quad
// each from a single alpha texture of all 96 glyphs, with the same pixels.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "render/render.h"

namespace {

// The face asked of fontconfig: "Courier New" in bold, which Debian answers
// with its metric twin Liberation Mono Bold, else any bold fixed-pitch face.
constexpr const char* fontFamilies[] = {"Courier New", "monospace"};

// FreeType's metrics are in 26.6 fixed point.
constexpr long fixedPointOne = 64;

// The glyph texture: 16 glyphs a row, each in a cell with a texel of space
// around it, so that no quad's edge samples a neighbour.
constexpr int atlasColumns = 16;
constexpr int atlasRows = (fontGlyphCount + atlasColumns - 1) / atlasColumns;
// A quad's fragments pass where its texel is set: 255 in the glyph, 0 around it.
constexpr GLfloat glyphAlphaThreshold = 0.5f;

// One glyph as FreeType renders it, rows from the bottom up as OpenGL takes them.
struct GlyphImage {
    int width = 0, rows = 0;
    int left = 0;       // from the pen position to the bitmap's left edge
    int bottom = 0;     // from the baseline up to the bitmap's bottom edge
    GLfloat advance = 0;
    std::vector<GLubyte> bits;  // 1-bit rows, most significant bit first, each (width + 7) / 8 bytes
    int rowBytes() const { return (width + 7) / 8; }
    bool isSet(int x, int y) const { return (bits[y * rowBytes() + x / 8] >> (7 - x % 8)) & 1; }
};

GLuint atlasTexture = 0;  // the alpha texture of the Quads path; made once
GLfloat quadAdvances[fontGlyphCount] = {};  // each Quads glyph's advance, in pixels

// A bitmap of one clear pixel: inside a display list, Mesa keeps the raster
// move of an empty (0 x 0) glBitmap only when it has pixels.
constexpr GLubyte clearPixel[1] = {0};

// The file and face index fontconfig picks for the font, or an empty file name.
std::pair<std::string, int> matchFontFile() {
    FcPattern* pattern = FcPatternCreate();
    for (const char* family : fontFamilies) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::pair<std::string, int> found{"", 0};
    FcChar8* file = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        found.first = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &found.second);
    }
    if (match != nullptr) FcPatternDestroy(match);
    return found;
}

// Renders the glyph of `code`; FreeType's rows run top down, OpenGL's bottom
// up, so the rows are turned over. A code the face cannot draw as a 1-bit
// bitmap gives an empty image with the face's fixed advance.
GlyphImage renderGlyph(FT_Face face, unsigned code) {
    GlyphImage image;
    if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0 ||
        face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        image.advance = static_cast<GLfloat>(face->size->metrics.max_advance) / fixedPointOne;
        return image;
    }
    const FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    image.width = static_cast<int>(bitmap.width);
    image.rows = static_cast<int>(bitmap.rows);
    image.left = glyph->bitmap_left;
    image.bottom = glyph->bitmap_top - image.rows;
    image.advance = static_cast<GLfloat>(glyph->advance.x) / fixedPointOne;
    const int rowBytes = image.rowBytes();
    image.bits.resize(static_cast<std::size_t>(rowBytes) * image.rows);
    for (int row = 0; row < image.rows; ++row) {
        const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        std::copy(source, source + rowBytes, image.bits.begin() + static_cast<std::ptrdiff_t>((image.rows - 1 - row) * rowBytes));
    }
    return image;
}

// The 96 glyphs, `pixels` high (the em), of the face fontconfig finds; empty, with the reason in
// `why`, when there is no bold fixed-pitch face with 1-bit glyphs.
std::vector<GlyphImage> renderFontGlyphs(int pixels, std::string& why) {
    const auto [file, index] = matchFontFile();
    if (file.empty()) {
        why = "fontconfig offers no font";
        return {};
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        why = "FreeType could not start";
        return {};
    }
    FT_Face face = nullptr;
    std::vector<GlyphImage> glyphs;
    if (FT_New_Face(library, file.c_str(), index, &face) != 0) {
        why = "FreeType could not load " + file;
    } else if (!FT_IS_FIXED_WIDTH(face)) {
        why = file + " is not a fixed-pitch face";
    } else if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels)) != 0) {
        why = file + " has no " + std::to_string(pixels) + "-pixel size";
    } else {
        for (unsigned n = 0; n < fontGlyphCount; ++n) glyphs.push_back(renderGlyph(face, firstGlyphCode + n));
        // A face with grey-level strikes only would leave every glyph blank.
        if (std::none_of(glyphs.begin(), glyphs.end(), [](const GlyphImage& g) { return g.width > 0; })) {
            glyphs.clear();
            why = file + " gives no 1-bit glyphs";
        }
    }
    if (face != nullptr) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return glyphs;
}

// One glBitmap per list, its origin the glyph's pen position on the baseline.
void compileBitmapLists(const std::vector<GlyphImage>& glyphs) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    for (unsigned n = 0; n < fontGlyphCount; ++n) {
        const GlyphImage& g = glyphs[n];
        glNewList(fontBase + n, GL_COMPILE);
        if (g.bits.empty()) {
            glBitmap(1, 1, 0.0f, 0.0f, g.advance, 0.0f, clearPixel);
        } else {
            glBitmap(g.width, g.rows, static_cast<GLfloat>(-g.left), static_cast<GLfloat>(-g.bottom), g.advance,
                     0.0f, g.bits.data());
        }
        glEndList();
    }
    glPopClientAttrib();
    glyphPath = GlyphPath::Bitmaps;
}

int nextPowerOfTwo(int n) {
    int power = 1;
    while (power < n) power *= 2;
    return power;
}

// The glyphs laid out in one alpha texture: 255 where a bit is set, each
// glyph in a cell of its own, 16 cells a row, with sizes of powers of two.
struct GlyphAtlas {
    int width = 0, height = 0;          // texels
    int cellWidth = 0, cellHeight = 0;  // texels a glyph's cell takes
    std::vector<GLubyte> alpha;         // rows from the bottom up
};

GlyphAtlas layOutAtlas(const std::vector<GlyphImage>& glyphs) {
    GlyphAtlas atlas;
    for (const GlyphImage& g : glyphs) {
        atlas.cellWidth = std::max(atlas.cellWidth, g.width + 1);
        atlas.cellHeight = std::max(atlas.cellHeight, g.rows + 1);
    }
    atlas.width = nextPowerOfTwo(atlasColumns * atlas.cellWidth);
    atlas.height = nextPowerOfTwo(atlasRows * atlas.cellHeight);
    atlas.alpha.assign(static_cast<std::size_t>(atlas.width) * atlas.height, 0);
    for (unsigned n = 0; n < fontGlyphCount; ++n) {
        const GlyphImage& g = glyphs[n];
        const int cellX = static_cast<int>(n % atlasColumns) * atlas.cellWidth;
        const int cellY = static_cast<int>(n / atlasColumns) * atlas.cellHeight;
        for (int y = 0; y < g.rows; ++y) {
            for (int x = 0; x < g.width; ++x) {
                if (g.isSet(x, y)) atlas.alpha[static_cast<std::size_t>(cellY + y) * atlas.width + cellX + x] = 255;
            }
        }
    }
    return atlas;
}

// Makes `atlasTexture` (once) and gives it the atlas's texels, sampled
// without filtering, so that a quad's texels are the glyph's bits.
void uploadAtlas(const GlyphAtlas& atlas) {
    glPushAttrib(GL_TEXTURE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    if (atlasTexture == 0) glGenTextures(1, &atlasTexture);
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, atlas.width, atlas.height, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                 atlas.alpha.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPopClientAttrib();
    glPopAttrib();
}

// The list of glyph `n`: its quad at whole-pixel offsets from the pen,
// textured from its cell, then the pen (the model-view origin) moved on by
// its advance.
void compileQuadList(unsigned n, const GlyphImage& g, const GlyphAtlas& atlas) {
    const GLfloat s0 = static_cast<GLfloat>(n % atlasColumns * atlas.cellWidth) / atlas.width;
    const GLfloat t0 = static_cast<GLfloat>(n / atlasColumns * atlas.cellHeight) / atlas.height;
    const GLfloat s1 = s0 + static_cast<GLfloat>(g.width) / atlas.width;
    const GLfloat t1 = t0 + static_cast<GLfloat>(g.rows) / atlas.height;
    const GLfloat x0 = static_cast<GLfloat>(g.left), x1 = x0 + static_cast<GLfloat>(g.width);
    const GLfloat y0 = static_cast<GLfloat>(g.bottom), y1 = y0 + static_cast<GLfloat>(g.rows);
    glNewList(fontBase + n, GL_COMPILE);
    if (g.width > 0 && g.rows > 0) {
        glBegin(GL_QUADS);
        glTexCoord2f(s0, t0);
        glVertex2f(x0, y0);
        glTexCoord2f(s1, t0);
        glVertex2f(x1, y0);
        glTexCoord2f(s1, t1);
        glVertex2f(x1, y1);
        glTexCoord2f(s0, t1);
        glVertex2f(x0, y1);
        glEnd();
    }
    glTranslatef(g.advance, 0.0f, 0.0f);
    glEndList();
}

// The glyphs in one alpha texture, and one list per glyph drawing its quad.
void compileQuadLists(const std::vector<GlyphImage>& glyphs) {
    const GlyphAtlas atlas = layOutAtlas(glyphs);
    uploadAtlas(atlas);
    for (unsigned n = 0; n < fontGlyphCount; ++n) {
        compileQuadList(n, glyphs[n], atlas);
        quadAdvances[n] = glyphs[n].advance;
    }
    glyphPath = GlyphPath::Quads;
}

// The state the quads change besides the matrices and the enables, saved
// when made and put back when it goes, piece by piece: pushing and popping
// whole attribute groups costs Mesa more than drawing the glyphs.
struct QuadGlyphStateGuard {
    GLint matrixMode = 0, boundTexture = 0, environmentMode = 0, alphaFunction = 0;
    GLfloat alphaReference = 0, texCoord[4] = {};
    QuadGlyphStateGuard() {
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environmentMode);
        glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunction);
        glGetFloatv(GL_ALPHA_TEST_REF, &alphaReference);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    }
    ~QuadGlyphStateGuard() {
        glMatrixMode(static_cast<GLenum>(matrixMode));
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, environmentMode);
        glAlphaFunc(static_cast<GLenum>(alphaFunction), alphaReference);
        glTexCoord4fv(texCoord);
    }
    QuadGlyphStateGuard(const QuadGlyphStateGuard&) = delete;
    QuadGlyphStateGuard& operator=(const QuadGlyphStateGuard&) = delete;
};

// Calls the quads' lists in window coordinates, the depth of the raster
// position included (for the default depth range): the quads are
// depth-tested where a bitmap would be, at the whole pixel below the raster
// position where glBitmap puts a bitmap.
void callQuadLists(const char* text, GLsizei length, const GLfloat raster[4]) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const QuadGlyphStateGuard guard;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], 0.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(std::floor(raster[0]), std::floor(raster[1]), raster[2]);
    // The texels give the shape; the current colour alone gives the colour.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, glyphAlphaThreshold);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glCallLists(length, GL_UNSIGNED_BYTE, text);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
}

}  // namespace

void buildFont(GlyphPath path, int pixels) {
    fontBase = glGenLists(fontGlyphCount);
    std::string why;
    const std::vector<GlyphImage> glyphs = renderFontGlyphs(pixels, why);
    if (glyphs.empty()) {
        compileGlutGlyphs(why.c_str());
        return;
    }
    glyphPixels = pixels;
    glyphAdvance = glyphs.front().advance;
    glyphsScale = true;
    // The quads match glBitmap's pixels when every pen position stays on a
    // whole pixel, as FreeType's hinted advances do.
    const bool wholeAdvances = std::all_of(glyphs.begin(), glyphs.end(),
                                           [](const GlyphImage& g) { return g.advance == std::floor(g.advance); });
    if (path == GlyphPath::Quads && wholeAdvances) {
        compileQuadLists(glyphs);
    } else {
        compileBitmapLists(glyphs);
    }
}

void callGlyphLists(const char* text, GLsizei length) {
    if (glyphPath == GlyphPath::Bitmaps) {
        glCallLists(length, GL_UNSIGNED_BYTE, text);
        return;
    }
    // As with glBitmap, a raster position outside the view draws nothing.
    GLboolean valid = GL_FALSE;
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    if (!valid) return;
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    callQuadLists(text, length, raster);

    // The raster position moves on as the glyphs' bitmaps would have moved it;
    // a byte with no glyph moves nothing.
    GLfloat advance = 0;
    for (GLsizei i = 0; i < length; ++i) {
        const unsigned code = static_cast<unsigned char>(text[i]);
        if (code >= firstGlyphCode && code < firstGlyphCode + fontGlyphCount) advance += quadAdvances[code - firstGlyphCode];
    }
    glBitmap(0, 0, 0.0f, 0.0f, advance, 0.0f, nullptr);
}
