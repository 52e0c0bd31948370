#include "tests/cli/CliRunner.h"
#include "base/FileIo.h"
#include "tests/video/AviTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tavrik {
namespace {

using namespace tavrik::test;

class AviCommandTest : public ::testing::Test {
protected:
    test::CliResult Run(const std::string& arguments) const { return test::RunCli(arguments, folder_); }

    void WriteImages(const std::string& prefix, int count) const
    {
        for (int i = 0; i < count; ++i)
            WriteBmpFile((folder_ / "images" / (prefix + "000" + std::to_string(i) + ".bmp")).string(),
                         MakeImage(8, 4, i));
    }

    void WriteWav(const std::string& name) const
    {
        WriteWholeFile((folder_ / name).string(), MakeWav(1, 8000, 16, 80));
    }

    std::filesystem::path folder_ = test::ScratchFolder();
};

TEST_F(AviCommandTest, ReportsFramesAndSoundOfTheVideo)
{
    std::filesystem::create_directory(folder_ / "images");
    WriteImages("left_", 2);
    WriteWav("tone.wav");
    const test::CliResult result = Run("avi --folder images --frames 3 --wav tone.wav");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "images/L.avi: 2 of 3 frames, with sound\n");
    EXPECT_EQ(FourCcAt(ReadBytes(folder_ / "images" / "L.avi"), 8), "AVI ");
}

TEST_F(AviCommandTest, SoundComesFromWavWavInTheCurrentFolderByDefault)
{
    std::filesystem::create_directory(folder_ / "images");
    WriteImages("right_", 1);
    test::CliResult result = Run("avi --folder images --camera right --frames 1");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "images/P.avi: 1 of 1 frames, no sound\n");

    WriteWav("wav.wav");
    result = Run("avi --folder images --camera right --frames 1");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "images/P.avi: 1 of 1 frames, with sound\n");
}

TEST_F(AviCommandTest, VideoThatCannotBeCreatedExitsWithFailure)
{
    const test::CliResult result = Run("avi --folder absent --frames 1");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "tavrik-cli: Cannot create file absent/L.avi\n");
}

class AviCommandUsageTest : public AviCommandTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(AviCommandUsageTest, BadArgumentsAreUsageErrors)
{
    const test::CliResult result = Run("avi " + GetParam());
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_FALSE(std::filesystem::exists(folder_ / "L.avi"));
}

INSTANTIATE_TEST_SUITE_P(Arguments, AviCommandUsageTest,
                         ::testing::Values("--folder . --frames 1 --camera middle", "--folder . --frames -1",
                                           "--folder . --frames many", "--folder .", "--frames 1"));

} // namespace
} // namespace tavrik
