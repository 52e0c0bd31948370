#include "base/FileIo.h"
#include "output/Bmp.h"
#include "tools/TexturePatterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavrik {
namespace {

std::string TexturePath(int index)
{
    return std::string(TAVRIK_ASSET_DIR) + "/textures/tex" + std::to_string(index) + ".bmp";
}

// Mean absolute difference per channel of two equally sized images.
double MeanDifference(const RgbImage& a, const RgbImage& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.bytes().size(); ++i)
        sum += std::abs(a.bytes()[i] - b.bytes()[i]);
    return sum / static_cast<double>(a.bytes().size());
}

RgbImage Transposed(const RgbImage& image)
{
    RgbImage t(image.height(), image.width());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            t.set(y, x, image.at(x, y));
    return t;
}

class BundledTexture : public testing::TestWithParam<int> {};

TEST_P(BundledTexture, IsExactlyWhatTheGeneratorMakes)
{
    const std::vector<std::uint8_t> file = ReadWholeFile(TexturePath(GetParam()), 1 << 20, "too large");
    // A mismatch means a pattern changed without regenerating the files
    // with tavrik-make-textures, or the patterns are not reproducible here.
    EXPECT_TRUE(file == EncodeBmp24(MakeTexture(GetParam())));
}

TEST_P(BundledTexture, DecodesTo128By128)
{
    const RgbImage image = ReadBmpFile(TexturePath(GetParam()));
    EXPECT_EQ(image.width(), 128);
    EXPECT_EQ(image.height(), 128);
}

// Per-pixel grain alone makes an image differ from its transpose by under
// 10 levels on average; a pattern that is nearly symmetric about its
// diagonal would look the same after the renderer transposes it.
TEST_P(BundledTexture, IsNotSymmetricAboutItsDiagonal)
{
    const RgbImage image = ReadBmpFile(TexturePath(GetParam()));
    EXPECT_GT(MeanDifference(image, Transposed(image)), 20.0);
}

// A stereo matcher needs contrast in every neighbourhood: each 8 x 8 block
// spans at least 8 grey levels of brightness (red + green + blue) / 3.
TEST_P(BundledTexture, HasDetailInEveryBlock)
{
    const RgbImage image = ReadBmpFile(TexturePath(GetParam()));
    for (int by = 0; by < image.height(); by += 8) {
        for (int bx = 0; bx < image.width(); bx += 8) {
            int lowest = 3 * 255;
            int highest = 0;
            for (int y = by; y < by + 8; ++y) {
                for (int x = bx; x < bx + 8; ++x) {
                    const Rgb c = image.at(x, y);
                    lowest = std::min(lowest, c.red + c.green + c.blue);
                    highest = std::max(highest, c.red + c.green + c.blue);
                }
            }
            EXPECT_GE(highest - lowest, 3 * 8) << "flat block at " << bx << ", " << by;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Textures, BundledTexture, testing::Range(0, kTextureCount));

TEST(BundledTextures, ArePairwiseDifferent)
{
    std::vector<RgbImage> images;
    for (int i = 0; i < kTextureCount; ++i)
        images.push_back(ReadBmpFile(TexturePath(i)));
    for (int i = 0; i < kTextureCount; ++i)
        for (int j = i + 1; j < kTextureCount; ++j)
            EXPECT_GT(MeanDifference(images[static_cast<std::size_t>(i)], images[static_cast<std::size_t>(j)]), 20.0)
                << "tex" << i << " and tex" << j;
}

} // namespace
} // namespace tavrik
