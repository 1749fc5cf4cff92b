// The glyphs on Windows: GDI's bold "Courier New" at the height the window
// asks for (15 pixels at 480, in proportion when taller), turned into one
// bitmap list per character by WGL.
#include <windows.h>

#include <string>

#include "render/render.h"

namespace {

constexpr int fontWeight = FW_BOLD;
constexpr char fontFace[] = "Courier New";

// Fills the lists from the font through the device context of the game's
// own window, the current one of the GL context: a lookup by the window's
// title could find another running copy's. False, with the reason in `why`,
// when GDI or WGL refuses.
bool compileFontGlyphs(int pixels, std::string& why) {
    HDC context = wglGetCurrentDC();
    if (context == nullptr) {
        why = "no device context";
        return false;
    }
    // A negative height asks for the character height, without the leading.
    HFONT font = CreateFontA(-pixels, 0, 0, 0, fontWeight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, fontFace);
    if (font == nullptr) {
        why = "GDI could not create the font";
        return false;
    }
    const HGDIOBJ previous = SelectObject(context, font);
    const bool built = wglUseFontBitmapsA(context, firstGlyphCode, fontGlyphCount, fontBase) != FALSE;
    // The space has no pixels, and under Wine its list (a bitmap without
    // data) does not move the raster position: it is made again as one
    // unset pixel that steps on by the font's width.
    INT spaceWidth = 0;
    if (built && GetCharWidth32A(context, firstGlyphCode, firstGlyphCode, &spaceWidth)) {
        static constexpr GLubyte blankPixel = 0;
        glNewList(fontBase, GL_COMPILE);
        glBitmap(1, 1, 0.0f, 0.0f, static_cast<GLfloat>(spaceWidth), 0.0f, &blankPixel);
        glEndList();
        glyphAdvance = static_cast<GLfloat>(spaceWidth);
    }
    SelectObject(context, previous);
    DeleteObject(font);
    if (!built) why = "WGL could not make the glyphs";
    return built;
}

}  // namespace

// WGL's glyphs are bitmaps, whatever path is asked for.
void buildFont(GlyphPath, int pixels) {
    fontBase = glGenLists(fontGlyphCount);
    glyphPath = GlyphPath::Bitmaps;
    std::string why;
    if (!compileFontGlyphs(pixels, why)) {
        compileGlutGlyphs(why.c_str());
        return;
    }
    glyphPixels = pixels;
    glyphsScale = true;
}

void callGlyphLists(const char* text, GLsizei length) { glCallLists(length, GL_UNSIGNED_BYTE, text); }
