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

    void WriteWav(const std::string& name) const
    {
        WriteWholeFile((folder_ / name).string(), MakeWav(1, 8000, 16, 80));
    }

    std::filesystem::path folder_ = test::ScratchFolder();
};

TEST_F(AviCommandTest, ReportsFramesAndSoundOfTheVideo)
{
    std::filesystem::create_directory(folder_ / "images");
    WriteCameraImages(folder_ / "images", false, 2, 0);
    WriteWav("tone.wav");
    const test::CliResult result = Run("avi --folder images --frames 3 --wav tone.wav");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "images/L.avi: 2 of 3 frames, with sound\n");
    EXPECT_EQ(FourCcAt(ReadBytes(folder_ / "images" / "L.avi"), 8), "AVI ");

    // Asked for images and found none: reported, and not a success.
    const test::CliResult none = Run("avi --folder images --camera right --frames 2 --wav tone.wav");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "images/P.avi: 0 of 2 frames, with sound\n");
}

TEST_F(AviCommandTest, SoundComesFromWavWavInTheCurrentFolderByDefault)
{
    std::filesystem::create_directory(folder_ / "images");
    WriteCameraImages(folder_ / "images", true, 1, 0);
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
    EXPECT_EQ(result.err, "tavrik-cli: Cannot create file absent/L.avi: No such file or directory\n");
}

TEST_F(AviCommandTest, VideoThatCannotBeFinishedExitsWithFailure)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    // The video is created, but the device refuses every byte of it.
    std::filesystem::create_directory(folder_ / "images");
    std::filesystem::create_symlink("/dev/full", folder_ / "images" / "L.avi");
    const test::CliResult result = Run("avi --folder images --frames 0");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "tavrik-cli: Cannot finish file images/L.avi: the video may be incomplete\n");
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
