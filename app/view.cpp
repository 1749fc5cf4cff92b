// The view's frames: how each screen's picture fits the window's shape.
#include <algorithm>
#include <cmath>

#include "app/app.h"
#include "render/render.h"

WindowView windowView;

namespace {

constexpr double pi = 3.14159265358979323846;
// The tangent of half the field of view: the 4:3 picture spans y from -t to t at unit distance.
const double halfViewTangent = std::tan(perspectiveFieldOfViewY * pi / 360.0);
// A tall window's text picture is this share of its width high.
constexpr double tallTextShare = 0.9;

// The middle of the 4:3 picture `pictureHeight` pixels high, as much of it as the window shows.
ViewFrame pictureFrame(const WindowView& view, int pictureHeight) {
    const double across = halfViewTangent * view.width / pictureHeight;
    const double upward = halfViewTangent * view.height / pictureHeight;
    return {-across, across, -upward, upward};
}

// Play in a tall window: the well and half a column beside it fill the
// width (the score line stands above the well there), and never less than
// the 4:3 picture's height shows, so that a nearly square window loses
// nothing above or below.
ViewFrame tallPlayFrame(const WindowView& view) {
    const double front = -(fieldOriginZ + cubeHalfSize);
    const double spare = columnSpacing / 2;
    const double left = fieldOriginX - cubeHalfSize - spare;
    const double right = fieldOriginX + columnSpacing * (boardColumns - 1) + cubeHalfSize + spare;
    const double aspect = static_cast<double>(view.width) / view.height;
    const double halfWidth = std::max((right - left) / 2, halfViewTangent * front * aspect);
    const double middle = (left + right) / 2;
    const double halfHeight = halfWidth / aspect;
    return {(middle - halfWidth) / front, (middle + halfWidth) / front, -halfHeight / front, halfHeight / front};
}

}  // namespace

bool framedTall(const WindowView& view) { return view.framesTall && view.height > view.width; }

int textPictureHeight(const WindowView& view) {
    if (!framedTall(view)) return view.height;
    return std::max(1, static_cast<int>(std::lround(view.width * tallTextShare)));
}

ViewFrame viewFrame(ScreenMode mode, const WindowView& view) {
    if (mode == ScreenMode::Play && framedTall(view)) return tallPlayFrame(view);
    return pictureFrame(view, textPictureHeight(view));
}
