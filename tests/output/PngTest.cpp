#include "output/Png.h"

#include "base/UserError.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tavrik {
namespace {

TEST(PngTest, EightBitGreyReadsBack)
{
    const std::vector<std::uint8_t> samples{0, 128, 255, 7, 9, 200}; // 3 × 2
    const PngImage image = DecodePng(EncodePng(samples, 3, 2, 1), "g.png");
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.channels, 1);
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(image.samples, std::vector<std::uint16_t>(samples.begin(), samples.end()));
}

TEST(PngTest, SixteenBitRgbReadsBack)
{
    const std::vector<std::uint16_t> samples{0, 1, 65535, 32768, 256, 255}; // 2 × 1
    const PngImage image = DecodePng(EncodePng(samples, 2, 1, 3), "c.png");
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.bitDepth, 16);
    EXPECT_EQ(image.samples, samples);
}

// Noise does not compress: the stream falls back to stored blocks, which
// must still fit the file.
TEST(PngTest, NoiseReadsBack)
{
    std::mt19937 random(3);
    std::vector<std::uint16_t> samples(300 * 200 * 3);
    for (std::uint16_t& s : samples)
        s = static_cast<std::uint16_t>(random());
    EXPECT_EQ(DecodePng(EncodePng(samples, 300, 200, 3), "n.png").samples, samples);
}

TEST(PngTest, RefusesATruncatedFileNamingIt)
{
    std::vector<std::uint8_t> file = EncodePng(std::vector<std::uint16_t>(64 * 64, 1234), 64, 64, 1);
    for (const std::size_t keep : {std::size_t{4}, std::size_t{40}, file.size() / 2}) {
        const std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<long>(keep));
        try {
            DecodePng(cut, "est/d.png");
            FAIL() << "accepted " << keep << " bytes";
        } catch (const UserError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("est/d.png: not a PNG file: ", 0), 0u) << e.what();
        }
    }
}

} // namespace
} // namespace tavrik
