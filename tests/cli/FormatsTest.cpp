#include "tests/cli/CliRunner.h"

#include "base/FileIo.h"
#include "output/Png.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <vector>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

bool ReadersInstalled()
{
    return std::system("/usr/bin/python3 -c 'import numpy, png, PIL' 2>/dev/null") == 0;
}

// Runs the checks `checks` of check_formats.py on `folder`; returns what
// they printed, empty when all passed.
std::string Check(const std::vector<std::string>& checks, const fs::path& folder)
{
    std::string failures;
    for (const std::string& check : checks) {
        const fs::path output = folder / (check + ".txt");
        const std::string command = "/usr/bin/python3 '" TAVRIK_SOURCE_DIR "/tests/cli/check_formats.py' " + check
            + " '" + (folder / "0").string() + "' >'" + output.string() + "' 2>&1";
        if (std::system(command.c_str()) != 0)
            failures += check + ": " + test::ReadText(output);
    }
    return failures;
}

// The default scene with both cameras: occlusions, a textured room, every
// pixel drawn.
TEST(Formats, DefaultStereoPairReadsBackAndItsOcclusionMatchesLeftRightConsistency)
{
    if (!ReadersInstalled())
        GTEST_SKIP() << "numpy, pypng or Pillow is not installed for /usr/bin/python3";
    const fs::path out = test::ScratchFolder();
    const auto result =
        RunCli("render --default --camera both --size 320x240 --formats all --quiet --out '" + out.string() + "'", out);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Check({"readers", "occlusion"}, out), "");
}

// A quad 5 in front of the camera whose top edge leaves the upper rows empty;
// a roll of 10 degrees, then a step of 1 toward the quad.
TEST(Formats, QuadGivesAnalyticDisparityFlowAndPoses)
{
    if (!ReadersInstalled())
        GTEST_SKIP() << "numpy, pypng or Pillow is not installed for /usr/bin/python3";
    const fs::path out = test::ScratchFolder();
    std::ofstream(out / "quad.scene")
        << "QUAD; id 7; texture: 0; colour: 1.0; 1.0; 1.0; vertices: -20; 2; -20; 20; 2; -20; 20; 2; 1; -20; 2; 1\n"
           "EGO; 0; 0; 0; 0; 0; 0\nEGO; 0; 0; 0; 0; 0; 10\nEGO; 0; 0; 1; 0; 0; 0\n";
    const auto result = RunCli("render quad.scene --size 320x240 --formats all --quiet --out '" + out.string() + "'", out);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Check({"analytic", "readers"}, out), "");
}

TEST(FormatsOption, PfmAloneWritesNoSpecifiedFiles)
{
    const fs::path out = test::ScratchFolder();
    const auto result = RunCli("render --default --size 320x240 --formats pfm --quiet --out '" + out.string() + "'", out);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(out / "0"))
        written.insert(entry.path().filename().string());
    const std::set<std::string> expected{"ldisp_0000.pfm", "ldisp_0001.pfm", "ldisp_0002.pfm", "ldisp_0003.pfm",
                                         "ldisp_0004.pfm", "calib.txt",      "calib_kitti.txt", "scene.txt",
                                         "tavrik.json"};
    EXPECT_EQ(written, expected);
}

// Planes take a new colour at every drawing, so a format that draws one more
// view must not change the colours of later frames.
TEST(FormatsOption, SpecifiedFilesStayTheSameWithEveryFormat)
{
    const fs::path out = test::ScratchFolder();
    std::ofstream(out / "plane.scene") << "PLANE; id 3; texture: -1; colour: 1; 1; 1; normal: 0; 0; 1; point: 0; 0; -1\n"
                                          "SPHERE; id 9; texture: 2; colour: 1; 1; 1; position: 0; 2; 0; 0; 0; 0; dim: 0.5\n"
                                          "EGO; 0; 0; 0.1; 0; 0; 0\nEGO; 0; 0; 0.1; 0; 2; 0\n";
    for (const char* run : {"--formats spec --sequence 0", "--formats all --sequence 1"})
        ASSERT_EQ(RunCli("render plane.scene --size 320x240 --quiet " + std::string(run) + " --out '" + out.string()
                             + "'",
                         out)
                      .exitCode,
                  0);
    for (const char* name : {"left_0001.bmp", "ldisp_0001.bmp", "ldisp_p_0001.bmp", "lbindisp_0001.dat",
                             "seg_l_0001.bmp"})
        EXPECT_EQ(test::ReadText(out / "0" / name), test::ReadText(out / "1" / name)) << name;
}

// With both cameras the right camera's run takes the left run's view depths
// as its other camera's depth instead of drawing them: its occlusion masks
// are those of a run of the right camera alone, which draws them.
TEST(FormatsOption, BothCamerasGiveTheOcclusionMasksOfEachCameraAlone)
{
    const fs::path out = test::ScratchFolder();
    for (const char* run : {"--camera both --sequence 0", "--camera right --sequence 1"})
        ASSERT_EQ(RunCli("render --default --size 320x240 --formats occlusion --quiet " + std::string(run) + " --out '"
                             + out.string() + "'",
                         out)
                      .exitCode,
                  0);
    for (const char* name : {"occ_0000.png", "occ_0002.png", "occ_0004.png"}) {
        const auto mask = [&](const char* sequence) {
            const fs::path path = out / sequence / name;
            return DecodePng(ReadWholeFile(path.string(), std::size_t{1} << 24, "too large"), path.string()).samples;
        };
        EXPECT_EQ(mask("0"), mask("1")) << name;
    }
}

TEST(FormatsOption, UnknownFormatIsAUsageError)
{
    const auto result = RunCli("render --default --formats pfm,png --quiet");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("unknown format 'png'; choose from spec, pfm"), std::string::npos) << result.err;
}

} // namespace
} // namespace tavrik
