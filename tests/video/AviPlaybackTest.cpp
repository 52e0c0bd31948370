// Files the writer makes are read back by an independent media reader
// (ffprobe / ffmpeg), which must find the same streams, timing and samples.

#include "video/AviWriter.h"

#include "AviTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace tavrik {
namespace {

using namespace tavrik::test;

bool HaveMediaTools()
{
    return std::filesystem::exists("/usr/bin/ffprobe") && std::filesystem::exists("/usr/bin/ffmpeg");
}

std::string Quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

// "key=value" lines of ffprobe about stream `selector` ("v:0", "a:0").
std::map<std::string, std::string> ProbeStream(const std::filesystem::path& file, const std::string& selector)
{
    const CommandOutput probe = RunCommand(
        "/usr/bin/ffprobe -v error -count_frames -select_streams " + selector
        + " -show_entries stream=codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames,"
          "sample_rate,channels,duration,nb_frames -of default=noprint_wrappers=1 "
        + Quoted(file));
    EXPECT_EQ(probe.exitCode, 0) << probe.output;
    std::map<std::string, std::string> fields;
    std::istringstream lines(probe.output);
    for (std::string line; std::getline(lines, line);)
        if (const auto equals = line.find('='); equals != std::string::npos)
            fields[line.substr(0, equals)] = line.substr(equals + 1);
    return fields;
}

// Decodes stream `map` of `file` into raw bytes of `format` ("rawvideo" with
// rgb24 pixels, or "s16le" samples).
std::vector<std::uint8_t> Decode(const std::filesystem::path& file, const std::string& map,
                                 const std::string& format, const std::filesystem::path& out)
{
    const std::string pixels = format == "rawvideo" ? " -pix_fmt rgb24" : "";
    const CommandOutput decode = RunCommand("/usr/bin/ffmpeg -v error -y -i " + Quoted(file) + " -map " + map
                                            + " -f " + format + pixels + " " + Quoted(out));
    EXPECT_EQ(decode.exitCode, 0) << decode.output;
    EXPECT_EQ(decode.output, "");
    return ReadBytes(out);
}

// Decodes all of `file` and discards the result; every frame and sample must
// decode without a message.
void ExpectDecodesCleanly(const std::filesystem::path& file)
{
    const CommandOutput decode = RunCommand("/usr/bin/ffmpeg -v error -i " + Quoted(file) + " -f null -");
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.output, "");
}

class AviPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveMediaTools())
            GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
    }

    std::filesystem::path folder_ =
        test::ScratchFolder();
};

TEST_F(AviPlaybackTest, ReaderFindsFramesTimingAndSound)
{
    const std::filesystem::path video = folder_ / "video.avi";
    const std::array<RgbImage, 3> images{MakeImage(64, 48, 1), MakeImage(64, 48, 2), MakeImage(64, 48, 3)};
    // One second of sound in two halves.
    const std::vector<std::uint8_t> half = MakeWav(1, 8000, 16, 4000);

    std::unique_ptr<AviWriter> writer = OpenAviWriter(video.string(), 500);
    ASSERT_TRUE(writer);
    for (const RgbImage& image : images) {
        const Dib dib = ImageToDib24(image);
        ASSERT_EQ(AppendVideoFrame(writer.get(), &dib), AVIERR_OK);
    }
    ASSERT_EQ(AppendWavAudio(writer.get(), std::span(half), SND_MEMORY), AVIERR_OK);
    ASSERT_EQ(AppendWavAudio(writer.get(), std::span(half), SND_MEMORY), AVIERR_OK);
    ASSERT_EQ(CloseAviWriter(std::move(writer)), AVIERR_OK);

    std::map<std::string, std::string> v = ProbeStream(video, "v:0");
    EXPECT_EQ(v["codec_name"], "rawvideo");
    EXPECT_EQ(v["width"], "64");
    EXPECT_EQ(v["height"], "48");
    EXPECT_EQ(v["r_frame_rate"], "2/1");
    EXPECT_EQ(v["nb_read_frames"], "3");
    EXPECT_EQ(v["nb_frames"], "3");
    EXPECT_EQ(v["duration"], "1.500000");

    std::map<std::string, std::string> a = ProbeStream(video, "a:0");
    EXPECT_EQ(a["codec_name"], "pcm_s16le");
    EXPECT_EQ(a["sample_rate"], "8000");
    EXPECT_EQ(a["channels"], "1");
    // The reader leaves the duration of an AVI audio stream open; the
    // header's length is the sample count, 1 s at 8000 samples per second,
    // and exactly one second of samples decodes below.
    EXPECT_EQ(a["nb_frames"], "8000");

    ExpectDecodesCleanly(video);
    // Every frame decodes, top row first, to the image it was made from.
    std::vector<std::uint8_t> expectedPixels;
    for (const RgbImage& image : images)
        expectedPixels.insert(expectedPixels.end(), image.bytes().begin(), image.bytes().end());
    EXPECT_EQ(Decode(video, "0:v", "rawvideo", folder_ / "frames.rgb"), expectedPixels);

    std::vector<std::uint8_t> expectedSamples(half.begin() + 44, half.end());
    expectedSamples.insert(expectedSamples.end(), half.begin() + 44, half.end());
    EXPECT_EQ(Decode(video, "0:a", "s16le", folder_ / "sound.pcm"), expectedSamples);
}

TEST_F(AviPlaybackTest, PaletteFramesDecodeThroughTheStoredColourTable)
{
    // Entries are blue, green, red, 0: blue, green and a dark brown.
    const std::vector<std::uint8_t> palette{255, 0, 0, 0, 0, 255, 0, 0, 10, 20, 30, 0};
    // 8 x 2 pixels: bottom row indices 0 1 2 0 1 2 0 1, top row 2 0 1 2 0 1 2 0.
    const Dib dib = MakePaletteDib(8, 2, palette);

    const std::filesystem::path video = folder_ / "palette.avi";
    std::unique_ptr<AviWriter> writer = OpenAviWriter(video.string(), 500);
    ASSERT_TRUE(writer);
    ASSERT_EQ(AppendVideoFrame(writer.get(), &dib), AVIERR_OK);
    ASSERT_EQ(CloseAviWriter(std::move(writer)), AVIERR_OK);

    const auto rgb = [&](int index) {
        return std::vector<std::uint8_t>{palette[4 * index + 2], palette[4 * index + 1], palette[4 * index]};
    };
    std::vector<std::uint8_t> expected;
    for (const int index : {2, 0, 1, 2, 0, 1, 2, 0, 0, 1, 2, 0, 1, 2, 0, 1}) {
        const std::vector<std::uint8_t> pixel = rgb(index);
        expected.insert(expected.end(), pixel.begin(), pixel.end());
    }
    EXPECT_EQ(Decode(video, "0:v", "rawvideo", folder_ / "frame.rgb"), expected);
}

} // namespace
} // namespace tavrik
