// Helpers of the drawing tests: read the back buffer, find where a cell lands.
#pragma once

#include <GL/glu.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/app.h"
#include "image/image.h"
#include "render/render.h"

inline bool isBlack(Rgb p) { return p.red == 0 && p.green == 0 && p.blue == 0; }

// The back buffer as drawn so far, bottom row first.
inline std::vector<Rgb> readFrame() {
    glFinish();
    std::vector<Rgb> pixels(windowWidth * windowHeight);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, windowWidth, windowHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

inline Rgb pixelAt(const std::vector<Rgb>& frame, int x, int y) { return frame[y * windowWidth + x]; }

struct ScreenBox {
    double left, bottom, right, top;  // window coordinates, y up
    int centreX() const { return static_cast<int>((left + right) / 2); }
    int centreY() const { return static_cast<int>((bottom + top) / 2); }
    bool contains(int x, int y, double margin) const {
        return x >= left - margin && x <= right + margin && y >= bottom - margin && y <= top + margin;
    }
};

// Window coordinates of the model-view point (x, y, z), with the model-view matrix reset.
inline void projectPoint(double x, double y, double z, double& windowX, double& windowY) {
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const GLdouble identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLdouble windowZ = 0;
    gluProject(x, y, z, identity, projection, viewport, &windowX, &windowY, &windowZ);
}

// Window coordinates of the point (dx, dy, dz) from the centre of the cube
// of (column, row), unrotated, as the play field places that cube.
inline void projectFromCell(int column, int row, double dx, double dy, double dz, double& windowX,
                            double& windowY) {
    projectPoint(fieldOriginX + columnSpacing * column + dx, fieldOriginY - rowSpacing * row + dy,
                 fieldOriginZ + dz, windowX, windowY);
}

// The window area a line of `characters` glyphs may cover from the raster
// position (x, y): 9 pixels a glyph, from below the baseline to above the capitals.
inline ScreenBox textBox(double x, double y, int characters) {
    return ScreenBox{x - 1, y - 5, x + 9.0 * characters + 1, y + 15};
}

// The number of pixels of the frame inside the box that pass the test.
template <typename Test>
int countPixels(const std::vector<Rgb>& frame, const ScreenBox& box, Test test) {
    int count = 0;
    for (int y = std::max(0, static_cast<int>(box.bottom)); y < std::min(windowHeight, static_cast<int>(box.top) + 1); ++y) {
        for (int x = std::max(0, static_cast<int>(box.left)); x < std::min(windowWidth, static_cast<int>(box.right) + 1); ++x) {
            if (test(pixelAt(frame, x, y))) ++count;
        }
    }
    return count;
}

// The window area covered by the cube of (column, row), unrotated: the box
// around its eight projected corners.
inline ScreenBox projectCell(int column, int row) {
    ScreenBox box = {1e9, 1e9, -1e9, -1e9};
    for (int corner = 0; corner < 8; ++corner) {
        double wx = 0, wy = 0;
        projectFromCell(column, row, (corner & 1) ? 1 : -1, (corner & 2) ? 1 : -1, (corner & 4) ? 1 : -1, wx, wy);
        box.left = std::min(box.left, wx);
        box.right = std::max(box.right, wx);
        box.bottom = std::min(box.bottom, wy);
        box.top = std::max(box.top, wy);
    }
    return box;
}
