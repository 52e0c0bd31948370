#include "score/EstimateFiles.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "output/Png.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavrik {
namespace {

// A turn of 30 degrees about z and one of 90 about x, with translations.
const std::vector<CameraPose> poses{
    {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0},
    {0.8660254037844387, -0.5, 0, 1.5, 0.5, 0.8660254037844387, 0, -2, 0, 0, 1, 0.25},
    {1, 0, 0, 3, 0, 0, -1, 0, 0, 1, 0, 7},
};

TEST(TrajectoryTextTest, KittiAndTumFormsReadToTheSamePoses)
{
    for (const std::string& text : {KittiPosesText(poses), "# tum\n" + TumPosesText(poses)}) {
        const auto read = ParseTrajectory(text, "p.txt");
        ASSERT_EQ(read.size(), poses.size());
        for (std::size_t i = 0; i < poses.size(); ++i) {
            ASSERT_TRUE(read[i]);
            for (int k = 0; k < 12; ++k)
                EXPECT_NEAR((*read[i])[k], poses[i][k], 1e-15) << text;
        }
    }
}

TEST(TrajectoryTextTest, TumStampsPlaceFramesAndMayLeaveGaps)
{
    const auto read = ParseTrajectory("3 1 2 3 0 0 0 1\n0.0 0 0 0 0 0 0 2\n", "t.txt");
    ASSERT_EQ(read.size(), 4u);
    EXPECT_TRUE(read[0] && read[3] && !read[1] && !read[2]);
    EXPECT_EQ((*read[3])[7], 2.0);
    EXPECT_EQ((*read[0])[0], 1.0); // the quaternion (0, 0, 0, 2) is normalised
}

struct RefusedText {
    const char* text;
    const char* message;
};

class TrajectoryRefusalTest : public ::testing::TestWithParam<RefusedText> {};

TEST_P(TrajectoryRefusalTest, NamesFileAndLine)
{
    try {
        ParseTrajectory(GetParam().text, "est.txt");
        FAIL() << "accepted";
    } catch (const UserError& e) {
        EXPECT_STREQ(e.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, TrajectoryRefusalTest,
    ::testing::Values(
        RefusedText{"\n1 2 3\n",
                    "est.txt: line 2: 3 numbers; a pose line has 12 (3 × 4 [R | t]) or 8 (stamp tx ty tz qx qy qz qw)"},
        RefusedText{"0 0 0 0 0 0 0 nan\n", "est.txt: line 1: 'nan' is not a finite number"},
        RefusedText{"0.5 0 0 0 0 0 0 1\n", "est.txt: line 1: the time stamp 0.5 is not a frame index"},
        RefusedText{"1 0 0 0 0 0 0 1\n1 0 0 0 0 0 0 1\n", "est.txt: line 2: frame 1 is given twice"},
        RefusedText{"0 0 0 0 0 0 0 0\n", "est.txt: line 1: the quaternion is 0"}));

TEST(FramePatternTest, FrameFieldsAndRefusals)
{
    EXPECT_EQ(FramePatternName("{frame:06d}_10.png", 42), "000042_10.png");
    EXPECT_EQ(FramePatternName("d{frame}.pfm", 12345), "d12345.pfm");
    EXPECT_EQ(FramePatternName("{frame:02d}", 123), "123");
    for (const char* bad : {"{frame:6d}.png", "{index}.png", "{frame", "{frame:00d}"})
        EXPECT_THROW(FramePatternName(bad, 1), UserError) << bad;
}

TEST(DisparityFileTest, PngIsInSteps1Over256AndZeroIsEmpty)
{
    const auto folder = test::ScratchFolder();
    const std::string png = (folder / "d.png").string();
    WriteWholeFile(png, EncodePng(std::vector<std::uint16_t>{0, 256, 640}, 3, 1, 1));
    EXPECT_EQ(ReadDisparityFile(png).values,
              (std::vector<float>{std::numeric_limits<float>::infinity(), 1.0f, 2.5f}));
}

} // namespace
} // namespace tavrik
