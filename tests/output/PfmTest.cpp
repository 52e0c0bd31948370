#include "output/Pfm.h"

#include "base/UserError.h"

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

TEST(PfmTest, DecodeReadsBackWhatEncodeWrote)
{
    const std::vector<float> values{1.0f, -2.5f, std::numeric_limits<float>::infinity(), 0.0f, 3e-7f, 42.0f}; // 3 × 2
    const FloatImage image = DecodePfm(EncodePfm(values, 3, 2), "a.pfm");
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.values, values);
}

TEST(PfmTest, PositiveScaleMeansBigEndian)
{
    const std::string header = "Pf\n1 2\n1.0\n";
    std::vector<std::uint8_t> file(header.begin(), header.end());
    for (const std::uint8_t byte : {0x3f, 0x80, 0x00, 0x00, 0xc0, 0x20, 0x00, 0x00}) // bottom 1, top −2.5
        file.push_back(byte);
    EXPECT_EQ(DecodePfm(file, "b.pfm").values, (std::vector<float>{-2.5f, 1.0f}));
}

class PfmRefusalTest : public ::testing::TestWithParam<std::string> {};

TEST_P(PfmRefusalTest, NamesTheFile)
{
    const std::string text = GetParam();
    const std::vector<std::uint8_t> file(text.begin(), text.end());
    try {
        DecodePfm(file, "est/x.pfm");
        FAIL() << "accepted " << text;
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("est/x.pfm: not a PFM file: ", 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Malformed, PfmRefusalTest,
                         ::testing::Values("", "P5\n1 1\n255\n", "PF\n1 1\n-1.0\nabcdefghijkl",
                                           "Pf\n0 1\n-1.0\nabcd", "Pf\n1 -1\n-1.0\nabcd",
                                           "Pf\n1 1\nx\nabcd", "Pf\n2 1\n-1.0\nabcd" /* one value short */,
                                           "Pf\n99999999 1\n-1.0\n"));

} // namespace
} // namespace tavrik
