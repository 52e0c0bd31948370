#include "output/Png.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

// Bit depth and colour type of the IHDR chunk, which follows the 8-byte
// signature, the chunk length and the name, width and height.
struct Ihdr {
    int bitDepth;
    int colourType;
};

Ihdr HeaderOf(const std::vector<std::uint8_t>& file)
{
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 8),
              (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}));
    EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 16), "IHDR");
    EXPECT_EQ(file[19], 3); // width 3
    EXPECT_EQ(file[23], 2); // height 2
    return {file[24], file[25]};
}

TEST(PngTest, KindsOfImage)
{
    const std::uint16_t grey16[6] = {0, 1, 65535, 256, 2390, 7};
    const Ihdr grey = HeaderOf(EncodePng(std::span<const std::uint16_t>(grey16), 3, 2, 1));
    EXPECT_EQ(grey.bitDepth, 16);
    EXPECT_EQ(grey.colourType, 0);

    const std::vector<std::uint16_t> rgb16(18, 32768);
    const Ihdr rgb = HeaderOf(EncodePng(std::span<const std::uint16_t>(rgb16), 3, 2, 3));
    EXPECT_EQ(rgb.bitDepth, 16);
    EXPECT_EQ(rgb.colourType, 2);

    const std::uint8_t mask[6] = {0, 128, 255, 255, 128, 0};
    const Ihdr grey8 = HeaderOf(EncodePng(std::span<const std::uint8_t>(mask), 3, 2, 1));
    EXPECT_EQ(grey8.bitDepth, 8);
    EXPECT_EQ(grey8.colourType, 0);
}

} // namespace
} // namespace tavrik
