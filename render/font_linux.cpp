// The glyphs on Linux: fontconfig picks a bold fixed-pitch face, which
// FreeType renders (render/font_freetype.cpp).
#include <fontconfig/fontconfig.h>

#include <string>
#include <utility>
#include <vector>

#include "render/render.h"

namespace {

// The face asked of fontconfig: "Courier New" in bold, which Debian answers
// with its metric twin Liberation Mono Bold, else any bold fixed-pitch face.
constexpr const char* fontFamilies[] = {"Courier New", "monospace"};

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

}  // namespace

std::vector<GlyphImage> platformGlyphs(int pixels, std::string& why) {
    const auto [file, index] = matchFontFile();
    if (file.empty()) {
        why = "fontconfig offers no font";
        return {};
    }
    return renderFaceGlyphs(file.c_str(), index, pixels, why);
}
