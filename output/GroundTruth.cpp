#include "output/GroundTruth.h"

#include "base/Check.h"
#include "output/Disparity.h"

#include <cmath>
#include <limits>

namespace tavrik {

namespace {

// Calls `pixel(imageIndex, depth)` for every pixel, image index top row first.
template <typename PerPixel>
void ForEachPixel(std::span<const float> depth, int width, int height, PerPixel pixel)
{
    TAVRIK_CHECK(width >= 0 && height >= 0);
    const std::size_t w = static_cast<std::size_t>(width);
    TAVRIK_CHECK_EQ(depth.size(), w * static_cast<std::size_t>(height));
    for (int j = 0; j < height; ++j) {
        const std::size_t windowRow = static_cast<std::size_t>(j) * w;
        const std::size_t imageRow = static_cast<std::size_t>(height - 1 - j) * w;
        for (std::size_t x = 0; x < w; ++x)
            pixel(imageRow + x, depth[windowRow + x]);
    }
}

constexpr float infinity = std::numeric_limits<float>::infinity();

} // namespace

std::vector<float> DisparityImage(std::span<const float> depth, int width, int height, double baseline,
                                  double focalLength)
{
    std::vector<float> image(depth.size());
    ForEachPixel(depth, width, height, [&](std::size_t i, float w) {
        image[i] = IsDrawn(w) ? static_cast<float>(DisparityFromDistance(DepthToDistance(w), baseline, focalLength))
                              : infinity;
    });
    return image;
}

std::vector<float> DistanceImage(std::span<const float> depth, int width, int height)
{
    std::vector<float> image(depth.size());
    ForEachPixel(depth, width, height, [&](std::size_t i, float w) {
        image[i] = IsDrawn(w) ? static_cast<float>(DepthToDistance(w)) : infinity;
    });
    return image;
}

std::vector<std::uint16_t> KittiDisparity(std::span<const float> depth, int width, int height, double baseline,
                                          double focalLength)
{
    std::vector<std::uint16_t> image(depth.size(), 0);
    ForEachPixel(depth, width, height, [&](std::size_t i, float w) {
        const double d = DisparityFromDistance(DepthToDistance(w), baseline, focalLength);
        if (IsDrawn(w) && d > 0.0 && d <= 255.99)
            image[i] = static_cast<std::uint16_t>(std::lround(d * 256.0));
    });
    return image;
}

} // namespace tavrik
