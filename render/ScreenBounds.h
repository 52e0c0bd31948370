#pragma once

#include "output/PixelRect.h"
#include "render/Camera.h"
#include "scene/SceneObjects.h"

#include <optional>
#include <vector>

namespace tavrik {

// World points whose convex hull holds everything `object` draws, or none
// when it is unbounded (a plane).
std::optional<std::vector<Vec3>> HullPoints(const Obiekt& object);

// A rectangle of the width × height view that holds every pixel `object`
// can touch when drawn through `transform` (projection · model-view of the
// view). Conservative: the whole view when the object is unbounded or
// reaches behind the camera, and a margin of two pixels for rasterisation
// and the single-precision vertices. Empty when it lies wholly outside.
PixelRect ScreenBounds(const Obiekt& object, const Mat4& transform, int width, int height);

// Whether every point of `object` lies inside the view volume of `transform`
// (projection · model-view), near and far planes included, so that none of
// its primitives is clipped. False for unbounded objects.
bool InsideViewVolume(const Obiekt& object, const Mat4& transform);

} // namespace tavrik
