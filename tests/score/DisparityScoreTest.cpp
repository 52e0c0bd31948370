#include "score/DisparityScore.h"
#include "score/FlowScore.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavrik {
namespace {

constexpr float inf = std::numeric_limits<float>::infinity();

std::optional<ErrorMeasures> RegionMeasures(const PixelKind& kind, const FrameScore& score, Region region)
{
    return Measures(kind, score.tallies[static_cast<std::size_t>(region)]);
}

// A 4 × 2 truth with one invalid pixel.
const FloatImage truth{4, 2, {10.0f, 20.0f, inf, 40.0f, 2.0f, 4.0f, 80.0f, 100.0f}};

// An empty estimate pixel counts as disparity 0; D1 needs both more than
// 3 pixels and more than 5 %.
TEST(DisparityScoreTest, EmptyPixelsCountAsZeroAndD1NeedsBothBounds)
{
    FloatImage estimate = truth;
    estimate.values[4] = inf;     // truth 2: error 2, not an outlier (below 3 px)
    estimate.values[7] = 104.0f;  // error 4 = 4 %: not an outlier
    estimate.values[0] = 13.5f;   // error 3.5 = 35 %: an outlier
    const FrameScore score = ScoreDisparity(truth, {}, estimate);
    const ErrorTally& all = score.tallies[0];
    EXPECT_EQ(all.pixels, 7);
    EXPECT_EQ(all.estimated, 6);
    EXPECT_EQ(all.errorSum, 2.0 + 4.0 + 3.5);
    EXPECT_EQ(all.outliers, 1);
    EXPECT_EQ(all.above[3], 2); // > 3 px: 3.5 and 4
    EXPECT_EQ(score.tallies[1].pixels, 0); // no mask: only "all"
    EXPECT_FALSE(RegionMeasures(DisparityKind(), score, Region::occluded));
}

TEST(FlowScoreTest, EndPointErrorAndFlOutliersOverKnownTruth)
{
    const FlowField truthFlow{3, 1, {3.0f, 100.0f, 1.0f}, {4.0f, 0.0f, 1.0f}, {1, 1, 0}};
    const FlowField estimate{3, 1, {0.0f, 104.5f, 9.0f}, {0.0f, 0.0f, 9.0f}, {0, 1, 1}};
    const FrameScore score = ScoreFlow(truthFlow, std::vector<std::uint8_t>{255, 128, 255}, estimate);
    const auto all = RegionMeasures(FlowKind(), score, Region::all);
    ASSERT_TRUE(all);
    EXPECT_DOUBLE_EQ(all->meanError, (5.0 + 4.5) / 2); // unknown estimate: |(3, 4)|
    EXPECT_EQ(all->densityPercent, 50.0);
    EXPECT_EQ(all->outlierPercent, 50.0); // 5 px of 5 is one; 4.5 px of 100 is not
    EXPECT_EQ(all->abovePercent, (std::vector<double>{100.0, 100.0, 0.0}));
    EXPECT_EQ(score.tallies[1].pixels, 1);
    EXPECT_EQ(score.tallies[2].pixels, 1);
}

TEST(ErrorTallyTest, MeansOverPixelsAndOverFramesDiffer)
{
    ErrorTally small;
    small.add(DisparityKind(), 2.0, 10.0, true);
    ErrorTally large;
    for (int i = 0; i < 3; ++i)
        large.add(DisparityKind(), 0.0, 10.0, true);
    const std::vector<ErrorMeasures> frames{*Measures(DisparityKind(), small), *Measures(DisparityKind(), large)};
    EXPECT_EQ(MeanOverFrames(frames)->meanError, 1.0);
    small += large;
    EXPECT_EQ(Measures(DisparityKind(), small)->meanError, 0.5);
}

} // namespace
} // namespace tavrik
