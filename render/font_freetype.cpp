// A font file's glyphs rendered by FreeType as 1-bit images: Linux's face,
// which fontconfig finds, and a face file shipped with the game alike.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "render/render.h"

namespace {

// FreeType's metrics are in 26.6 fixed point.
constexpr long fixedPointOne = 64;

// Renders the glyph of `code`; FreeType's rows run top down, the image's
// bottom up, so the rows are turned over. A code the face cannot draw as a
// 1-bit bitmap gives a blank glyph with the face's fixed advance.
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
    const int rowBytes = (image.width + 7) / 8;
    image.bits.resize(static_cast<std::size_t>(rowBytes) * image.rows);
    for (int row = 0; row < image.rows; ++row) {
        const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        std::copy(source, source + rowBytes,
                  image.bits.begin() + static_cast<std::ptrdiff_t>((image.rows - 1 - row) * rowBytes));
    }
    return image;
}

}  // namespace

std::vector<GlyphImage> renderFaceGlyphs(const char* file, int index, int pixels, std::string& why) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        why = "FreeType could not start";
        return {};
    }
    FT_Face face = nullptr;
    std::vector<GlyphImage> glyphs;
    if (FT_New_Face(library, file, index, &face) != 0) {
        why = std::string("FreeType could not load ") + file;
    } else if (!FT_IS_FIXED_WIDTH(face)) {
        why = std::string(file) + " is not a fixed-pitch face";
    } else if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels)) != 0) {
        why = std::string(file) + " has no " + std::to_string(pixels) + "-pixel size";
    } else {
        for (int n = 0; n < fontGlyphCount; ++n) glyphs.push_back(renderGlyph(face, firstGlyphCode + n));
        // A face with grey-level strikes only would leave every glyph blank.
        if (std::none_of(glyphs.begin(), glyphs.end(), [](const GlyphImage& g) { return g.width > 0; })) {
            glyphs.clear();
            why = std::string(file) + " gives no 1-bit glyphs";
        }
    }
    if (face != nullptr) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return glyphs;
}
