#include "video/AviWriter.h"

#include "AviTestSupport.h"
#include "base/FileIo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>

namespace tavrik {
namespace {

using namespace tavrik::test;

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> span)
{
    return {span.begin(), span.end()};
}

std::span<const std::uint8_t> WavData(const std::vector<std::uint8_t>& wav)
{
    return std::span(wav).subspan(44);
}

class AviWriterTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    std::unique_ptr<AviWriter> Open(std::uint32_t period = 500)
    {
        std::unique_ptr<AviWriter> writer = OpenAviWriter(PathOf("video.avi"), period);
        EXPECT_TRUE(writer);
        return writer;
    }

    // Closes `writer` (expecting success) and reads back the file.
    std::vector<std::uint8_t> CloseAndRead(std::unique_ptr<AviWriter> writer)
    {
        EXPECT_EQ(CloseAviWriter(std::move(writer)), AVIERR_OK);
        return ReadBytes(folder_ / "video.avi");
    }

    std::filesystem::path folder_ = test::ScratchFolder();
};

TEST_F(AviWriterTest, ThreeFramesMakeAVideoOfThreeKeyFramesAtTwoPerSecond)
{
    const std::array<Dib, 3> frames{MakeDib(512, 384, 1), MakeDib(512, 384, 2), MakeDib(512, 384, 3)};
    std::unique_ptr<AviWriter> writer = Open(500);
    for (const Dib& frame : frames)
        EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_OK);
    EXPECT_EQ(writer->frameCount, 3u);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));

    const RiffChunk riff = WalkRiff(file);
    EXPECT_EQ(riff.listType, "AVI ");
    const RiffChunk& headers = riff.Only("hdrl");
    const std::span<const std::uint8_t> main = headers.Only("avih").data;
    ASSERT_EQ(main.size(), 56u);
    EXPECT_EQ(U32At(main, 0), 500000u); // microseconds per frame
    EXPECT_EQ(U32At(main, 12), AVIF_HASINDEX);
    EXPECT_EQ(U32At(main, 16), 3u);     // frames
    EXPECT_EQ(U32At(main, 24), 1u);     // streams
    EXPECT_EQ(U32At(main, 28), 589824u);
    EXPECT_EQ(U32At(main, 32), 512u);
    EXPECT_EQ(U32At(main, 36), 384u);

    const RiffChunk& stream = headers.Only("strl");
    const std::span<const std::uint8_t> description = stream.Only("strh").data;
    ASSERT_EQ(description.size(), 56u);
    EXPECT_EQ(FourCcAt(description, 0), "vids");
    EXPECT_EQ(FourCcAt(description, 4), "DIB ");
    EXPECT_EQ(U32At(description, 20), 500u);  // scale
    EXPECT_EQ(U32At(description, 24), 1000u); // rate: 1000 / 500 = 2 frames per second
    EXPECT_EQ(U32At(description, 32), 3u);    // length
    EXPECT_EQ(U32At(description, 36), 589824u);
    EXPECT_EQ(U32At(description, 44), 0u);    // sample size: frames vary
    EXPECT_EQ(I16At(description, 48), 0);
    EXPECT_EQ(I16At(description, 50), 0);
    EXPECT_EQ(I16At(description, 52), 512);
    EXPECT_EQ(I16At(description, 54), 384);
    EXPECT_EQ(Bytes(stream.Only("strf").data), frames[0].header);

    const RiffChunk& movi = riff.Only("movi");
    ASSERT_EQ(movi.children.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(movi.children[i].id, "00db");
        EXPECT_EQ(movi.children[i].data.size(), 589824u);
        EXPECT_EQ(Bytes(movi.children[i].data), frames[i].bits) << "frame " << i;
    }
    ExpectIndexMatchesChunks(riff);
}

