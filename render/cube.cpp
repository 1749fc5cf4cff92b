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

// Draws the cubes' corners as quads, each with its texture coordinate, from
// client arrays that are enabled for the draw alone; with `texture`, or with
// texturing off for the draw when it is 0.
void drawCubeVertices(GLuint texture, const CubeVertex* vertices, std::size_t count) {
    if (texture == 0) {
        glDisable(GL_TEXTURE_2D);
    } else {
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(CubeVertex), &vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(CubeVertex), &vertices[0].s);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(count));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (texture == 0) glEnable(GL_TEXTURE_2D);
}

}  // namespace

GLuint blockTextures[blockKindCount + 1] = {};

void drawBlockCube(GLuint texture) { drawCubeVertices(texture, cubeVertices, std::size(cubeVertices)); }

void drawCubeBatch(GLuint texture, const CubeCentre* centres, int count) {
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
    if (!vertices.empty()) drawCubeVertices(texture, vertices.data(), vertices.size());
}
