#include "output/GroundTruth.h"

#include "base/Check.h"
#include "base/Slices.h"
#include "output/Disparity.h"
#include "output/Pfm.h"
#include "output/Png.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

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

float DisparityValue(float w, double baseline, double focalLength)
{
    return IsDrawn(w) ? static_cast<float>(DisparityFromDistance(DepthToDistance(w), baseline, focalLength)) : infinity;
}

float DistanceValue(float w)
{
    return IsDrawn(w) ? static_cast<float>(DepthToDistance(w)) : infinity;
}

// The KITTI sample of disparity `d`: round(d·256) for 0 < d ≤ 255.99 of a
// drawn pixel, else 0. Rounded half up as std::lround does in this positive
// range, without its library call and without a branch (x − trunc(x) is
// exact), so that a row of them is made in vector instructions.
std::uint16_t KittiSample(bool drawn, double d)
{
    const bool held = drawn && d > 0.0 && d <= 255.99;
    const double scaled = held ? d * 256.0 : 0.0;
    const int truncated = static_cast<int>(scaled);
    return static_cast<std::uint16_t>(truncated + (scaled - truncated >= 0.5));
}

std::uint16_t KittiValue(float w, double baseline, double focalLength)
{
    return KittiSample(IsDrawn(w), DisparityFromDistance(DepthToDistance(w), baseline, focalLength));
}

} // namespace

std::vector<float> DisparityImage(std::span<const float> depth, int width, int height, double baseline,
                                  double focalLength)
{
    std::vector<float> image(depth.size());
    ForEachPixel(depth, width, height,
                 [&](std::size_t i, float w) { image[i] = DisparityValue(w, baseline, focalLength); });
    return image;
}

std::vector<float> DistanceImage(std::span<const float> depth, int width, int height)
{
    std::vector<float> image(depth.size());
    ForEachPixel(depth, width, height, [&](std::size_t i, float w) { image[i] = DistanceValue(w); });
    return image;
}

std::vector<std::uint16_t> KittiDisparity(std::span<const float> depth, int width, int height, double baseline,
                                          double focalLength)
{
    std::vector<std::uint16_t> image(depth.size(), 0);
    ForEachPixel(depth, width, height,
                 [&](std::size_t i, float w) { image[i] = KittiValue(w, baseline, focalLength); });
    return image;
}

void MakeDepthMapFiles(std::span<const float> depth, int width, int height, double baseline, double focalLength,
                       DepthMapsWanted wanted, DepthMapBytes& files)
{
    TAVRIK_CHECK(width > 0 && height > 0);
    const std::size_t w = static_cast<std::size_t>(width);
    TAVRIK_CHECK_EQ(depth.size(), w * static_cast<std::size_t>(height));
    // PFM rows run bottom to top, as the depth buffer's do; PNG rows top to bottom.
    std::uint8_t* const disparity = wanted.disparity ? StartPfmFile(files.disparityPfm, width, height, 1) : nullptr;
    std::uint8_t* const distance = wanted.distance ? StartPfmFile(files.distancePfm, width, height, 1) : nullptr;
    if (wanted.kitti)
        files.kittiPng.resize(2 * depth.size());
    std::uint8_t* const kitti = wanted.kitti ? files.kittiPng.data() : nullptr;
    const std::size_t rows = static_cast<std::size_t>(height);
    const std::size_t slices = std::min(SliceCount(depth.size()), rows);
    // Each row's distances and disparities first, in a loop of arithmetic
    // alone that the compiler turns into vector instructions (the same IEEE
    // operations as DisparityValue, DistanceValue and KittiValue, two pixels
    // at a time), then each file's values of the row without a branch.
    std::vector<double> rowValues(2 * w * slices);
    InSlices(rows, slices, [&](std::size_t slice, std::size_t firstRow, std::size_t lastRow) {
        double* const distances = rowValues.data() + 2 * w * slice;
        double* const disparities = distances + w;
        for (std::size_t j = firstRow; j < lastRow; ++j) {
            const std::size_t windowRow = j * w;
            const float* const depthRow = depth.data() + windowRow;
            for (std::size_t x = 0; x < w; ++x) {
                distances[x] = DepthToDistance(depthRow[x]);
                disparities[x] = DisparityFromDistance(distances[x], baseline, focalLength);
            }
            if (disparity)
                for (std::size_t x = 0; x < w; ++x)
                    PutPfmValue(disparity + 4 * (windowRow + x),
                                IsDrawn(depthRow[x]) ? static_cast<float>(disparities[x]) : infinity);
            if (distance)
                for (std::size_t x = 0; x < w; ++x)
                    PutPfmValue(distance + 4 * (windowRow + x),
                                IsDrawn(depthRow[x]) ? static_cast<float>(distances[x]) : infinity);
            if (kitti) {
                std::uint8_t* const kittiRow = kitti + 2 * (rows - 1 - j) * w;
                for (std::size_t x = 0; x < w; ++x)
                    PutPngSample16(kittiRow + 2 * x, KittiSample(IsDrawn(depthRow[x]), disparities[x]));
            }
        }
    });
}

} // namespace tavrik
