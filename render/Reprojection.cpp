#include "render/Reprojection.h"

#include "base/Check.h"
#include "output/Disparity.h"
#include "output/GroundTruth.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tavrik {

namespace {

// The samples on either side of position `v` (pixel centres at whole
// numbers) along an axis of `size` pixels: one sample when v is within
// 1/1000 pixel of its centre, so that a point landing on a pixel is compared
// with that pixel alone.
std::pair<int, int> SamplesAround(double v, int size)
{
    const double nearest = std::round(v);
    if (std::abs(v - nearest) <= 1e-3) {
        const int only = std::clamp(static_cast<int>(nearest), 0, size - 1);
        return {only, only};
    }
    const int below = std::clamp(static_cast<int>(std::floor(v)), 0, size - 1);
    return {below, std::min(below + 1, size - 1)};
}

// The farthest of the depth samples of `depth` (bottom row first) around
// window position (x, j). A surface that bends away between samples (the
// crease where a wall meets the floor) lies beyond the samples'
// interpolation there, so only something in front of all of them counts as
// covering the point.
double FarthestDepthAround(std::span<const float> depth, int width, int height, double x, double j)
{
    const auto [x0, x1] = SamplesAround(x, width);
    const auto [j0, j1] = SamplesAround(j, height);
    const auto at = [&](int column, int row) { return depth[static_cast<std::size_t>(row) * width + column]; };
    return std::max({at(x0, j0), at(x1, j0), at(x0, j1), at(x1, j1)});
}

// Rotation and translation of a rigid eye-coordinate transform, turned from
// OpenGL's eye axes (x right, y up, z backward) into x right, y down,
// z forward: C · m · C with C = diag(1, −1, −1).
CameraPose VisionPose(const Mat4& m)
{
    const double flip[3] = {1.0, -1.0, -1.0};
    CameraPose pose{};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            pose[static_cast<std::size_t>(row * 4 + column)] =
                flip[row] * m(row, column) * (column < 3 ? flip[column] : 1.0);
    return pose;
}

// The inverse of a rigid motion [R | t]: [Rᵀ | −Rᵀ·t], exact where a
// general inverse would leave rounding residue.
Mat4 RigidInverse(const Mat4& m)
{
    Mat4 inverse = Mat4::Identity();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            inverse(row, column) = m(column, row);
        inverse(row, 3) = -(m(0, row) * m(0, 3) + m(1, row) * m(1, 3) + m(2, row) * m(2, 3));
    }
    return inverse;
}

} // namespace

Reprojection Reproject(const DepthView& from, const DepthView& to, int width, int height, double depthTolerance)
{
    TAVRIK_CHECK(width > 0 && height > 0);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    TAVRIK_CHECK_EQ(from.depth.size(), count);
    TAVRIK_CHECK_EQ(to.depth.size(), count);

    // Normalised device coordinates of `from` straight to clip coordinates of `to`.
    const Mat4 transfer = to.camera * Inverse(from.camera);
    Reprojection out{std::vector<float>(count, 0.0f), std::vector<float>(count, 0.0f),
                     std::vector<Landing>(count, Landing::nothingDrawn), std::vector<double>(count, 0.0),
                     std::vector<std::uint8_t>(count, 0)};
    for (int j = 0; j < height; ++j) {
        for (int x = 0; x < width; ++x) {
            const float w = from.depth[static_cast<std::size_t>(j) * width + x];
            const std::size_t i = static_cast<std::size_t>(height - 1 - j) * width + x;
            if (!IsDrawn(w))
                continue;
            const auto clip = transfer.Apply(2.0 * (x + 0.5) / width - 1.0, 2.0 * (j + 0.5) / height - 1.0,
                                             2.0 * w - 1.0);
            out.landing[i] = Landing::outside;
            if (!(clip[3] > 0.0))
                continue;
            // Window position with pixel centres at whole numbers, and depth.
            const double xTo = (clip[0] / clip[3] + 1.0) * width / 2.0 - 0.5;
            const double jTo = (clip[1] / clip[3] + 1.0) * height / 2.0 - 0.5;
            const double wTo = (clip[2] / clip[3] + 1.0) / 2.0;
            out.depthThere[i] = wTo;
            out.inFront[i] = 1;
            out.dx[i] = static_cast<float>(xTo - x);
            out.dy[i] = static_cast<float>(j - jTo);
            if (xTo < -0.5 || xTo >= width - 0.5 || jTo < -0.5 || jTo >= height - 0.5 || wTo < 0.0 || wTo > 1.0)
                continue;
            out.landing[i] = wTo <= FarthestDepthAround(to.depth, width, height, xTo, jTo) + depthTolerance ? Landing::visible
                                                                                               : Landing::hidden;
        }
    }
    return out;
}

