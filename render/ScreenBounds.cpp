#include "render/ScreenBounds.h"

#include <algorithm>
#include <cmath>

namespace tavrik {

namespace {

// The eight corners of the box [lo, hi] carried through `placement`.
std::vector<Vec3> BoxCorners(const Mat4& placement, const Vec3& lo, const Vec3& hi)
{
    std::vector<Vec3> corners;
    for (int i = 0; i < 8; ++i) {
        const auto p = placement.Apply(i & 1 ? hi[0] : lo[0], i & 2 ? hi[1] : lo[1], i & 4 ? hi[2] : lo[2]);
        corners.push_back({p[0], p[1], p[2]});
    }
    return corners;
}

// Translate(position) · RotX · RotY · RotZ, the placement of boxes and cylinders.
Mat4 Placement(const Obiekt& object)
{
    return Translation(object.position[0], object.position[1], object.position[2]) * RotationX(object.rotation[0])
        * RotationY(object.rotation[1]) * RotationZ(object.rotation[2]);
}

} // namespace

std::optional<std::vector<Vec3>> HullPoints(const Obiekt& object)
{
    if (const auto* sphere = dynamic_cast<const Kula*>(&object)) {
        const double r = std::abs(sphere->radius);
        const Mat4 at = Translation(object.position[0], object.position[1], object.position[2]);
        return BoxCorners(at, {-r, -r, -r}, {r, r, r});
    }
    if (const auto* box = dynamic_cast<const Prostopadloscian*>(&object)) {
        const Vec3 h{std::abs(box->halfSize[0]), std::abs(box->halfSize[1]), std::abs(box->halfSize[2])};
        return BoxCorners(Placement(object), {-h[0], -h[1], -h[2]}, h);
    }
    if (const auto* cylinder = dynamic_cast<const Cylinder*>(&object)) {
        const double r = std::max(std::abs(cylinder->baseRadius), std::abs(cylinder->topRadius));
        const double z0 = std::min(0.0, cylinder->height);
        const double z1 = std::max(0.0, cylinder->height);
        return BoxCorners(Placement(object), {-r, -r, z0}, {r, r, z1});
    }
    if (const auto* quad = dynamic_cast<const Czworobok*>(&object))
        return std::vector<Vec3>(quad->vertices.begin(), quad->vertices.end());
    if (dynamic_cast<const Ego*>(&object))
        return std::vector<Vec3>{};
    return std::nullopt;
}

bool InsideViewVolume(const Obiekt& object, const Mat4& transform)
{
    const auto points = HullPoints(object);
    if (!points)
        return false;
    for (const Vec3& p : *points) {
        const auto clip = transform.Apply(p[0], p[1], p[2]);
        // A small margin keeps points that rounding could put on either side
        // of a plane on the safe side.
        const double w = clip[3] * (1.0 - 1e-6);
        if (!(std::abs(clip[0]) < w && std::abs(clip[1]) < w && std::abs(clip[2]) < w))
            return false;
    }
    return true;
}

PixelRect ScreenBounds(const Obiekt& object, const Mat4& transform, int width, int height)
{
    const PixelRect whole{0, 0, width, height};
    const auto points = HullPoints(object);
    if (!points)
        return whole;
    if (points->empty())
        return {};
    double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY;
    for (const Vec3& p : *points) {
        const auto clip = transform.Apply(p[0], p[1], p[2]);
        // Perspective division keeps the hull's image convex only for points
        // in front of the camera.
        if (!(clip[3] > 1e-9) || !std::isfinite(clip[0]) || !std::isfinite(clip[1]))
            return whole;
        const double x = (clip[0] / clip[3] + 1.0) * 0.5 * width;
        const double y = (clip[1] / clip[3] + 1.0) * 0.5 * height;
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::min(bottom, y);
        top = std::max(top, y);
    }
    constexpr double margin = 2.0;
    const double x0 = std::max(0.0, std::floor(left - margin));
    const double y0 = std::max(0.0, std::floor(bottom - margin));
    const double x1 = std::min<double>(width, std::ceil(right + margin));
    const double y1 = std::min<double>(height, std::ceil(top + margin));
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

} // namespace tavrik
