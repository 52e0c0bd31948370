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

TEST(WavImageTest, ChunkIdentifiersAreNotLookedAt)
{
    std::vector<std::uint8_t> image = MakeWav(1, 8000, 8, 5);
    for (const std::size_t offset : {0, 8, 12, 36})
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(offset), 4, 'x');
    const std::optional<WavImage> wav = ParseWavImage(image);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->data.size(), 5u);
}

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
