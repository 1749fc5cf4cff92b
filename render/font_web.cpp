// The glyphs in a page: Liberation Mono Bold, which the site carries (the
// face Linux's fontconfig picks for "Courier New" in bold), rendered by
// FreeType (render/font_freetype.cpp). The fallback is the same face at the
// base size, made into the program when it is built (make_fallback_glyphs.cpp):
// the page's text shows even when the font file does not load.
#include <string>
#include <vector>

#include "app/app.h"
#include "render/render.h"

std::vector<GlyphImage> platformGlyphs(int pixels, std::string& why) {
    // The build names the file, which the site carries in its directory.
    const std::string path = std::string(siteDirectory) + "/" + TESSARINE_WEB_FONT;
    return renderFaceGlyphs(path.c_str(), 0, pixels, why);
}
