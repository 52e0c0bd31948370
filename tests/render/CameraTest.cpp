#include "render/Camera.h"
#include "render/RenderState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tavrik {
namespace {

// Window coordinates (pixels from the left and from the bottom) of a world
// point seen through `camera` over a width × height viewport.
std::array<double, 2> Project(const Mat4& camera, double x, double y, double z, int width, int height)
{
    const auto clip = (camera * BasePose(90.0, 0.0, 3.0)).Apply(x, y, z);
    return {(clip[0] / clip[3] + 1.0) * width / 2.0, (clip[1] / clip[3] + 1.0) * height / 2.0};
}

void ExpectMatrixNear(const Mat4& actual, const Mat4& expected, double tolerance)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
}

TEST(FieldOfView, FollowsImageHeightAndFocalLengthWithPiAs3_1415)
{
    EXPECT_NEAR(FieldOfViewY(384, 389.0), 52.541, 0.0005);
    EXPECT_NEAR(FieldOfViewY(240, 389.0), 34.289, 0.0005);
    EXPECT_NEAR(FieldOfViewY(600, 389.0), 75.282, 0.0005);
    EXPECT_NEAR(FieldOfViewY(768, 389.0), 89.261, 0.0005);
}

TEST(FieldOfView, AspectIsFourThirdsRoundedToSinglePrecisionForEverySize)
{
    const double fourThirds = static_cast<float>(4.0 / 3.0);
    EXPECT_EQ(AspectRatio(320, 240), fourThirds);
    EXPECT_EQ(AspectRatio(512, 384), fourThirds);
    EXPECT_EQ(AspectRatio(800, 600), fourThirds);
    EXPECT_EQ(AspectRatio(1024, 768), fourThirds);
}

TEST(EgoMotion, NoMotionLeavesTheCameraUnchanged)
{
    ExpectMatrixNear(EgoMotion({0, 0, 0}, {0, 0, 0}), Mat4::Identity(), 0.0);
}

TEST(EgoMotion, PureTranslationMovesEveryPointByT)
{
    const Mat4 e = EgoMotion({0.25, -1.0, 0.1}, {0, 0, 0});
    const auto p = e.Apply(1, 2, 3);
    EXPECT_NEAR(p[0], 1.25, 1e-12);
    EXPECT_NEAR(p[1], 1.0, 1e-12);
    EXPECT_NEAR(p[2], 3.1, 1e-12);
}

TEST(EgoMotion, QuarterTurnsAddUpExactlyWithinAndAcrossFrames)
{
    ExpectMatrixNear(EgoMotion({0, 0, 0}, {90, 0, 0}), RotationX(90), 1e-12);
    // Two frames of 90 degrees about z turn the camera by 180 degrees.
    StereoCamera camera;
    camera.Reset(Mat4::Identity(), 0.12, false);
    camera.ApplyEgoMotion({0, 0, 0}, {0, 0, 90});
    camera.ApplyEgoMotion({0, 0, 0}, {0, 0, 90});
    ExpectMatrixNear(camera.motion(), RotationZ(180), 1e-12);
}

TEST(EgoMotion, AlternatingStepsDifferFromTranslatingThenRotating)
{
    const Mat4 e = EgoMotion({1, 0, 0}, {0, 0, 90});
    const Mat4 translateThenRotate = Translation(1, 0, 0) * RotationZ(90);
    double largest = 0.0;
    for (int i = 0; i < 16; ++i)
        largest = std::max(largest, std::abs(e.m[i] - translateThenRotate.m[i]));
    EXPECT_GT(largest, 0.1);
    // The path is an arc of a quarter circle: the point that started at the
    // origin ends on the circle of chord 1·(2/π)·√2 rather than at (1, 0, 0).
    const auto origin = e.Apply(0, 0, 0);
    EXPECT_NEAR(std::hypot(origin[0], origin[1]), 2.0 / std::numbers::pi * std::sqrt(2.0), 1e-4);
}

TEST(EgoMotion, LaterFrameActsInTheBaseCameraFrameBeforeEarlierRotations)
{
    StereoCamera camera;
    camera.Reset(Mat4::Identity(), 0.0, false);
    camera.ApplyEgoMotion({0, 0, 0}, {0, 90, 0});
    camera.ApplyEgoMotion({0, 0, 1}, {0, 0, 0});
    // The second frame moves the point by +1 along base z first, then the
    // first frame's rotation about y turns (0, 0, 1) into (1, 0, 0).
    const auto p = camera.motion().Apply(0, 0, 0);
    EXPECT_NEAR(p[0], 1.0, 1e-12);
    EXPECT_NEAR(p[1], 0.0, 1e-12);
    EXPECT_NEAR(p[2], 0.0, 1e-12);
}

TEST(StereoCamera, WorldOriginLiesThreeAheadAtTheImageCentre)
{
    StereoCamera camera;
    camera.Reset(ViewPerspective(512, 384, 389.0), 0.12, false);
    const auto eye = BasePose(90.0, 0.0, 3.0).Apply(0, 0, 0);
    EXPECT_NEAR(eye[2], -3.0, 1e-15);
    const auto window = Project(camera.Matrix(), 0, 0, 0, 512, 384);
    EXPECT_NEAR(window[0], 256.0, 1e-9);
    EXPECT_NEAR(window[1], 192.0, 1e-9);
}

// A point at distance Z appears B·F/Z pixels further left in the right
// camera than in the left camera: the disparity of the rig. The focal length
// holds only up to the 3.1415 used for π in the field of view, which scales
// it by tan-ratio ≈ 1 + 3e-5.
TEST(StereoCamera, RightCameraShiftsByTheDisparityOfTheRig)
{
    const double baseline = 0.12, focal = 389.0;
    StereoCamera left, right;
    left.Reset(ViewPerspective(512, 384, focal), baseline, false);
    right.Reset(ViewPerspective(512, 384, focal), baseline, true);
    for (double distance : {1.0, 3.0, 10.0}) {
        const double worldY = distance - 3.0;
        const double xl = Project(left.Matrix(), 0.3, worldY, 0.2, 512, 384)[0];
        const double xr = Project(right.Matrix(), 0.3, worldY, 0.2, 512, 384)[0];
        const double disparity = baseline * focal / distance;
        EXPECT_NEAR(xl - xr, disparity, disparity * 1e-4) << "Z = " << distance;
    }
}

TEST(StereoCamera, BaselineStaysAlongTheMovedCamerasXAxis)
{
    StereoCamera left, right;
    left.Reset(Mat4::Identity(), 0.5, false);
    right.Reset(Mat4::Identity(), 0.5, true);
    for (StereoCamera* c : {&left, &right})
        c->ApplyEgoMotion({0, 0, 0}, {0, 90, 0});
    // After the turn, the right camera's view still differs by −0.5 along
    // its own x axis, not along the turned one.
    const auto l = left.Matrix().Apply(1, 2, 3);
    const auto r = right.Matrix().Apply(1, 2, 3);
    EXPECT_NEAR(r[0] - l[0], -0.5, 1e-12);
    EXPECT_NEAR(r[1] - l[1], 0.0, 1e-12);
    EXPECT_NEAR(r[2] - l[2], 0.0, 1e-12);
}

} // namespace
} // namespace tavrik