TEST_F(AviWriterTest, TwoWavAppendsOfOneFormatFillOneStreamInTurn)
{
    const std::vector<std::uint8_t> first = MakeWav(1, 8000, 16, 1000);
    const std::vector<std::uint8_t> second = MakeWav(1, 8000, 16, 500);
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(first), SND_MEMORY), AVIERR_OK);
    EXPECT_EQ(writer->sampleCount, 1000u);
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(second), SND_MEMORY), AVIERR_OK);
    EXPECT_EQ(writer->sampleCount, 1500u);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));

    const RiffChunk riff = WalkRiff(file);
    const RiffChunk& stream = riff.Only("hdrl").Only("strl");
    const std::span<const std::uint8_t> description = stream.Only("strh").data;
    EXPECT_EQ(FourCcAt(description, 0), "auds");
    EXPECT_EQ(U32At(description, 4), 0u);      // no handler
    EXPECT_EQ(U32At(description, 20), 2u);     // scale = block alignment
    EXPECT_EQ(U32At(description, 24), 16000u); // rate = block alignment x samples per second
    EXPECT_EQ(U32At(description, 32), 1500u);  // length in blocks
    EXPECT_EQ(I32At(description, 40), -1);     // default quality
    EXPECT_EQ(U32At(description, 44), 2u);     // sample size = block alignment
    const std::vector<std::uint8_t> expectedFormat{1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0,
                                                   2, 0, 16, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(stream.Only("strf").data), expectedFormat);

    const RiffChunk& movi = riff.Only("movi");
    ASSERT_EQ(movi.children.size(), 2u);
    EXPECT_EQ(movi.children[0].id, "00wb");
    EXPECT_EQ(movi.children[1].id, "00wb");
    EXPECT_EQ(Bytes(movi.children[0].data), Bytes(WavData(first)));
    EXPECT_EQ(Bytes(movi.children[1].data), Bytes(WavData(second)));
    ExpectIndexMatchesChunks(riff);
}

TEST_F(AviWriterTest, MonoSixteenBitSecondIsWrittenAs44100Samples)
{
    const std::vector<std::uint8_t> wav = MakeWav(1, 44100, 16, 44100);
    ASSERT_EQ(U32At(wav, 40), 88200u);
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(wav), SND_MEMORY), AVIERR_OK);
    EXPECT_EQ(writer->sampleCount, 44100u);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));
    const RiffChunk riff = WalkRiff(file);
    EXPECT_EQ(U32At(riff.Only("hdrl").Only("strl").Only("strh").data, 32), 44100u);
    EXPECT_EQ(riff.Only("movi").Only("00wb").data.size(), 88200u);
}

TEST_F(AviWriterTest, SamplesCountWholeBlocksOfAllChannels)
{
    // Stereo 16-bit: 4 bytes per block; 2 bytes over the last whole block.
    std::vector<std::uint8_t> wav = MakeWav(2, 8000, 16, 11);
    wav[40] = 42;
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(wav).first(44 + 42), SND_MEMORY), AVIERR_OK);
    EXPECT_EQ(writer->sampleCount, 10u);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));
    const RiffChunk riff = WalkRiff(file);
    EXPECT_EQ(U32At(riff.Only("hdrl").Only("strl").Only("strh").data, 32), 10u);
    EXPECT_EQ(Bytes(riff.Only("movi").Only("00wb").data), Bytes(std::span(wav).subspan(44, 40)));
}

TEST_F(AviWriterTest, OddSizedChunksArePaddedAndStreamsNumberedByCreation)
{
    // Audio first: it becomes stream 0, the video stream 1.
    const std::vector<std::uint8_t> wav = MakeWav(1, 8000, 8, 3);
    const Dib frame = MakeDib(4, 2, 7);
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(wav), SND_MEMORY), AVIERR_OK);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_OK);
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(wav), SND_MEMORY), AVIERR_OK);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));

    const RiffChunk riff = WalkRiff(file);
    const std::vector<const RiffChunk*> streams = riff.Only("hdrl").All("strl");
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(FourCcAt(streams[0]->Only("strh").data, 0), "auds");
    EXPECT_EQ(FourCcAt(streams[1]->Only("strh").data, 0), "vids");
    EXPECT_EQ(U32At(riff.Only("hdrl").Only("avih").data, 16), 1u); // frames of the video stream
    const RiffChunk& movi = riff.Only("movi");
    ASSERT_EQ(movi.children.size(), 3u);
    EXPECT_EQ(movi.children[0].id, "00wb");
    EXPECT_EQ(movi.children[0].data.size(), 3u);
    EXPECT_EQ(movi.children[1].id, "01db");
    EXPECT_EQ(movi.children[1].offset % 2, 0u);
    EXPECT_EQ(movi.children[2].id, "00wb");
    ExpectIndexMatchesChunks(riff);
}

