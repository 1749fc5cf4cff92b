// The play field drawn through a real GL context and read back.
// Occlusion queries are OpenGL 1.5; Mesa declares them with this.
#define GL_GLEXT_PROTOTYPES
#include <gtest/gtest.h>

#include <algorithm>

#include "gl_support.h"
#include "test_support.h"

namespace {

TEST(PlayField, APieceAndAFloorBlockShowWhereTheProjectionPutsThem) {
    resetWorld(spawnColumn, 0, {1, 2, 3});
    fill({{6, floorRow}}, 4);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawPlayField();
    const std::vector<Rgb> frame = readFrame();

    // No textures are loaded here, so every cube is untextured white.
    const ScreenBox cubes[] = {projectCell(3, 0), projectCell(3, 1), projectCell(3, 2),
                               projectCell(6, floorRow)};
    for (const ScreenBox& cube : cubes) {
        const Rgb centre = pixelAt(frame, cube.centreX(), cube.centreY());
        EXPECT_EQ(centre.red, 255);
        EXPECT_EQ(centre.green, 255);
        EXPECT_EQ(centre.blue, 255);
    }
    // The floor cell is near the bottom of the window, below the piece.
    EXPECT_LT(cubes[3].top, cubes[2].bottom);
    EXPECT_GT(cubes[3].left, cubes[0].right);

    // The score line stands above the well, unturned: "Score: 0 ".
    double scoreX = 0, scoreY = 0;
    projectFromCell(0, 0, 19, 2, 0, scoreX, scoreY);
    const ScreenBox scoreLine = textBox(scoreX, scoreY, 9);
    EXPECT_GT(countPixels(frame, scoreLine, [](Rgb p) { return !isBlack(p); }), 30);

    int lit = 0;
    for (int y = 0; y < windowHeight; ++y) {
        for (int x = 0; x < windowWidth; ++x) {
            if (isBlack(pixelAt(frame, x, y))) continue;
            ++lit;
            const bool inACube = std::any_of(std::begin(cubes), std::end(cubes),
                                             [&](const ScreenBox& cube) { return cube.contains(x, y, 1.0); });
            ASSERT_TRUE(inACube || scoreLine.contains(x, y, 0.0)) << "stray pixel at " << x << "," << y;
        }
    }
    EXPECT_GT(lit, 4 * 100);
}

TEST(PlayField, RowZeroIsAtTheTopAndColumnZeroAtTheLeft) {
    const ScreenBox topLeft = projectCell(0, 0);
    const ScreenBox bottomRight = projectCell(boardColumns - 1, floorRow);
    EXPECT_LT(topLeft.right, bottomRight.left);
    EXPECT_GT(topLeft.bottom, bottomRight.top);
    // The whole well fits in the window.
    EXPECT_GE(topLeft.left, 0);
    EXPECT_LE(topLeft.top, windowHeight);
    EXPECT_GE(bottomRight.bottom, 0);
    EXPECT_LE(bottomRight.right, windowWidth);
}

TEST(PlayField, ThePieceAndABoardBlockInOneCellAreBothDrawn) {
    // Untextured cubes look alike, so count the cubes drawn instead.
    resetWorld(spawnColumn, 0, {1, 2, 3});
    fill({{spawnColumn, 1}}, 5);
    GLuint query = 0;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glGenQueries(1, &query);
    glBeginQuery(GL_SAMPLES_PASSED, query);
    drawPlayField();
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint overlapped = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &overlapped);

    fill({{spawnColumn, 1}}, emptyCell);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBeginQuery(GL_SAMPLES_PASSED, query);
    drawPlayField();
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint pieceOnly = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &pieceOnly);
    glDeleteQueries(1, &query);

    // With LEQUAL the second cube's front face passes the depth test again.
    EXPECT_GT(overlapped, pieceOnly + pieceOnly / 6);
}

}  // namespace
