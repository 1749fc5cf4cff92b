// Writes the page's fallback glyphs as C++ source: the glyphs of a font file
// at the base size, rendered by FreeType when the game is built, so that the
// page's text shows even when the site's font file does not load. Runs under
// node on the machine's files.
// Usage: make_fallback_glyphs FONT_FILE FACE_NAME OUTPUT_FILE
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "render/render.h"

namespace {

constexpr int fixedPointOne = 64;  // FreeType's advances are whole 64ths of a pixel

void writeGlyph(std::ofstream& out, const GlyphImage& glyph) {
    out << "        {" << glyph.width << ", " << glyph.rows << ", " << glyph.left << ", " << glyph.bottom << ", "
        << static_cast<long>(glyph.advance * fixedPointOne) << " / " << fixedPointOne << ".0f, {";
    for (std::size_t i = 0; i < glyph.bits.size(); ++i) out << (i == 0 ? "" : ", ") << int{glyph.bits[i]};
    out << "}},\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: make_fallback_glyphs FONT_FILE FACE_NAME OUTPUT_FILE\n", stderr);
        return 2;
    }
    std::string why;
    const std::vector<GlyphImage> glyphs = renderFaceGlyphs(argv[1], 0, baseGlyphPixels, why);
    if (glyphs.empty()) {
        std::fprintf(stderr, "make_fallback_glyphs: %s\n", why.c_str());
        return 1;
    }
    std::ofstream out(argv[3]);
    out << "// The page's fallback glyphs, " << argv[2] << " at " << baseGlyphPixels
        << " pixels: made by render/make_fallback_glyphs.cpp when the game was built.\n"
        << "#include \"render/render.h\"\n\n"
        << "const char fallbackFontName[] = \"the built-in " << baseGlyphPixels << "-pixel glyphs of " << argv[2]
        << "\";\n\n"
        << "std::vector<GlyphImage> fallbackGlyphs() {\n    return {\n";
    for (const GlyphImage& glyph : glyphs) writeGlyph(out, glyph);
    out << "    };\n}\n";
    return out ? 0 : 1;
}