// Which header field of the second WAV differs from the first's.
struct FormatChange {
    const char* name;
    std::size_t offset;
    std::uint32_t value;
    int width; // bytes
};

class WavFormatChangeTest : public AviWriterTest, public ::testing::WithParamInterface<FormatChange> {};

TEST_P(WavFormatChangeTest, IsRefusedAndLeavesTheStreamAsItWas)
{
    const FormatChange change = GetParam();
    const std::vector<std::uint8_t> first = MakeWav(1, 8000, 16, 100);
    std::vector<std::uint8_t> other = first;
    PutField(other, change.offset, change.value, change.width);

    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(first), SND_MEMORY), AVIERR_OK);
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(other), SND_MEMORY), AVIERR_BADFORMAT);
    EXPECT_FALSE(writer->failed);
    EXPECT_EQ(writer->sampleCount, 100u);
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(first), SND_MEMORY), AVIERR_OK);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));
    const RiffChunk riff = WalkRiff(file);
    EXPECT_EQ(riff.Only("hdrl").All("strl").size(), 1u);
    EXPECT_EQ(U32At(riff.Only("hdrl").Only("strl").Only("strh").data, 32), 200u);
    EXPECT_EQ(riff.Only("movi").All("00wb").size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Fields, WavFormatChangeTest,
                         ::testing::Values(FormatChange{"SampleRate", 24, 11025, 4},
                                           FormatChange{"FormatTag", 20, 3, 2},
                                           FormatChange{"Channels", 22, 2, 2},
                                           FormatChange{"BytesPerSecond", 28, 8000, 4},
                                           FormatChange{"BlockAlignment", 32, 1, 2},
                                           FormatChange{"BitsPerSample", 34, 8, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviWriterTest, GivenAudioFormatMustBeMatchedFromTheFirstWav)
{
    AudioFormat format{1, 1, 8000, 16000, 2, 16, 0};
    std::unique_ptr<AviWriter> writer = OpenAviWriter(PathOf("video.avi"), 500, format);
    ASSERT_TRUE(writer);
    const std::vector<std::uint8_t> other = MakeWav(1, 11025, 16, 10);
    const std::vector<std::uint8_t> matching = MakeWav(1, 8000, 16, 10);
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(other), SND_MEMORY), AVIERR_BADFORMAT);
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(matching), SND_MEMORY), AVIERR_OK);
    EXPECT_EQ(CloseAviWriter(std::move(writer)), AVIERR_OK);
}

TEST_F(AviWriterTest, AppendThatWouldPassTheSizeLimitFailsTheWriterAndTheFileStaysValid)
{
    // A 4 x 2 frame is a 24-byte chunk plus 8 header bytes and a 16-byte
    // index entry; the fixed headers, the movi list header and the index
    // header take 2068 bytes. Room for exactly two frames:
    const std::uint64_t limit = 2068 + 2 * (32 + 16);
    const Dib frame = MakeDib(4, 2, 1);
    const std::vector<std::uint8_t> wav = MakeWav(1, 8000, 16, 4);
    WriteWholeFile(PathOf("sound.wav"), wav);
    std::unique_ptr<AviWriter> writer = OpenAviWriter(PathOf("video.avi"), 500, std::nullopt, limit);
    ASSERT_TRUE(writer);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_OK);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_OK);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_ERROR);
    EXPECT_TRUE(writer->failed);

    // Every later append whose arguments are acceptable is refused.
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_ERROR);
    EXPECT_EQ(AppendWavAudio(writer.get(), std::span(wav), SND_MEMORY), AVIERR_ERROR);
    EXPECT_EQ(AppendWavAudio(writer.get(), PathOf("sound.wav"), SND_FILENAME), AVIERR_ERROR);
    EXPECT_EQ(writer->frameCount, 2u);
    EXPECT_EQ(writer->sampleCount, 0u);

    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));
    EXPECT_EQ(file.size(), limit);
    const RiffChunk riff = WalkRiff(file);
    EXPECT_EQ(U32At(riff.Only("hdrl").Only("avih").data, 16), 2u);
    EXPECT_EQ(riff.Only("movi").All("00db").size(), 2u);
    ExpectIndexMatchesChunks(riff);
}

