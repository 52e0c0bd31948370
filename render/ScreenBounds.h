#pragma once

#include "render/Camera.h"
#include "scene/SceneObjects.h"

#include <optional>
#include <vector>

namespace tavrik {

// A rectangle of window pixels: x from the left, y from the bottom row,
// as glScissor and glReadPixels take it.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    // The smallest rectangle holding both.
    PixelRect United(const PixelRect& other) const;
};

// World points whose convex hull holds everything `object` draws, or none
// when it is unbounded (a plane).
std::optional<std::vector<Vec3>> HullPoints(const Obiekt& object);

// A rectangle of the width × height view that holds every pixel `object`
// can touch when drawn through `transform` (projection · model-view of the
// view). Conservative: the whole view when the object is unbounded or
// reaches behind the camera, and a margin of two pixels for rasterisation
// and the single-precision vertices. Empty when it lies wholly outside.
PixelRect ScreenBounds(const Obiekt& object, const Mat4& transform, int width, int height);

} // namespace tavrik
