#include "score/ErrorImage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrik {
namespace {

struct ColourCase {
    double error;
    double truth;
    Rgb colour;
};

class ErrorColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ErrorColourTest, LogBinsOfTheErrorOverTheOutlierBound)
{
    const ColourCase c = GetParam();
    EXPECT_EQ(ErrorColour(c.error, c.truth), c.colour);
}

// The outlier bound is the larger of 3 px and 5 % of the truth: 3 px
// against a truth of 20, 10 px against 200.
INSTANTIATE_TEST_SUITE_P(Bins, ErrorColourTest,
                         ::testing::Values(ColourCase{0.0, 20.0, {49, 54, 149}},
                                           ColourCase{0.2, 20.0, {69, 117, 180}},
                                           ColourCase{3.0, 20.0, {224, 243, 248}},
                                           ColourCase{3.01, 20.0, {254, 224, 144}},
                                           ColourCase{10.0, 200.0, {224, 243, 248}},
                                           ColourCase{10.1, 200.0, {254, 224, 144}},
                                           ColourCase{48.1, 0.0, {165, 0, 38}}));

TEST(ErrorImageTest, InvalidTruthBlackAndOccludedDimmed)
{
    FrameScore score(3);
    score.add(DisparityKind(), 0, 0.0, 10.0, true, 255);
    score.add(DisparityKind(), 1, 0.0, 10.0, true, 128);
    const RgbImage image = ErrorImage(score, std::vector<std::uint8_t>{255, 128, 0}, 3, 1);
    EXPECT_EQ(image.at(0, 0), (Rgb{49, 54, 149}));
    EXPECT_EQ(image.at(1, 0), (Rgb{24, 27, 74}));
    EXPECT_EQ(image.at(2, 0), (Rgb{0, 0, 0}));
}

} // namespace
} // namespace tavrik
