// render/: draws the screens with OpenGL's fixed-function pipeline. Reads the
// game state, the board and the piece; owns `blockTextures`, which the image
// loader fills at start-up.
#pragma once

#include <GL/gl.h>

#include "game/game.h"

// Texture names by BlockKind; slot 0 (black) serves only the menu's wall.
// A name of 0 means the kind's image was not loaded: its cubes are untextured.
extern GLuint blockTextures[blockKindCount + 1];

// The play field's layout in model-view units: the frame's origin, and the
// spacing between the centres of neighbouring cubes (cubes are 2 units wide).
constexpr GLfloat fieldOriginX = -10.0f;
constexpr GLfloat fieldOriginY = 15.0f;
constexpr GLfloat fieldOriginZ = -45.0f;
constexpr GLfloat columnSpacing = 3.0f;
constexpr GLfloat rowSpacing = 2.0f;

// Draws one cube with corners at +-1 around the current origin, with the bound texture.
void drawBlockCube();
// Draws the board and the falling piece, turned by gameState's pitch and yaw.
void drawPlayField();
