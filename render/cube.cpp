// The block cube: every block in the game is this cube with its kind's texture.
#include <vector>

#include "render/render.h"

namespace {

struct CubeVertex {
    GLfloat s, t;     // texture coordinate
    GLfloat x, y, z;  // corner
};

// Six faces of four corners, each face mapping the whole texture. The order
// of faces and corners, and each corner's texture coordinate, decide which
// way up the texture appears on each face. Each face winds counter-clockwise
// seen from outside the cube, so back-face culling drops the hidden three.
constexpr CubeVertex cubeVertices[] = {
    // front, z = +1
    {0, 0, -1, -1, +1}, {1, 0, +1, -1, +1}, {1, 1, +1, +1, +1}, {0, 1, -1, +1, +1},
    // back, z = -1
    {1, 0, -1, -1, -1}, {1, 1, -1, +1, -1}, {0, 1, +1, +1, -1}, {0, 0, +1, -1, -1},
    // top, y = +1
    {0, 1, -1, +1, -1}, {0, 0, -1, +1, +1}, {1, 0, +1, +1, +1}, {1, 1, +1, +1, -1},
    // bottom, y = -1
    {1, 1, -1, -1, -1}, {0, 1, +1, -1, -1}, {0, 0, +1, -1, +1}, {1, 0, -1, -1, +1},
    // right, x = +1
    {1, 0, +1, -1, -1}, {1, 1, +1, +1, -1}, {0, 1, +1, +1, +1}, {0, 0, +1, -1, +1},
    // left, x = -1
    {0, 0, -1, -1, -1}, {1, 0, -1, -1, +1}, {1, 1, -1, +1, +1}, {0, 1, -1, +1, -1},
};

}  // namespace

GLuint blockTextures[blockKindCount + 1] = {};

void drawBlockCube() {
    glBegin(GL_QUADS);
    for (const CubeVertex& v : cubeVertices) {
        glTexCoord2f(v.s, v.t);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
}

void drawCubeBatch(const CubeCentre* centres, int count) {
    // One array of every corner of every cube, drawn at once: a draw costs
    // the software renderer about as much as the pixels of a small cube.
    std::vector<CubeVertex> vertices;
    vertices.reserve(static_cast<std::size_t>(count) * std::size(cubeVertices));
    for (int i = 0; i < count; ++i) {
        for (CubeVertex v : cubeVertices) {
            v.x += centres[i].x;
            v.y += centres[i].y;
            v.z += centres[i].z;
            vertices.push_back(v);
        }
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glInterleavedArrays(GL_T2F_V3F, 0, vertices.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices.size()));
    glPopClientAttrib();
}
