#include "output/FrameWriter.h"

#include "tests/ScratchFolder.h"
#include "base/FileIo.h"
#include "base/UserError.h"
#include "output/Bmp.h"
#include "output/Disparity.h"
#include "output/Segmentation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

TEST(ImageFromBottomUpRowsTest, MirrorsRowsKeepsColumns)
{
    const std::uint8_t rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9,           // window row 0 (bottom)
                                10, 11, 12, 13, 14, 15, 16, 17, 18}; // window row 1 (top)
    RgbImage expected(3, 2);
    expected.set(0, 0, {10, 11, 12});
    expected.set(1, 0, {13, 14, 15});
    expected.set(2, 0, {16, 17, 18});
    expected.set(0, 1, {1, 2, 3});
    expected.set(1, 1, {4, 5, 6});
    expected.set(2, 1, {7, 8, 9});
    EXPECT_EQ(ImageFromBottomUpRows(rgb, 3, 2), expected);
}

// 3 × 2: BMP rows need padding; every pixel has its own colour and depth.
FrameCapture SmallFrame()
{
    FrameCapture frame{3, 2, {}, {0.0f, 0.5f, 0.9f, 0.95f, 0.98f, 1.0f}, {7, noId, noId, noId, 0, noId}};
    for (int i = 0; i < 18; ++i)
        frame.colour.push_back(static_cast<std::uint8_t>(20 * i));
    return frame;
}

RgbImage SmallFrameSegmentation()
{
    RgbImage map(3, 2, Rgb{255, 255, 255});
    map.set(1, 0, {0, 0, 0});
    map.set(0, 1, {7, 7, 7});
    return map;
}

const char* const fileNames[2][5] = {
    {"left_0002.bmp", "ldisp_0002.bmp", "ldisp_p_0002.bmp", "lbindisp_0002.dat", "seg_l_0002.bmp"},
    {"right_0002.bmp", "disp_0002.bmp", "disp_p_0002.bmp", "bindisp_0002.dat", "seg_r_0002.bmp"}};

class WriteFrameOutputsTest : public ::testing::TestWithParam<bool> {};

TEST_P(WriteFrameOutputsTest, WritesFiveFilesIntoANewSequenceFolder)
{
    const bool right = GetParam();
    const fs::path root = test::ScratchFolder(right ? "FrameWriterRight" : "FrameWriterLeft");
    const FrameCapture frame = SmallFrame();
    WriteFrameOutputs(frame, {root.string(), 3, right, 0.2, 500.0}, 2);

    const fs::path folder = root / "3";
    const auto& names = fileNames[right ? 1 : 0];
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 5);
    EXPECT_EQ(ReadBmpFile((folder / names[4]).string()), SmallFrameSegmentation());

    const DisparityOutputs disparity = ConvertDepth(frame.depth, 3, 2, 0.2, 500.0);
    EXPECT_EQ(ReadBmpFile((folder / names[0]).string()), ImageFromBottomUpRows(frame.colour.data(), 3, 2));
    EXPECT_EQ(ReadBmpFile((folder / names[1]).string()), disparity.fine);
    EXPECT_EQ(ReadBmpFile((folder / names[2]).string()), disparity.whole);
    const std::vector<std::uint8_t> bytes = ReadWholeFile((folder / names[3]).string(), 1 << 20, "");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text, FormatDisparityText(disparity.values, 3, 2));
    // The first value is the image's top-left pixel, from the window's top
    // row; eighteen digits read back to the same double.
    ASSERT_EQ(text.substr(0, 6), "3\r\n2\r\n");
    EXPECT_EQ(std::strtod(text.c_str() + 6, nullptr),
              DisparityFromDistance(DepthToDistance(frame.depth[3]), 0.2, 500.0));
}

INSTANTIATE_TEST_SUITE_P(Cameras, WriteFrameOutputsTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Right" : "Left"; });

TEST(WriteFrameOutputsTest, MissingParentFolderFailsAtTheColourImage)
{
    const fs::path root = test::ScratchFolder("FrameWriterMissing");
    const std::string outputFolder = (root / "missing").string();
    try {
        WriteFrameOutputs(SmallFrame(), {outputFolder, 3, false}, 0);
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + outputFolder + "/3/left_0000.bmp: No such file or directory");
    }
    EXPECT_TRUE(fs::is_empty(root));
}

// A folder standing where one of the files belongs makes exactly that file
// fail: the files before it are written, none after it.
class WriteFrameOutputsFailureTest : public ::testing::TestWithParam<int> {};

TEST_P(WriteFrameOutputsFailureTest, StopsAtTheFileThatCannotBeWritten)
{
    const int blocked = GetParam();
    const fs::path root = test::ScratchFolder("FrameWriterBlocked" + std::to_string(blocked));
    const fs::path folder = root / "1";
    const auto& names = fileNames[0];
    fs::create_directories(folder / names[blocked]);
    try {
        WriteFrameOutputs(SmallFrame(), {root.string() + "/", 1, false}, 2);
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + (folder / names[blocked]).string()
                      + ": not a regular file (a link, FIFO, device or folder is never written through)");
    }
    for (int i = 0; i < 5; ++i) {
        if (i != blocked) {
            EXPECT_EQ(fs::exists(folder / names[i]), i < blocked) << names[i];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, WriteFrameOutputsFailureTest, ::testing::Range(0, 5));

// A frame's error reaches the caller at the next Finish and names the frame;
// after it the queue takes frames again.
TEST(FrameOutputQueueTest, ReportsEachFrameOnceItsFilesAreWritten)
{
    const fs::path root = test::ScratchFolder("FrameOutputQueue");
    FrameOutputQueue queue;
    EXPECT_EQ(queue.Finish(), std::nullopt);
    queue.Submit(SmallFrame(), {root.string(), 0, false}, 4);
    EXPECT_EQ(queue.Finish(), 4);
    EXPECT_TRUE(fs::exists(root / "0" / "seg_l_0004.bmp"));
    EXPECT_FALSE(queue.busy());

    queue.Submit(SmallFrame(), {(root / "missing").string(), 0, false}, 5);
    EXPECT_THROW(queue.Finish(), UserError);
    EXPECT_EQ(queue.failedFrame(), 5);
    queue.Submit(SmallFrame(), {root.string(), 0, false}, 6);
    EXPECT_EQ(queue.Finish(), 6);
}

} // namespace
} // namespace tavrik
