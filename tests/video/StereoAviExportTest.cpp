#include "video/StereoAviExport.h"

#include "AviTestSupport.h"
#include "base/FileIo.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using namespace tavrik::test;

class StereoAviExportTest : public ::testing::Test {
protected:
    std::string WriteWav() const
    {
        const std::string path = (folder_ / "sound.wav").string();
        WriteWholeFile(path, MakeWav(1, 8000, 16, 800));
        return path;
    }

    std::string Missing() const { return (folder_ / "missing.wav").string(); }

    std::filesystem::path folder_ = test::ScratchFolder();
};

// The frames of a written video, as the pixel bits of their chunks.
std::vector<std::vector<std::uint8_t>> FramesOf(const std::vector<std::uint8_t>& file)
{
    std::vector<std::vector<std::uint8_t>> frames;
    const RiffChunk riff = WalkRiff(file);
    for (const RiffChunk* chunk : riff.Only("movi").All("00db"))
        frames.emplace_back(chunk->data.begin(), chunk->data.end());
    return frames;
}

std::vector<std::uint8_t> BitsOf(int seed)
{
    return ImageToDib24(MakeImage(8, 4, seed)).bits;
}

TEST_F(StereoAviExportTest, SelectedCameraGivesItsVideoOfAllFramesWithSound)
{
    WriteCameraImages(folder_, false, 5, 10);
    WriteCameraImages(folder_, true, 5, 20);
    const std::string wav = WriteWav();
    for (const bool right : {false, true}) {
        const AviExportReport report = ExportStereoAvi(folder_, right, 5, wav);
        const std::filesystem::path video = folder_ / (right ? "P.avi" : "L.avi");
        EXPECT_EQ(report.videoPath, video.string());
        EXPECT_TRUE(report.created);
        EXPECT_TRUE(report.written);
        EXPECT_EQ(report.framesWritten, 5);
        EXPECT_TRUE(report.soundWritten);

        const std::vector<std::uint8_t> file = ReadBytes(video);
        const RiffChunk riff = WalkRiff(file);
        const std::span<const std::uint8_t> main = riff.Only("hdrl").Only("avih").data;
        EXPECT_EQ(U32At(main, 0), 500000u); // 2 frames per second
        EXPECT_EQ(U32At(main, 24), 2u);     // video and sound
        const std::vector<std::vector<std::uint8_t>> frames = FramesOf(file);
        ASSERT_EQ(frames.size(), 5u);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(frames[i], BitsOf((right ? 20 : 10) + i)) << "frame " << i;
        EXPECT_EQ(riff.Only("movi").All("01wb").size(), 1u);
    }
}

TEST_F(StereoAviExportTest, MissingAndUnreadableImagesAreLeftOut)
{
    WriteCameraImages(folder_, false, 5, 10);
    std::filesystem::remove(folder_ / "left_0001.bmp");
    WriteWholeFile((folder_ / "left_0003.bmp").string(), std::string_view("BM not a bitmap"));
    const AviExportReport report = ExportStereoAvi(folder_, false, 5, WriteWav());
    EXPECT_TRUE(report.written);
    EXPECT_EQ(report.framesWritten, 3);
    const std::vector<std::vector<std::uint8_t>> frames = FramesOf(ReadBytes(folder_ / "L.avi"));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], BitsOf(10));
    EXPECT_EQ(frames[1], BitsOf(12));
    EXPECT_EQ(frames[2], BitsOf(14));
}

TEST_F(StereoAviExportTest, NoFramesGiveASoundTrackAlone)
{
    const AviExportReport report = ExportStereoAvi(folder_, false, 0, WriteWav());
    EXPECT_TRUE(report.written);
    EXPECT_EQ(report.framesWritten, 0);
    EXPECT_TRUE(report.soundWritten);
    const RiffChunk riff = WalkRiff(ReadBytes(folder_ / "L.avi"));
    const std::vector<const RiffChunk*> streams = riff.Only("hdrl").All("strl");
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(FourCcAt(streams[0]->Only("strh").data, 0), "auds");
}

TEST_F(StereoAviExportTest, MissingWavLeavesASilentVideoWithAllFrames)
{
    WriteCameraImages(folder_, true, 3, 30);
    const AviExportReport report = ExportStereoAvi(folder_, true, 3, Missing());
    EXPECT_TRUE(report.written);
    EXPECT_EQ(report.framesWritten, 3);
    EXPECT_FALSE(report.soundWritten);
    const std::vector<std::uint8_t> file = ReadBytes(folder_ / "P.avi");
    EXPECT_EQ(WalkRiff(file).Only("hdrl").All("strl").size(), 1u);
    EXPECT_EQ(FramesOf(file).size(), 3u);
}

TEST_F(StereoAviExportTest, MissingFolderWritesNothing)
{
    const AviExportReport report = ExportStereoAvi(folder_ / "absent", false, 2, WriteWav());
    EXPECT_FALSE(report.created);
    EXPECT_FALSE(report.written);
    EXPECT_EQ(report.framesWritten, 0);
    EXPECT_FALSE(report.soundWritten);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "absent"));
}

TEST_F(StereoAviExportTest, ExportingAgainReplacesTheVideo)
{
    WriteCameraImages(folder_, false, 4, 10);
    EXPECT_EQ(ExportStereoAvi(folder_, false, 4, Missing()).framesWritten, 4);
    EXPECT_EQ(ExportStereoAvi(folder_, false, 2, Missing()).framesWritten, 2);
    EXPECT_EQ(FramesOf(ReadBytes(folder_ / "L.avi")).size(), 2u);
}

} // namespace
} // namespace tavrik