TEST_F(AviWriterTest, FileThatRefusesBytesFailsTheWriter)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    std::unique_ptr<AviWriter> writer = OpenAviWriter("/dev/full", 500);
    ASSERT_TRUE(writer);
    const Dib frame = MakeDib(4, 2, 1);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_FILEWRITE);
    EXPECT_TRUE(writer->failed);
    EXPECT_EQ(writer->frameCount, 0u);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_ERROR);
    // Nothing can be finished on a full device: never reported as success.
    EXPECT_EQ(CloseAviWriter(std::move(writer)), AVIERR_FILEWRITE);
}

TEST_F(AviWriterTest, OpenThatCannotGiveAVideoGivesNoWriterAndNoFile)
{
    EXPECT_FALSE(OpenAviWriter(PathOf("missing/video.avi"), 500));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "missing"));
    // No reader can time frames that last no time.
    EXPECT_FALSE(OpenAviWriter(PathOf("video.avi"), 0));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "video.avi"));
    EXPECT_EQ(CloseAviWriter(nullptr), AVIERR_BADHANDLE);
}

// A bitmap change that makes it no DIB section.
struct BrokenDib {
    const char* name;
    void (*breakIt)(Dib&);
};

class NotADibSectionTest : public AviWriterTest, public ::testing::WithParamInterface<BrokenDib> {};

TEST_P(NotADibSectionTest, IsRefusedWithoutFailingTheWriter)
{
    Dib broken = MakeDib(4, 2, 1);
    GetParam().breakIt(broken);
    const Dib frame = MakeDib(4, 2, 1);
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendVideoFrame(writer.get(), &broken), AVIERR_BADPARAM);
    EXPECT_FALSE(writer->failed);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_OK);
    EXPECT_EQ(writer->frameCount, 1u);
    EXPECT_EQ(CloseAviWriter(std::move(writer)), AVIERR_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Defects, NotADibSectionTest,
    ::testing::Values(BrokenDib{"ShortHeader", [](Dib& d) { d.header.pop_back(); }},
                      BrokenDib{"ZeroHeight", [](Dib& d) { PutLittleEndian(&d.header[8], std::int32_t{0}); }},
                      BrokenDib{"RunLengthEncoded", [](Dib& d) { PutLittleEndian(&d.header[16], std::uint32_t{1}); }},
                      BrokenDib{"BitsShorterThanRows", [](Dib& d) { d.bits.pop_back(); }},
                      BrokenDib{"WiderThanTheFrameRectangle",
                                [](Dib& d) {
                                    PutLittleEndian(&d.header[4], std::int32_t{32768});
                                    d.bits.resize(32768 * 3 * 2);
                                }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviWriterTest, FrameSidesEndAtTheSixteenBitFrameRectangle)
{
    // 32768 rows are a usable bitmap, but the stream header cannot hold them.
    const Dib tallest = MakeDib(1, 32767, 1);
    const Dib tooTall = MakeDib(1, 32768, 1);
    ASSERT_TRUE(IsUsableDib(tooTall));
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendVideoFrame(writer.get(), &tooTall), AVIERR_BADPARAM);
    EXPECT_FALSE(writer->failed);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &tallest), AVIERR_OK);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));
    const std::span<const std::uint8_t> description = WalkRiff(file).Only("hdrl").Only("strl").Only("strh").data;
    EXPECT_EQ(I16At(description, 52), 1);
    EXPECT_EQ(I16At(description, 54), 32767);
}

TEST_F(AviWriterTest, FrameIsStoredAsItsRowsWhateverItsHeaderSays)
{
    // 3 x 2 pixels of 24 bits: rows of 9 bytes padded to 12.
    const Dib made = MakeDib(3, 2, 1);
    ASSERT_EQ(made.bits.size(), 24u);
    Dib frame = made;
    PutLittleEndian(&frame.header[0], std::uint32_t{12});   // header size
    PutLittleEndian(&frame.header[12], std::uint16_t{2});   // planes
    PutLittleEndian(&frame.header[20], std::uint32_t{1000}); // image size
    frame.bits.resize(30, 0xAB);                             // bits beyond the rows
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_OK);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &made), AVIERR_OK);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));

    const RiffChunk riff = WalkRiff(file);
    const RiffChunk& stream = riff.Only("hdrl").Only("strl");
    EXPECT_EQ(U32At(stream.Only("strh").data, 36), 24u); // suggested buffer size
    EXPECT_EQ(Bytes(stream.Only("strf").data), made.header);
    const std::vector<const RiffChunk*> frames = riff.Only("movi").All("00db");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(Bytes(frames[0]->data), made.bits);
    EXPECT_EQ(Bytes(frames[1]->data), made.bits);
}

