#include "tests/cli/CliRunner.h"

#include "base/FileIo.h"
#include "output/Bmp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

TEST(RenderCommand, BothCamerasOfTheDefaultSceneFillOneSequenceFolder)
{
    const fs::path out = test::ScratchFolder();
    const auto result = RunCli("render --default --camera both --size 320x240 --sequence 3 --quiet --out '"
                                   + out.string() + "'",
                               out);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The time of the run, the share before the first frame and one frame's.
    EXPECT_TRUE(std::regex_match(result.out, std::regex("wrote 10 frames to " + (out / "3").string()
                                                        + "/ in [0-9]+\\.[0-9]{2} s: [0-9]+\\.[0-9]{2} s start-up, "
                                                          "[0-9]+(\\.[0-9])? ms a frame\n")))
        << result.out;

    std::set<std::string> expected;
    for (const char* prefix : {"left_", "ldisp_", "ldisp_p_", "seg_l_", "right_", "disp_", "disp_p_", "seg_r_"})
        for (int frame = 0; frame < 5; ++frame)
            expected.insert(std::string(prefix) + "000" + std::to_string(frame) + ".bmp");
    for (const char* prefix : {"lbindisp_", "bindisp_"})
        for (int frame = 0; frame < 5; ++frame)
            expected.insert(std::string(prefix) + "000" + std::to_string(frame) + ".dat");
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(out / "3"))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, expected);
    EXPECT_EQ(written.size(), 50u);

    const RgbImage image = ReadBmpFile((out / "3" / "right_0004.bmp").string());
    EXPECT_EQ(image.width(), 320);
    EXPECT_EQ(image.height(), 240);
}

// Every value of the disparity text prints back to itself with %.18g, so a
// reader gets the exact doubles the program computed.
TEST(RenderCommand, DisparityTextHoldsExactValuesInItsOwnPrintedForm)
{
    const fs::path out = test::ScratchFolder();
    const auto result = RunCli("render --default --size 320x240 --quiet --out '" + out.string() + "'", out);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string text = test::ReadText(out / "0" / "lbindisp_0002.dat");
    std::size_t start = 0;
    int lines = 0;
    int values = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "a line without CR LF";
        const std::string line = text.substr(start, end - start);
        if (lines >= 2 && !line.empty()) {
            char printed[64];
            std::snprintf(printed, sizeof printed, "%.18g", std::strtod(line.c_str(), nullptr));
            ASSERT_EQ(line, printed);
            ++values;
        }
        ++lines;
        start = end + 2;
    }
    EXPECT_EQ(lines, 320 * 240 + 3);
    EXPECT_EQ(values, 320 * 240);
    EXPECT_EQ(text.substr(0, 10), "320\r\n240\r\n");
}

