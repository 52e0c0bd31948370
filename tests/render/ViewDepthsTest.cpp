#include "render/ViewDepths.h"

#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tavrik {
namespace {

// A kept depth serves only the frame it was kept for, seen through exactly
// its camera, in a run of the same scene at the same size, and only once.
TEST(ViewDepths, ServeOnlyTheFrameAndCameraTheyWereKeptFor)
{
    const std::vector<std::string> scene{"SPHERE; 1; 2; 1;1;1; 0;1;0; 0;0;0; 0.5"};
    ViewDepths kept(test::ScratchFolder().string(), 3, 2, scene);
    Mat4 camera = Mat4::Identity();
    camera(0, 3) = 0.12;
    const std::vector<float> depth{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 1.0f};
    kept.Add(1, camera, depth);

    EXPECT_TRUE(kept.Serves(scene, 3, 2));
    EXPECT_FALSE(kept.Serves({"SPHERE; 1; 2; 1;1;1; 0;1;0; 0;0;0; 0.6"}, 3, 2));
    EXPECT_FALSE(kept.Serves(scene, 2, 3));
    kept.Add(2, camera, depth);
    std::vector<float> found;
    EXPECT_FALSE(kept.Take(0, camera, found));
    ASSERT_TRUE(kept.Take(1, camera, found));
    EXPECT_EQ(found, depth);
    EXPECT_FALSE(kept.Take(1, camera, found));
    Mat4 other = camera;
    other(0, 3) = std::nextafter(0.12, 1.0);
    EXPECT_FALSE(kept.Take(2, other, found));
}

} // namespace
} // namespace tavrik
