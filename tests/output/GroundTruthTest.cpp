#include "output/GroundTruth.h"

#include "output/Disparity.h"
#include "output/Pfm.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrik {
namespace {

// A 2 × 2 depth buffer, bottom row first: a surface at Z = 1, the nearest
// possible one, a surface at Z = 2, nothing drawn.
const float depth[] = {float(17.0 / 33.5), 0.0f, float(25.5 / 33.5), 1.0f};

TEST(GroundTruthTest, DisparityAndDistanceImagesTopRowFirstWithInfinityWhereNothingWasDrawn)
{
    const std::vector<float> disparity = DisparityImage(depth, 2, 2, 0.12, 389.0);
    const std::vector<double> text = ConvertDepth(depth, 2, 2, 0.12, 389.0).values;
    EXPECT_EQ(disparity[0], static_cast<float>(text[0])); // the very value of the disparity text
    EXPECT_TRUE(std::isinf(disparity[1]) && disparity[1] > 0);
    EXPECT_EQ(disparity[2], static_cast<float>(text[2]));
    EXPECT_EQ(disparity[3], 93.36f);

    const std::vector<float> distance = DistanceImage(depth, 2, 2);
    EXPECT_NEAR(distance[0], 2.0, 1e-5);
    EXPECT_TRUE(std::isinf(distance[1]) && distance[1] > 0);
    EXPECT_NEAR(distance[2], 1.0, 1e-6);
    EXPECT_EQ(distance[3], 0.5f);
}

TEST(GroundTruthTest, KittiDisparityIsRoundedSixteenBitsAndZeroWhenInvalid)
{
    // With B = 1, D is F/2 at Z = 2, F at Z = 1 and 2F at Z = 0.5. The float
    // depths move D·256 by under 0.01, far from every rounding boundary here.
    const auto kitti = [](double focalLength) { return KittiDisparity(depth, 2, 2, 1.0, focalLength); };
    EXPECT_EQ(kitti(46.68), (std::vector<std::uint16_t>{5975, 0, 11950, 23900}));
    EXPECT_EQ(kitti(127.99), (std::vector<std::uint16_t>{16383, 0, 32765, 65531}));  // D = 255.98 is valid
    EXPECT_EQ(kitti(128.005), (std::vector<std::uint16_t>{16385, 0, 32769, 0}));     // D = 256.01 is not
    EXPECT_EQ(kitti(-10.0), (std::vector<std::uint16_t>{0, 0, 0, 0}));               // nor a negative one
}

TEST(GroundTruthTest, FilesMadeInOnePassHoldTheMaps)
{
    // The four pixels of the 2 × 2 buffer in turn, shifted by one from row to
    // row, over rows enough to be cut into slices on several cores.
    constexpr int w = 256;
    constexpr int h = 160;
    std::vector<float> tiled(w * h);
    for (std::size_t i = 0; i < tiled.size(); ++i)
        tiled[i] = depth[(i + i / w) % 4];
    DepthMapBytes files;
    MakeDepthMapFiles(tiled, w, h, 0.12, 389.0, {true, true, true}, files);
    EXPECT_EQ(files.disparityPfm, EncodePfm(DisparityImage(tiled, w, h, 0.12, 389.0), w, h));
    EXPECT_EQ(files.distancePfm, EncodePfm(DistanceImage(tiled, w, h), w, h));
    std::vector<std::uint8_t> kitti;
    for (const std::uint16_t sample : KittiDisparity(tiled, w, h, 0.12, 389.0))
        kitti.insert(kitti.end(), {static_cast<std::uint8_t>(sample >> 8), static_cast<std::uint8_t>(sample)});
    EXPECT_EQ(files.kittiPng, kitti);
}

} // namespace
} // namespace tavrik
