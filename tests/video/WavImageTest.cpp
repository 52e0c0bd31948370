#include "video/WavImage.h"

#include "AviTestSupport.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using namespace tavrik::test;

TEST(WavImageTest, ReadsTheFixedHeaderFieldsAndTheData)
{
    const std::vector<std::uint8_t> image = MakeWav(2, 22050, 16, 10);
    const std::optional<WavImage> wav = ParseWavImage(image);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->format, (AudioFormat{1, 2, 22050, 88200, 4, 16, 0}));
    EXPECT_EQ(wav->data.data(), image.data() + 44);
    EXPECT_EQ(wav->data.size(), 40u);
}

const std::vector<std::uint8_t> samples{1, 2, 3, 4, 5, 6};

struct GoodLayout {
    const char* name;
    std::vector<std::uint8_t> file;
};

class WavLayoutTest : public ::testing::TestWithParam<GoodLayout> {};

TEST_P(WavLayoutTest, FindsFormatAndDataWhereverTheyStand)
{
    std::string reason;
    const std::optional<WavImage> wav = ParseWavImage(GetParam().file, &reason);
    ASSERT_TRUE(wav) << reason;
    EXPECT_EQ(wav->format, (AudioFormat{1, 1, 8000, 16000, 2, 16, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(wav->data.begin(), wav->data.end()), samples);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WavLayoutTest,
    ::testing::Values(
        // An odd-sized chunk before the data: its pad byte must be skipped.
        GoodLayout{"ListBeforeData", Riff({{"fmt ", Fmt(1, 1, 16)}, {"LIST", {'I', 'N', 'F', 'O', 'a'}}, {"data", samples}})},
        GoodLayout{"JunkBeforeFormat", Riff({{"JUNK", std::vector<std::uint8_t>(28)}, {"fmt ", Fmt(1, 1, 16)}, {"data", samples}})},
        GoodLayout{"ExtensiblePcm", Riff({{"fmt ", Fmt(0xFFFE, 1, 16, 40)}, {"data", samples}})},
        GoodLayout{"ChunksAfterData", Riff({{"fmt ", Fmt(1, 1, 16)}, {"data", samples}, {"LIST", {1, 2, 3, 4}}})}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedFile {
    const char* name;
    std::vector<std::uint8_t> file;
    const char* reason;
};

class WavRefusedTest : public ::testing::TestWithParam<RefusedFile> {};

TEST_P(WavRefusedTest, IsRefusedWithItsReason)
{
    std::string reason;
    EXPECT_FALSE(ParseWavImage(GetParam().file, &reason));
    EXPECT_EQ(reason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WavRefusedTest,
    ::testing::Values(
        RefusedFile{"NoFormat", Riff({{"data", samples}}), "no 'fmt ' chunk"},
        RefusedFile{"NoData", Riff({{"fmt ", Fmt(1, 1, 16)}}), "no 'data' chunk"},
        RefusedFile{"FormatOf20Bytes", Riff({{"fmt ", Fmt(1, 1, 16, 20)}, {"data", samples}}),
                    "a format chunk of 20 bytes (16, 18 or 40 expected)"},
        RefusedFile{"FloatSamples", Riff({{"fmt ", Fmt(3, 1, 32)}, {"data", samples}}),
                    "format tag 0x0003, not integer PCM (1)"},
        RefusedFile{"ExtensibleFloat", Riff({{"fmt ", Fmt(0xFFFE, 1, 32, 40, 3)}, {"data", samples}}),
                    "an extensible format whose sub-format is not integer PCM"},
        RefusedFile{"ChunkOverrunsTheFile", [] {
                        std::vector<std::uint8_t> file = Riff({{"fmt ", Fmt(1, 1, 16)}, {"data", samples}});
                        file.pop_back();
                        return file;
                    }(), "the 'data' chunk declares 6 bytes but 5 follow"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WavImageTest, DataMayBeEmptyAndBytesAfterItAreIgnored)
{
    std::vector<std::uint8_t> image = MakeWav(1, 8000, 16, 0);
    image.resize(60, 0x55);
    const std::optional<WavImage> wav = ParseWavImage(image);
    ASSERT_TRUE(wav);
    EXPECT_TRUE(wav->data.empty());
}

// A WAV image made unusable by one change.
struct BadWav {
    const char* name;
    std::size_t size;   // bytes of the image kept
    std::size_t offset; // field changed
    std::uint32_t value;
    int width;
};

class BadWavTest : public ::testing::TestWithParam<BadWav> {};

TEST_P(BadWavTest, IsNotAUsableSource)
{
    const BadWav bad = GetParam();
    std::vector<std::uint8_t> image = MakeWav(1, 8000, 16, 10); // 20 data bytes
    if (bad.width != 0)
        PutField(image, bad.offset, bad.value, bad.width);
    image.resize(bad.size);
    EXPECT_FALSE(ParseWavImage(image));
}

INSTANTIATE_TEST_SUITE_P(
    Images, BadWavTest,
    ::testing::Values(BadWav{"Empty", 0, 0, 0, 0},
                      BadWav{"ShorterThanHeader", 43, 0, 0, 0},
                      BadWav{"DataCutShort", 63, 0, 0, 0},
                      BadWav{"DataSizeOneTooMany", 64, 40, 21, 4},
                      BadWav{"HugeDataSize", 64, 40, 0xFFFFFFFF, 4},
                      BadWav{"NoChannels", 64, 22, 0, 2},
                      BadWav{"NoSamplesPerSecond", 64, 24, 0, 4},
                      BadWav{"ZeroBlockAlignment", 64, 32, 0, 2},
                      BadWav{"StreamRateBeyond32Bits", 64, 24, 0x80000000, 4}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavrik
