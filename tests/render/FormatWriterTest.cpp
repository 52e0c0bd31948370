#include "render/FormatWriter.h"

#include "base/UserError.h"
#include "output/FrameWriter.h"
#include "render/RenderState.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

// The files of frame 1 of a left run, in the order they are written (the
// frame's own, then frame 0's flow and disparity change, then its backward flow).
const std::vector<std::string> frameOneFiles{"ldisp_0001.pfm",       "ldisp_0001.png", "ldepth_0001.pfm",
                                             "locc_0001.png",        "ldispchange_0000.pfm", "lflow_0000.flo",
                                             "lflow_0000.png",       "lflowback_0001.flo",   "lflowback_0001.png"};

// A folder standing where one of frame 1's files belongs makes exactly that
// file fail, although all of them are made at once and written behind the
// frame: the files before it are written, none after it, and the error names
// frame 1.
class FormatWriterFailureTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FormatWriterFailureTest, StopsAtTheFileThatCannotBeWritten)
{
    const std::size_t blocked = GetParam();
    const fs::path root = test::ScratchFolder();
    const fs::path folder = root / "0";
    fs::create_directories(folder / frameOneFiles[blocked]);
    constexpr int w = 8;
    constexpr int h = 6;
    GenerationSettings settings;
    settings.viewWidth = w;
    settings.viewHeight = h;
    settings.outputFolder = root.string() + "/";
    settings.formats = ParseOutputFormats("pfm,kitti,depth,occlusion,flow,dispchange");
    const Mat4 perspective = ViewPerspective(w, h, settings.focalLength);
    FormatWriter writer;
    writer.Start(settings, RigCalibration(perspective, w, h, settings.baseline, settings.focalLength), false, 24, {});
    const std::vector<float> depth(w * h, 0.5f);
    const FrameCameras cameras{perspective, perspective * Translation(-settings.baseline, 0.0, 0.0), Mat4::Identity()};
    writer.WriteFrame(writer.MakeFrame(0, depth, depth, cameras), depth);
    writer.WriteFrame(writer.MakeFrame(1, depth, depth, cameras), depth);
    try {
        writer.FinishWrites();
        FAIL() << "no error";
    } catch (const FrameFilesError& error) {
        EXPECT_EQ(error.frameIndex(), 1);
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + (folder / frameOneFiles[blocked]).string()
                      + ": not a regular file (a link, FIFO, device or folder is never written through)");
    }
    for (std::size_t i = 0; i < frameOneFiles.size(); ++i) {
        if (i != blocked) {
            EXPECT_EQ(fs::exists(folder / frameOneFiles[i]), i < blocked) << frameOneFiles[i];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FormatWriterFailureTest, ::testing::Values(0, 3, 5, 8));

} // namespace
} // namespace tavrik
