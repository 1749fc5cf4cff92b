// The drawing state that every drawing function expects and leaves (render.h).
#include "render/render.h"

namespace {

// The alpha test keeps the glyphs' texels, which are wholly opaque or wholly clear.
constexpr GLfloat opaqueEnough = 0.5f;

}  // namespace

void setDrawingBaseline() {
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_DEPTH_TEST);
    // LEQUAL lets a piece block and a board block in the same cell both show.
    glDepthFunc(GL_LEQUAL);
    // Every cube is closed and its faces wind counter-clockwise seen from
    // outside: the faces turned away are hidden anyway, and the software
    // renderer would pay for their pixels. Text and the error box face the viewer.
    glEnable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, opaqueEnough);
    glDisable(GL_BLEND);
    glColor3f(1.0f, 1.0f, 1.0f);
}
