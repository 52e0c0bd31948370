#include "score/Trajectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace tavrik {
namespace {

using Mat3 = std::array<double, 9>;

// The rotation by `angle` radians about the unit axis (x, y, z).
Mat3 Rotation(double x, double y, double z, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle), k = 1 - c;
    return {c + x * x * k,     x * y * k - z * s, x * z * k + y * s, y * x * k + z * s, c + y * y * k,
            y * z * k - x * s, z * x * k - y * s, z * y * k + x * s, c + z * z * k};
}

CameraPose Pose(const Mat3& r, double tx, double ty, double tz)
{
    return {r[0], r[1], r[2], tx, r[3], r[4], r[5], ty, r[6], r[7], r[8], tz};
}

// s·G·P: the same trajectory in another frame of reference and scale.
CameraPose Moved(const Mat3& g, const std::array<double, 3>& t, double s, const CameraPose& p)
{
    CameraPose out{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            out[4 * i + j] = g[3 * i] * p[j] + g[3 * i + 1] * p[4 + j] + g[3 * i + 2] * p[8 + j];
        out[4 * i + 3] = s * (g[3 * i] * p[3] + g[3 * i + 1] * p[7] + g[3 * i + 2] * p[11]) + t[i];
    }
    return out;
}

// A winding, climbing drive that turns about every axis.
std::vector<CameraPose> Drive(int frames)
{
    std::vector<CameraPose> poses;
    for (int i = 0; i < frames; ++i) {
        const double a = 0.02 * i;
        poses.push_back(Pose(Rotation(0.0, 0.6, 0.8, a), 3 * std::sin(a), 0.1 * i, 2 * std::cos(1.3 * a)));
    }
    return poses;
}

std::vector<std::optional<CameraPose>> Optional(const std::vector<CameraPose>& poses)
{
    return {poses.begin(), poses.end()};
}

struct MoveCase {
    double scale;
    bool withScale;
};

class TrajectoryMoveTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(TrajectoryMoveTest, AMovedCopyAlignsToZeroError)
{
    const MoveCase c = GetParam();
    const std::vector<CameraPose> truth = Drive(200);
    std::vector<CameraPose> estimate;
    const Mat3 g = Rotation(0.48, 0.6, 0.64, 2.5);
    for (const CameraPose& pose : truth)
        estimate.push_back(Moved(g, {5.0, -7.0, 0.5}, c.scale, pose));
    const TrajectoryScore score = ScoreTrajectory(truth, Optional(estimate), c.withScale);
    EXPECT_LT(score.absoluteError, 1e-9);
    EXPECT_NEAR(score.alignment.scale, 1.0 / c.scale, 1e-12);
    for (std::size_t i = 1; i < truth.size(); ++i) {
        EXPECT_LT(score.relativeTranslation[i], 1e-9) << i;
        EXPECT_LT(score.relativeRotationDegrees[i], 1e-6) << i;
    }
    EXPECT_TRUE(std::isnan(score.relativeTranslation[0]));
}

INSTANTIATE_TEST_SUITE_P(Rigid, TrajectoryMoveTest,
                         ::testing::Values(MoveCase{1.0, false}, MoveCase{1.0, true}, MoveCase{0.25, true}));

// Noise on the camera centres alone: the alignment can take up only six of
// the 3·2000 degrees of freedom, so ATE stays within 0.2 % of the noise's RMS.
TEST(TrajectoryTest, NoisyCopyHasTheNoisesRms)
{
    const std::vector<CameraPose> truth = Drive(2000);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<std::optional<CameraPose>> estimate;
    double squares = 0.0;
    for (const CameraPose& pose : truth) {
        CameraPose noisy = pose;
        for (const int k : {3, 7, 11}) {
            const double n = noise(random);
            noisy[k] += n;
            squares += n * n;
        }
        estimate.push_back(noisy);
    }
    const double rms = std::sqrt(squares / static_cast<double>(truth.size()));
    EXPECT_NEAR(ScoreTrajectory(truth, estimate, false).absoluteError, rms, 0.01 * rms);
}

// From frame 3 on the estimate is moved by 0.3 sideways and turned 2 degrees
// in the camera's own axes: the step into frame 3 has exactly that error,
// the steps before none.
TEST(TrajectoryTest, RelativeErrorIsThatOfTheWrongStep)
{
    const std::vector<CameraPose> truth = Drive(6);
    std::vector<std::optional<CameraPose>> estimate = Optional(truth);
    const Mat3 turn = Rotation(0.0, 0.0, 1.0, 2.0 * M_PI / 180.0);
    for (std::size_t i = 3; i < truth.size(); ++i) {
        // P_i · [turn | (0.3, 0, 0)]
        const CameraPose& p = truth[i];
        const CameraPose offset = Pose(turn, 0.3, 0.0, 0.0);
        CameraPose out{};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                out[4 * r + c] = p[4 * r] * offset[c] + p[4 * r + 1] * offset[4 + c] + p[4 * r + 2] * offset[8 + c]
                    + (c == 3 ? p[4 * r + 3] : 0.0);
        estimate[i] = out;
    }
    const TrajectoryScore score = ScoreTrajectory(truth, estimate, false);
    EXPECT_NEAR(score.relativeTranslation[3], 0.3, 1e-12);
    EXPECT_NEAR(score.relativeRotationDegrees[3], 2.0, 1e-10);
    EXPECT_LT(score.relativeTranslation[2], 1e-12);
}

// The right camera of a rig turned 90 degrees about y (x toward −z) stands
// at the left one's centre plus B along the turned x axis, seen from where
// the right camera stood in frame 0, B to the right of the left one.
TEST(TrajectoryTest, RightCameraRidesTheBaselineAlongTheTurnedXAxis)
{
    const std::vector<CameraPose> left{Pose(Rotation(0, 1, 0, 0.0), 0, 0, 0),
                                       Pose(Rotation(0, 1, 0, M_PI / 2), 1.0, 2.0, 3.0)};
    const std::vector<CameraPose> right = RightCameraPoses(left, 0.5);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(right[0][k], left[0][k]) << k;
    EXPECT_NEAR(right[1][3], 1.0 - 0.5, 1e-15);
    EXPECT_NEAR(right[1][7], 2.0, 1e-15);
    EXPECT_NEAR(right[1][11], 3.0 - 0.5, 1e-15);
}

TEST(TrajectoryTest, MissingFramesAreLeftOut)
{
    const std::vector<CameraPose> truth = Drive(5);
    std::vector<std::optional<CameraPose>> estimate = Optional(truth);
    estimate[2].reset();
    const TrajectoryScore score = ScoreTrajectory(truth, estimate, false);
    EXPECT_TRUE(std::isnan(score.positionError[2]));
    EXPECT_TRUE(std::isnan(score.relativeTranslation[2]));
    EXPECT_TRUE(std::isnan(score.relativeTranslation[3]));
    EXPECT_LT(score.relativeTranslation[4], 1e-12);
    EXPECT_LT(score.absoluteError, 1e-12);
}

} // namespace
} // namespace tavrik