TEST(RenderCommand, StandardReadersOpenTheImages)
{
    if (std::system("command -v ffprobe >/dev/null && /usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0)
        GTEST_SKIP() << "ffprobe or Pillow is not installed";
    const fs::path out = test::ScratchFolder();
    ASSERT_EQ(RunCli("render --default --size 320x240 --quiet --palette --out '" + out.string() + "'", out).exitCode,
              0);
    for (const char* name : {"left_0000.bmp", "ldisp_p_0000.bmp", "seg_l_0000.bmp"}) {
        const std::string path = (out / "0" / name).string();
        const std::string probe = "ffprobe -v error -show_entries stream=width,height,pix_fmt -of csv=p=0 '" + path
            + "' > '" + path + ".probe'";
        ASSERT_EQ(std::system(probe.c_str()), 0) << name;
        EXPECT_EQ(test::ReadText(path + ".probe"), "320,240,bgr24\n") << name;
        const std::string pillow = "/usr/bin/python3 -c \"from PIL import Image; im = Image.open('" + path
            + "'); im.load(); print(im.size, im.mode)\" > '" + path + ".pil' 2>&1";
        EXPECT_EQ(std::system(pillow.c_str()), 0) << test::ReadText(path + ".pil");
        EXPECT_EQ(test::ReadText(path + ".pil"), "(320, 240) RGB\n") << name;
    }
}

TEST(RenderCommand, TheSeedAloneDecidesThePlaneColours)
{
    // A plane draws a new pseudo-random colour at every draw.
    const fs::path scene = test::ScratchFolder("scene") / "plane.scene";
    {
        std::ofstream s(scene);
        s << "PLANE; id 9; texture: -1; colour: 1; 1; 1; normal: 1; 0.2; 0; point: 1.2; 0; 0\n"
             "SPHERE; id 25; texture: 9; colour: 1; 1; 1; position: 0; 1; -0.2; 0; 0; 0; dim: 0.65\n"
             "EGO; 0; 0; 0.1; 0; 1; 0\nEGO; 0; 0; 0.1; 0; 1; 0\n";
    }
    std::string image[3];
    const char* seeds[] = {"7", "7", "8"};
    for (int run = 0; run < 3; ++run) {
        const fs::path out = test::ScratchFolder("run" + std::to_string(run));
        ASSERT_EQ(RunCli("render '" + scene.string() + "' --size 320x240 --seed " + seeds[run] + " --quiet --out '"
                             + out.string() + "'",
                         out)
                      .exitCode,
                  0);
        image[run] = test::ReadText(out / "0" / "left_0001.bmp");
    }
    EXPECT_FALSE(image[0].empty());
    EXPECT_EQ(image[0], image[1]);
    EXPECT_NE(image[0], image[2]);
}

TEST(RenderCommand, PreviewWritesNothing)
{
    const fs::path out = test::ScratchFolder();
    const auto result = RunCli("render --default --size 320x240 --preview --out '" + out.string() + "'", out);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(fs::exists(out / "0"));
    EXPECT_NE(result.out.find("previewed 5 frames"), std::string::npos) << result.out;
}

TEST(RenderCommand, OutputErrorsExitOneWithTheSystemsMessage)
{
    const fs::path out = test::ScratchFolder() / "not-there";
    const auto result = RunCli("render --default --size 320x240 --quiet --out '" + out.string() + "'");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Cannot create file " + (out / "0" / "left_0000.bmp").string()), std::string::npos)
        << result.err;
}

// A wall at z = -3 and `egos` frames standing still, as scene text.
std::string WallScene(int egos, const std::string& extraLine = {})
{
    std::string text = "QUAD; 9; -1; 1;1;1; -9;-9;-3; 9;-9;-3; 9;9;-3; -9;9;-3\n" + extraLine;
    for (int i = 0; i < egos; ++i)
        text += "EGO; 0;0;0; 0;0;0\n";
    return text;
}

class RenderSceneTest : public testing::Test {
protected:
    test::CliResult Render(const std::string& scene, const std::string& options = {}, const std::string& out = ".")
    {
        WriteWholeFile((out_ / "scene.txt").string(), scene);
        return RunCli("render scene.txt --size 320x240 --quiet --out " + out + " " + options, out_);
    }

    fs::path out_ = test::ScratchFolder();
};

TEST_F(RenderSceneTest, ConvertErrorsRefuseTheSceneUnlessKeepGoing)
{
    const std::string scene = WallScene(1, "SPHERE; 5; -1; 1;1;1; 0;0;-2; 0;0;0; 1-2\n");
    const std::string error = "line 2: Convert error: ' 1-2' is not a valid floating point value (field 12: \" 1-2\")\n";
    const auto refused = Render(scene);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, error + "line 2: warning: sphere radius 0 is not above 0\n"
                               "tavrik-cli: nothing rendered: the scene has convert errors (--keep-going renders it "
                               "with those numbers as 0)\n");
    EXPECT_FALSE(fs::exists(out_ / "0"));

    const auto kept = Render(scene, "--keep-going");
    EXPECT_EQ(kept.exitCode, 0);
    EXPECT_TRUE(kept.err.starts_with(error)) << kept.err;
    EXPECT_TRUE(fs::exists(out_ / "0" / "left_0000.bmp"));
}

TEST_F(RenderSceneTest, WarningsKeepTheExitCode)
{
    const auto result = Render(WallScene(1, " SPHERE; 5; -1; 1;1;1; 0;0;-2; 0;0;0; 0.5\n"), "--baseline 0");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "line 2: warning: keyword \" SPHERE\" is not \"SPHERE\" (keywords are exact capitals "
                          "without a blank or tab before them): the line is ignored\n"
                          "tavrik-cli: warning: the baseline 0 is not above 0: the disparities are not above 0 "
                          "either\n");
}

TEST_F(RenderSceneTest, ASceneWithoutEgoLinesRendersNothingAndSaysSo)
{
    const auto result = Render(WallScene(0));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "nothing rendered: the scene has no EGO line\n");
    EXPECT_FALSE(fs::exists(out_ / "0"));
}

TEST_F(RenderSceneTest, FramesOfAnEarlierLongerRunAreCountedNotDeleted)
{
    ASSERT_EQ(Render(WallScene(3)).exitCode, 0);
    const auto result = Render(WallScene(1));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "tavrik-cli: warning: 10 files of frames 1 and later of the left camera remain in ./0/ "
                          "from an earlier run\n");
    EXPECT_TRUE(fs::exists(out_ / "0" / "seg_l_0002.bmp"));
}

// The sequence folder is made and tried before anything else is set up:
// the missing textures are never reached.
TEST_F(RenderSceneTest, AnUnwritableSequenceFolderFailsBeforeTheWork)
{
    const auto result = Render(WallScene(1), "--textures /no/such/textures", "missing/out");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tavrik-cli: Cannot create file missing/out/0/left_0000.bmp: No such file or directory\n");
}

TEST(RenderCommand, SettingsThatCannotGiveSaneOutputAreRefusedWithTheirRange)
{
    const auto baseline = RunCli("render --default --baseline 1e308");
    EXPECT_EQ(baseline.exitCode, 2);
    EXPECT_EQ(baseline.err, "tavrik-cli: Baseline 1e+308 is outside -1000 to 1000 scene units\n");
    const auto focal = RunCli("render --default --focal 1e30");
    EXPECT_EQ(focal.exitCode, 2);
    EXPECT_EQ(focal.err, "tavrik-cli: Focal length 1e+30 is outside 1 to 100000 pixels\n");
}

class RenderUsage : public testing::TestWithParam<std::string> {};

TEST_P(RenderUsage, ExitsTwo)
{
    const auto result = RunCli(GetParam());
    EXPECT_EQ(result.exitCode, 2) << result.err;
}

INSTANTIATE_TEST_SUITE_P(BadArguments, RenderUsage,
                         testing::Values("render", "render --default --size 640x480",
                                         "render --default --sequence 101", "render --default --camera middle",
                                         "render --default --background 0,300,0",
                                         "render --default --baseline 0.1.2", "render --default --focal 0",
                                         "render --default --focal -389", "render --default --focal 1e30",
                                         "render --default --baseline 1e308", "render --default --baseline nan",
                                         "render /no/such/scene.txt",
                                         "render --default /no/such/scene.txt"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return "Case" + std::to_string(info.index);
                         });

} // namespace
} // namespace tavrik
