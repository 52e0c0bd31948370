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

// A sound file and what the export says of it.
struct SoundCase {
    const char* name;
    std::vector<std::uint8_t> wav; // empty: no file
    const char* sound;             // the summary's word
    const char* err;
};

class AviSoundTest : public AviCommandTest, public ::testing::WithParamInterface<SoundCase> {};

TEST_P(AviSoundTest, SoundGoesInOrTheReasonIsGiven)
{
    std::filesystem::create_directory(folder_ / "images");
    WriteCameraImages(folder_ / "images", false, 1, 0);
    if (!GetParam().wav.empty())
        WriteWholeFile((folder_ / "s.wav").string(), GetParam().wav);
    const test::CliResult result = Run("avi --folder images --frames 1 --wav s.wav");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, std::string("images/L.avi: 1 of 1 frames, ") + GetParam().sound + "\n");
    EXPECT_EQ(result.err, GetParam().err);
}

const std::vector<std::uint8_t> tone{1, 2, 3, 4};

INSTANTIATE_TEST_SUITE_P(
    Files, AviSoundTest,
    ::testing::Values(
        SoundCase{"ListBeforeData", Riff({{"fmt ", Fmt(1, 1, 16)}, {"LIST", {'I', 'N', 'F', 'O'}}, {"data", tone}}),
                  "with sound", ""},
        SoundCase{"EighteenByteFormat", Riff({{"fmt ", Fmt(1, 1, 16, 18)}, {"data", tone}}), "with sound", ""},
        SoundCase{"ThreeBits", Riff({{"fmt ", Fmt(1, 65535, 3)}, {"data", tone}}), "no sound",
                  "tavrik-cli: no sound: s.wav: 3 bits per sample (8, 16, 24 or 32 expected)\n"},
        SoundCase{"NotRiff", Riff({{"fmt ", Fmt(1, 1, 16)}, {"data", tone}}, "AVI "), "no sound",
                  "tavrik-cli: no sound: s.wav: not a WAV file (no RIFF WAVE header)\n"},
        SoundCase{"Missing", {}, "no sound", "tavrik-cli: no sound: s.wav: missing\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviCommandTest, SoundThatIsNoRegularFileIsNotRead)
{
    const test::CliResult result = Run("avi --folder . --frames 0 --wav /dev/zero");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "tavrik-cli: no sound: /dev/zero: not a regular file\n");
}

TEST_F(AviCommandTest, EveryImageLeftOutIsNamedWithItsReason)
{
    std::filesystem::create_directory(folder_ / "images");
    WriteCameraImages(folder_ / "images", false, 2, 0);
    std::filesystem::remove(folder_ / "images" / "left_0001.bmp");
    WriteWholeFile((folder_ / "images" / "left_0002.bmp").string(), std::string_view("BM not a bitmap"));
    WriteBmpFile((folder_ / "images" / "left_0003.bmp").string(), MakeImage(4, 4, 0));
    WriteWav("wav.wav");
    const test::CliResult result = Run("avi --folder images --frames 4");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "images/L.avi: 1 of 4 frames, with sound\n");
    EXPECT_EQ(result.err, "tavrik-cli: image left out: images/left_0001.bmp is missing\n"
                          "tavrik-cli: image left out: Invalid bitmap images/left_0002.bmp: truncated header\n"
                          "tavrik-cli: image left out: images/left_0003.bmp: 4 x 4 pixels of 24 bits, unlike the "
                          "first frame's 8 x 4 pixels of 24 bits\n");
}

TEST_F(AviCommandTest, AWriteErrorFailsTheExportAndKeepsTheEarlierVideo)
{
    std::filesystem::create_directory(folder_ / "images");
    WriteCameraImages(folder_ / "images", false, 3, 0);
    ASSERT_EQ(Run("avi --folder images --frames 3").exitCode, 0);
    const std::vector<std::uint8_t> earlier = ReadBytes(folder_ / "images" / "L.avi");
    // Four blocks of 512 bytes: room for the headers, none for a frame.
    const test::CliResult result = test::RunCli("avi --folder images --frames 3", folder_, "ulimit -f 4 &&");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "tavrik-cli: images/L.avi not written: frame 0: write error: File too large\n");
    EXPECT_EQ(ReadBytes(folder_ / "images" / "L.avi"), earlier);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "images" / "L.avi.partial"));
}

TEST_F(AviCommandTest, ALongRunOfMissingImagesEndsTheExport)
{
    const test::CliResult result = Run("avi --folder . --frames 2147483647");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "./L.avi: 0 of 2147483647 frames, no sound\n");
    EXPECT_NE(result.err.find("tavrik-cli: stopped after ./left_0099.bmp: 100 images in a row are missing or "
                              "unusable\n"),
              std::string::npos)
        << result.err;
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
