#include "output/Pfm.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace tavrik {
namespace {

TEST(PfmTest, HeaderThenLittleEndianFloatsBottomRowFirst)
{
    const float top[] = {1.0f, -2.5f, std::numeric_limits<float>::infinity(), 0.0f}; // 2 × 2, top row first
    const std::vector<std::uint8_t> file = EncodePfm(top, 2, 2);
    const std::string header = "Pf\n2 2\n-1.0\n";
    ASSERT_EQ(file.size(), header.size() + 16);
    EXPECT_EQ(std::string(file.begin(), file.begin() + static_cast<long>(header.size())), header);
    const std::vector<std::uint8_t> pixels(file.begin() + static_cast<long>(header.size()), file.end());
    const std::vector<std::uint8_t> expected{
        0x00, 0x00, 0x80, 0x7f, 0x00, 0x00, 0x00, 0x00, // bottom row: +INF, 0
        0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x20, 0xc0, // top row: 1, -2.5
    };
    EXPECT_EQ(pixels, expected);
}

} // namespace
} // namespace tavrik
