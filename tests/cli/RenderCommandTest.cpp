#include "tests/cli/CliRunner.h"

#include "output/Bmp.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
    EXPECT_EQ(result.out.rfind("wrote 10 frames to " + (out / "3").string() + "/ at ", 0), 0u) << result.out;

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