double DepthTolerance(int depthBits)
{
    TAVRIK_CHECK(depthBits > 0 && depthBits <= 32);
    return 16.0 / std::ldexp(1.0, depthBits);
}

FlowField OpticalFlow(Reprojection toOther, int width, int height)
{
    FlowField flow{width, height, std::move(toOther.dx), std::move(toOther.dy),
                   std::vector<std::uint8_t>(toOther.landing.size())};
    std::ranges::transform(toOther.landing, flow.valid.begin(),
                           [](Landing landing) { return static_cast<std::uint8_t>(landing == Landing::visible); });
    return flow;
}

std::vector<float> DisparityChange(const Reprojection& toNext, std::span<const float> depth, int width, int height,
                                   double baseline, double focalLength)
{
    TAVRIK_CHECK_EQ(depth.size(), toNext.inFront.size());
    std::vector<float> change(depth.size(), std::numeric_limits<float>::infinity());
    for (int j = 0; j < height; ++j)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(height - 1 - j) * width + x;
            if (toNext.inFront[i] == 0)
                continue;
            const double now = DisparityFromDistance(DepthToDistance(depth[static_cast<std::size_t>(j) * width + x]),
                                                     baseline, focalLength);
            const double then = DisparityFromDistance(DepthToDistance(toNext.depthThere[i]), baseline, focalLength);
            change[i] = static_cast<float>(then - now);
        }
    return change;
}

std::vector<std::uint8_t> OcclusionMask(const DepthView& view, const DepthView& otherCamera, int width, int height,
                                        double depthTolerance)
{
    const Reprojection r = Reproject(view, otherCamera, width, height, depthTolerance);
    std::vector<std::uint8_t> mask(r.landing.size());
    std::ranges::transform(r.landing, mask.begin(), [](Landing landing) -> std::uint8_t {
        switch (landing) {
        case Landing::nothingDrawn: return 0;
        case Landing::visible: return 255;
        default: return 128;
        }
    });
    return mask;
}

StereoCalibration RigCalibration(const Mat4& perspective, int width, int height, double baseline, double focalLength)
{
    // From x_ndc = P00·X/Z − P02 and y_ndc = −P11·Y/Z − P12 in vision axes,
    // with image x = (x_ndc + 1)·W/2 − ½ and image y = (1 − y_ndc)·H/2 − ½.
    StereoCalibration c;
    c.fx = perspective(0, 0) * width / 2.0;
    c.fy = perspective(1, 1) * height / 2.0;
    c.cx = (1.0 - perspective(0, 2)) * width / 2.0 - 0.5;
    c.cy = (1.0 + perspective(1, 2)) * height / 2.0 - 0.5;
    c.baseline = baseline;
    c.width = width;
    c.height = height;
    c.ndisp = static_cast<int>(std::ceil(std::abs(baseline * focalLength) / nearDistance));
    return c;
}

CameraPose RelativePose(const Mat4& reference, const Mat4& motion)
{
    // A point in the moved camera's eye coordinates goes back to base-pose
    // eye coordinates through motion⁻¹, then into the reference camera. The
    // reference's own pose is the identity without rounding residue.
    if (motion.m == reference.m)
        return VisionPose(Mat4::Identity());
    return VisionPose(reference * RigidInverse(motion));
}

} // namespace tavrik