TEST_F(AviWriterTest, SuggestedColoursOfATrueColourFrameStayOutOfTheFormat)
{
    // A 24-bit BMP may carry a colour table of any length (colours suggested
    // for a display of fewer colours); decoding does not need it, and a long
    // one would not fit the stream header, so the format leaves it out.
    Dib frame = MakeDib(4, 2, 1);
    const std::vector<std::uint8_t> format = frame.header; // 0 colours used
    PutLittleEndian(&frame.header[32], std::uint32_t{600});
    frame.colourTable.assign(600 * 4, 0x11);
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendVideoFrame(writer.get(), &frame), AVIERR_OK);
    const Dib plain = MakeDib(4, 2, 2);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &plain), AVIERR_OK);
    const std::vector<std::uint8_t> file = CloseAndRead(std::move(writer));
    EXPECT_EQ(Bytes(WalkRiff(file).Only("hdrl").Only("strl").Only("strf").data), format);
}

struct OtherFrame {
    const char* name;
    Dib frame;
};

class FrameFormatChangeTest : public AviWriterTest, public ::testing::WithParamInterface<OtherFrame> {};

TEST_P(FrameFormatChangeTest, IsRefusedWithoutFailingTheWriter)
{
    const Dib first = MakePaletteDib(4, 2, {1, 2, 3, 0, 4, 5, 6, 0});
    std::unique_ptr<AviWriter> writer = Open();
    EXPECT_EQ(AppendVideoFrame(writer.get(), &first), AVIERR_OK);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &GetParam().frame), AVIERR_BADFORMAT);
    EXPECT_FALSE(writer->failed);
    EXPECT_EQ(AppendVideoFrame(writer.get(), &first), AVIERR_OK);
    EXPECT_EQ(writer->frameCount, 2u);
    EXPECT_EQ(CloseAviWriter(std::move(writer)), AVIERR_OK);
}

Dib TopDown(Dib dib)
{
    PutLittleEndian(&dib.header[8], -dib.height());
    return dib;
}

INSTANTIATE_TEST_SUITE_P(
    Changes, FrameFormatChangeTest,
    ::testing::Values(OtherFrame{"Wider", MakePaletteDib(8, 2, {1, 2, 3, 0, 4, 5, 6, 0})},
                      OtherFrame{"Taller", MakePaletteDib(4, 3, {1, 2, 3, 0, 4, 5, 6, 0})},
                      OtherFrame{"TopDown", TopDown(MakePaletteDib(4, 2, {1, 2, 3, 0, 4, 5, 6, 0}))},
                      OtherFrame{"OtherPalette", MakePaletteDib(4, 2, {1, 2, 3, 0, 4, 5, 7, 0})},
                      OtherFrame{"TrueColour", MakeDib(4, 2, 1)}),
    [](const auto& info) { return std::string(info.param.name); });

// The checks of AppendVideoFrame come in a fixed order: the first that
// applies decides the result.
struct FrameCheck {
    const char* name;
    bool writer;
    bool failed;
    enum { none, broken, otherSize } bitmap;
    AviResult expected;
};

class FrameCheckOrderTest : public AviWriterTest, public ::testing::WithParamInterface<FrameCheck> {};

