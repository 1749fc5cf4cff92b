// The glyphs on Linux: fontconfig picks a bold fixed-pitch face, FreeType
// renders each glyph as a 1-bit bitmap, and one glBitmap per list draws it.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "render/render.h"

namespace {

// The face asked of fontconfig: "Courier New" in bold, which Debian answers
// with its metric twin Liberation Mono Bold, else any bold fixed-pitch face.
constexpr const char* fontFamilies[] = {"Courier New", "monospace"};
constexpr FT_UInt glyphPixelHeight = 15;  // the em height, in pixels

// FreeType's metrics are in 26.6 fixed point.
constexpr long fixedPointOne = 64;

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

// Compiles the glyph of `code` as one glBitmap. FreeType's rows run top down,
// OpenGL's bottom up, so the rows are turned over; the origin is the glyph's
// pen position on the baseline. False when the face gave no 1-bit bitmap.
bool compileGlyph(FT_Face face, unsigned code, GLuint list) {
    bool drawn = false;
    glNewList(list, GL_COMPILE);
    if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0 &&
        face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        const FT_GlyphSlot glyph = face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        const unsigned rowBytes = (bitmap.width + 7) / 8;
        std::vector<GLubyte> rows(static_cast<std::size_t>(rowBytes) * bitmap.rows);
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
            std::copy(source, source + rowBytes, rows.begin() + static_cast<std::ptrdiff_t>((bitmap.rows - 1 - row) * rowBytes));
        }
        glBitmap(static_cast<GLsizei>(bitmap.width), static_cast<GLsizei>(bitmap.rows),
                 static_cast<GLfloat>(-glyph->bitmap_left),
                 static_cast<GLfloat>(static_cast<int>(bitmap.rows) - glyph->bitmap_top),
                 static_cast<GLfloat>(glyph->advance.x) / fixedPointOne, 0.0f, rows.data());
        drawn = bitmap.width > 0;
    } else {
        // A code the face cannot draw still takes the face's fixed advance.
        glBitmap(0, 0, 0.0f, 0.0f, static_cast<GLfloat>(face->size->metrics.max_advance) / fixedPointOne, 0.0f,
                 nullptr);
    }
    glEndList();
    return drawn;
}

// Fills the lists from the font fontconfig finds; false, with the reason in
// `why`, when there is no bold fixed-pitch face to load.
bool compileFontGlyphs(std::string& why) {
    const auto [file, index] = matchFontFile();
    if (file.empty()) {
        why = "fontconfig offers no font";
        return false;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        why = "FreeType could not start";
        return false;
    }
    FT_Face face = nullptr;
    bool built = false;
    if (FT_New_Face(library, file.c_str(), index, &face) != 0) {
        why = "FreeType could not load " + file;
    } else if (!FT_IS_FIXED_WIDTH(face)) {
        why = file + " is not a fixed-pitch face";
    } else if (FT_Set_Pixel_Sizes(face, 0, glyphPixelHeight) != 0) {
        why = file + " has no 15-pixel size";
    } else {
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
        int drawn = 0;
        for (unsigned n = 0; n < fontGlyphCount; ++n) drawn += compileGlyph(face, firstGlyphCode + n, fontBase + n);
        glPopClientAttrib();
        // A face with grey-level strikes only would leave every list blank.
        built = drawn > 0;
        if (!built) why = file + " gives no 1-bit glyphs";
    }
    if (face != nullptr) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return built;
}

}  // namespace

void buildFont() {
    fontBase = glGenLists(fontGlyphCount);
    std::string why;
    if (!compileFontGlyphs(why)) compileGlutGlyphs(why.c_str());
}
