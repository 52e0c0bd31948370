#include "output/CameraText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

namespace tavrik {
namespace {

TEST(CameraTextTest, CalibrationFiles)
{
    const StereoCalibration c{388.5, 388.25, 159.5, 119.5, 0.12, 320, 240, 94};
    EXPECT_EQ(MiddleburyCalibText(c), "cam0=[388.5 0 159.5; 0 388.25 119.5; 0 0 1]\n"
                                      "cam1=[388.5 0 159.5; 0 388.25 119.5; 0 0 1]\n"
                                      "doffs=0\nbaseline=0.12\nwidth=320\nheight=240\nndisp=94\n");
    EXPECT_EQ(KittiCalibText(c), "P0: 388.5 0 159.5 0 0 388.25 119.5 0 0 0 1 0\n"
                                 "P1: 388.5 0 159.5 -46.62 0 388.25 119.5 0 0 0 1 0\n");
}

// A rotation of `degrees` about one axis (0 x, 1 y, 2 z) with a translation,
// and the quaternion (x, y, z, w) it must give.
struct RotationCase {
    int axis;
    double degrees;
};

class TumQuaternionTest : public ::testing::TestWithParam<RotationCase> {};

TEST_P(TumQuaternionTest, AxisAngleHalfSinesAndCosine)
{
    const auto [axis, degrees] = GetParam();
    const double a = degrees * std::numbers::pi / 180.0;
    // Rows of the rotation: the axis stays, the other two turn counter-clockwise.
    CameraPose pose{};
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    pose[static_cast<std::size_t>(axis * 4 + axis)] = 1.0;
    pose[static_cast<std::size_t>(i * 4 + i)] = std::cos(a);
    pose[static_cast<std::size_t>(i * 4 + j)] = -std::sin(a);
    pose[static_cast<std::size_t>(j * 4 + i)] = std::sin(a);
    pose[static_cast<std::size_t>(j * 4 + j)] = std::cos(a);
    pose[3] = 1.5;
    pose[7] = -2.0;
    pose[11] = 0.25;
    const CameraPose poses[] = {pose};
    std::istringstream line(TumPosesText(poses));
    double index, tx, ty, tz, q[4];
    line >> index >> tx >> ty >> tz >> q[0] >> q[1] >> q[2] >> q[3];
    EXPECT_EQ(index, 0.0);
    EXPECT_EQ(tx, 1.5);
    EXPECT_EQ(ty, -2.0);
    EXPECT_EQ(tz, 0.25);
    // qw ≥ 0: a turn beyond 180 degrees is the shorter turn the other way.
    const double sign = std::cos(a / 2) < 0 ? -1.0 : 1.0;
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(q[k], k == axis ? sign * std::sin(a / 2) : 0.0, 1e-12) << k;
    EXPECT_NEAR(q[3], sign * std::cos(a / 2), 1e-12);
}

// Small turns go through the trace, half turns through each diagonal element.
INSTANTIATE_TEST_SUITE_P(Rotations, TumQuaternionTest,
                         ::testing::Values(RotationCase{0, 10.0}, RotationCase{1, -30.0}, RotationCase{2, 90.0},
                                           RotationCase{0, 180.0}, RotationCase{1, 179.0}, RotationCase{2, 200.0}));

} // namespace
} // namespace tavrik