TEST_P(FrameCheckOrderTest, FirstApplicableCheckDecides)
{
    const FrameCheck check = GetParam();
    const Dib first = MakeDib(4, 2, 1);
    Dib broken = MakeDib(4, 2, 1);
    broken.bits.clear();
    const Dib otherSize = MakeDib(2, 2, 1);
    std::unique_ptr<AviWriter> writer = Open();
    ASSERT_EQ(AppendVideoFrame(writer.get(), &first), AVIERR_OK);
    writer->failed = check.failed;
    const Dib* bitmap = check.bitmap == FrameCheck::none ? nullptr
        : check.bitmap == FrameCheck::broken             ? &broken
                                                         : &otherSize;
    EXPECT_EQ(AppendVideoFrame(check.writer ? writer.get() : nullptr, bitmap), check.expected);
    if (check.writer && !check.failed) {
        EXPECT_FALSE(writer->failed) << "a refused frame fails the writer";
    }
    EXPECT_EQ(CloseAviWriter(std::move(writer)), AVIERR_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Order, FrameCheckOrderTest,
    ::testing::Values(FrameCheck{"NoWriterBeforeNoBitmap", false, true, FrameCheck::none, AVIERR_BADHANDLE},
                      FrameCheck{"NoBitmapBeforeFailed", true, true, FrameCheck::none, AVIERR_BADPARAM},
                      FrameCheck{"NoDibSectionBeforeFailed", true, true, FrameCheck::broken, AVIERR_BADPARAM},
                      FrameCheck{"FailedBeforeFormat", true, true, FrameCheck::otherSize, AVIERR_ERROR},
                      FrameCheck{"Format", true, false, FrameCheck::otherSize, AVIERR_BADFORMAT}),
    [](const auto& info) { return std::string(info.param.name); });

// The same for AppendWavAudio.
struct WavCheck {
    const char* name;
    bool writer;
    bool failed;
    std::uint32_t kind;
    enum { none, validMemory, shortMemory, missingFile } source;
    AviResult expected;
    bool failedAfter;
};

class WavCheckOrderTest : public AviWriterTest, public ::testing::WithParamInterface<WavCheck> {};

TEST_P(WavCheckOrderTest, FirstApplicableCheckDecides)
{
    const WavCheck check = GetParam();
    const std::vector<std::uint8_t> wav = MakeWav(1, 8000, 16, 10);
    WavSource source;
    switch (check.source) {
    case WavCheck::none: break;
    case WavCheck::validMemory: source = std::span<const std::uint8_t>(wav); break;
    case WavCheck::shortMemory: source = std::span(wav).first(43); break;
    case WavCheck::missingFile: source = PathOf("missing.wav"); break;
    }
    std::unique_ptr<AviWriter> writer = Open();
    writer->failed = check.failed;
    EXPECT_EQ(AppendWavAudio(check.writer ? writer.get() : nullptr, source, check.kind), check.expected);
    EXPECT_EQ(writer->failed, check.failedAfter);
    EXPECT_EQ(writer->sampleCount, 0u);
    EXPECT_EQ(CloseAviWriter(std::move(writer)), AVIERR_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Order, WavCheckOrderTest,
    ::testing::Values(
        WavCheck{"NoWriterBeforeKind", false, true, 0, WavCheck::none, AVIERR_BADHANDLE, true},
        WavCheck{"KindBeforeSource", true, true, 0, WavCheck::none, AVIERR_BADFLAGS, true},
        WavCheck{"CombinedKinds", true, true, SND_FILENAME | SND_MEMORY, WavCheck::validMemory,
                 AVIERR_BADFLAGS, true},
        WavCheck{"NoSourceBeforeFailed", true, true, SND_MEMORY, WavCheck::none, AVIERR_BADPARAM, true},
        WavCheck{"MemoryKindGivenAPath", true, false, SND_MEMORY, WavCheck::missingFile, AVIERR_BADPARAM, false},
        WavCheck{"FileKindGivenMemory", true, false, SND_FILENAME, WavCheck::validMemory, AVIERR_BADPARAM, false},
        WavCheck{"FailedBeforeOpeningTheFile", true, true, SND_FILENAME, WavCheck::missingFile, AVIERR_ERROR, true},
        WavCheck{"FailedBeforeFormat", true, true, SND_MEMORY, WavCheck::shortMemory, AVIERR_ERROR, true},
        WavCheck{"MissingFileFails", true, false, SND_FILENAME, WavCheck::missingFile, AVIERR_FILEOPEN, true},
        WavCheck{"ShortImageDoesNotFail", true, false, SND_MEMORY, WavCheck::shortMemory, AVIERR_BADFORMAT,
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavrik
