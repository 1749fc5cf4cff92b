// The glyphs on Windows: GDI's bold "Courier New" at the height the window
// asks for (15 pixels at 480, in proportion when taller), each glyph as the
// 1-bit bitmap GetGlyphOutline gives, which is what WGL's bitmap lists were
// made of.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "render/render.h"

namespace {

constexpr int fontWeight = FW_BOLD;
constexpr char fontFace[] = "Courier New";

// GGO_BITMAP's rows run top down, each padded to a multiple of 4 bytes.
constexpr DWORD gdiRowAlignment = 4;

// The glyph of `code` in the font selected into `context`; false when GDI refuses.
bool readGlyph(HDC context, unsigned code, GlyphImage& glyph) {
    static const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS metrics{};
    const DWORD size = GetGlyphOutlineA(context, code, GGO_BITMAP, &metrics, 0, nullptr, &identity);
    if (size == GDI_ERROR) return false;
    glyph.advance = static_cast<GLfloat>(metrics.gmCellIncX);
    if (size == 0) return true;  // a blank glyph, such as the space
    std::vector<BYTE> bitmap(size);
    if (GetGlyphOutlineA(context, code, GGO_BITMAP, &metrics, size, bitmap.data(), &identity) == GDI_ERROR) {
        return false;
    }
    const DWORD stride = (metrics.gmBlackBoxX + 8 * gdiRowAlignment - 1) / (8 * gdiRowAlignment) * gdiRowAlignment;
    if (static_cast<std::size_t>(stride) * metrics.gmBlackBoxY > size) return false;
    glyph.width = static_cast<int>(metrics.gmBlackBoxX);
    glyph.rows = static_cast<int>(metrics.gmBlackBoxY);
    glyph.left = metrics.gmptGlyphOrigin.x;
    glyph.bottom = metrics.gmptGlyphOrigin.y - glyph.rows;
    const std::size_t rowBytes = (glyph.width + 7) / 8;
    glyph.bits.resize(rowBytes * glyph.rows);
    for (int row = 0; row < glyph.rows; ++row) {
        const BYTE* source = bitmap.data() + static_cast<std::size_t>(row) * stride;
        std::copy(source, source + rowBytes,
                  glyph.bits.begin() + static_cast<std::ptrdiff_t>((glyph.rows - 1 - row) * rowBytes));
    }
    return true;
}

}  // namespace

// The font comes through the device context of the game's own window, the
// current one of the GL context: a lookup by the window's title could find
// another running copy's.
std::vector<GlyphImage> platformGlyphs(int pixels, std::string& why) {
    HDC context = wglGetCurrentDC();
    if (context == nullptr) {
        why = "no device context";
        return {};
    }
    // A negative height asks for the character height, without the leading.
    HFONT font = CreateFontA(-pixels, 0, 0, 0, fontWeight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, fontFace);
    if (font == nullptr) {
        why = "GDI could not create the font";
        return {};
    }
    const HGDIOBJ previous = SelectObject(context, font);
    std::vector<GlyphImage> glyphs(fontGlyphCount);
    for (int n = 0; n < fontGlyphCount; ++n) {
        if (!readGlyph(context, firstGlyphCode + n, glyphs[n])) {
            why = "GDI could not render the glyphs";
            glyphs.clear();
            break;
        }
    }
    SelectObject(context, previous);
    DeleteObject(font);
    return glyphs;
}
