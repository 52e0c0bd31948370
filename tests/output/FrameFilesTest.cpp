#include "output/FrameFiles.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tavrik {
namespace {

class SequenceFolderTest : public ::testing::TestWithParam<std::tuple<std::string, int, std::string>> {};

TEST_P(SequenceFolderTest, AddsOneSeparatorAroundTheNumber)
{
    const auto& [outputFolder, sequenceNumber, expected] = GetParam();
    EXPECT_EQ(sequenceFolder(outputFolder, sequenceNumber), expected);
}

INSTANTIATE_TEST_SUITE_P(Folders, SequenceFolderTest,
                         ::testing::Values(std::tuple{"/tmp/out", 3, "/tmp/out/3/"},
                                           std::tuple{"/tmp/out/", 3, "/tmp/out/3/"},
                                           std::tuple{"", 3, "3/"}, std::tuple{"out", 120, "out/120/"}));

class FrameTagTest : public ::testing::TestWithParam<std::tuple<int, std::string>> {};

TEST_P(FrameTagTest, PadsToFourDigitsWithoutWrapping)
{
    const auto& [frameIndex, expected] = GetParam();
    EXPECT_EQ(frameTag(frameIndex), expected);
}

INSTANTIATE_TEST_SUITE_P(Indexes, FrameTagTest,
                         ::testing::Values(std::tuple{0, "0000"}, std::tuple{9, "0009"}, std::tuple{12, "0012"},
                                           std::tuple{345, "0345"}, std::tuple{9999, "9999"},
                                           std::tuple{10000, "10000"}, std::tuple{12345, "12345"}));

TEST(FrameFileNamesTest, PrefixesPerCamera)
{
    const FrameFiles left = FrameFileNames("/tmp/out/3/", 12, false);
    EXPECT_EQ(left.colour, "/tmp/out/3/left_0012.bmp");
    EXPECT_EQ(left.fineDisparity, "/tmp/out/3/ldisp_0012.bmp");
    EXPECT_EQ(left.wholeDisparity, "/tmp/out/3/ldisp_p_0012.bmp");
    EXPECT_EQ(left.disparityText, "/tmp/out/3/lbindisp_0012.dat");
    EXPECT_EQ(left.segmentation, "/tmp/out/3/seg_l_0012.bmp");

    const FrameFiles right = FrameFileNames("3/", 0, true);
    EXPECT_EQ(right.colour, "3/right_0000.bmp");
    EXPECT_EQ(right.fineDisparity, "3/disp_0000.bmp");
    EXPECT_EQ(right.wholeDisparity, "3/disp_p_0000.bmp");
    EXPECT_EQ(right.disparityText, "3/bindisp_0000.dat");
    EXPECT_EQ(right.segmentation, "3/seg_r_0000.bmp");
}

TEST(StaleFrameFilesTest, CountsTheCamerasFilesFromTheFrameCountOn)
{
    const std::vector<std::string> names{
        "left_0002.bmp", "ldisp_0002.bmp", "ldisp_p_0002.bmp", "lbindisp_0002.dat", "seg_l_0002.bmp", // frame 2
        "left_0001.bmp", "ldisp_p_0001.bmp",       // frames this run writes
        "right_0005.bmp", "disp_p_0007.bmp",       // the other camera
        "left_12345.bmp", "left_99999999999.bmp",  // five and more digits
        "left_0003.txt", "left_x003.bmp", "left_.bmp", "L.avi", "ldisp_0003.bmp.partial",
        "ldisp_0002.pfm", "ldepth_0003.pfm", "lflow_0002.flo", "lflow_0001.png", "occ_0009.png"}; // other formats
    EXPECT_EQ(CountStaleFrameFiles(names, false, 2), 10u);
    EXPECT_EQ(CountStaleFrameFiles(names, false, 3), 3u);
    EXPECT_EQ(CountStaleFrameFiles(names, true, 6), 2u);
    EXPECT_EQ(CountStaleFrameFiles(names, true, 0), 3u);
}

} // namespace
} // namespace tavrik
