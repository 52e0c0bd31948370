#include "output/Disparity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace tavrik {
namespace {

// D, N = WholePixelDisparity(D), g = FineGrey(D), p = WholePixelGrey(N).
struct GreyCase {
    double d;
    int n, g, p;
};

class DisparityGreyTest : public ::testing::TestWithParam<GreyCase> {};

TEST_P(DisparityGreyTest, WholePixelAndGreyLevels)
{
    const GreyCase c = GetParam();
    EXPECT_EQ(WholePixelDisparity(c.d), c.n);
    EXPECT_EQ(FineGrey(c.d), c.g);
    EXPECT_EQ(WholePixelGrey(c.n), c.p);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, DisparityGreyTest,
    ::testing::Values(GreyCase{12.3, 12, 52, 51}, GreyCase{59.9, 60, 254, 255}, GreyCase{61.0, 61, 255, 255},
                      GreyCase{2.5, 2, 10, 8} /* a half rounds down */, GreyCase{2.5000001, 3, 10, 12},
                      GreyCase{1.0, 1, 4, 4} /* 4.25 truncated */, GreyCase{0.75, 1, 3, 4},
                      GreyCase{-0.3, 0, 0, 0}, GreyCase{-2.5, -3, 0, 0}, GreyCase{-3.7, -4, 0, 0},
                      GreyCase{1e300, INT_MAX, 255, 255}, GreyCase{-1e300, INT_MIN, 0, 0},
                      GreyCase{std::numeric_limits<double>::quiet_NaN(), 0, 0, 0}));

TEST(ConvertDepthTest, DefaultRigWithRowsMirrored)
{
    // B·F = 0.12·389 = 46.68; w = 17/33.5 puts a surface at Z = 1.
    const float depth[] = {0.0f, float(17.0 / 33.5), 0.9f, // bottom row of the window
                           0.95f, 0.98f, 1.0f};            // top row: 1 is the background
    const DisparityOutputs out = ConvertDepth(depth, 3, 2, 0.12, 389.0);
    // Top row first. The float depths are off by up to 3e-8, which moves D by
    // up to 3e-6 (at Z = 1).
    const double values[] = {5.97229521421826, 3.21268059842727, 46.68 / 34.0, 93.36, 46.68, 10.5716492519659};
    const std::uint8_t fine[] = {25, 13, 5, 255, 198, 44};
    const std::uint8_t whole[] = {25, 12, 4, 255, 199, 46};
    for (int i = 0; i < 6; ++i) {
        const int x = i % 3, y = i / 3;
        EXPECT_NEAR(out.values[static_cast<std::size_t>(i)], values[i], 1e-5) << i;
        EXPECT_EQ(out.fine.at(x, y), (Rgb{fine[i], fine[i], fine[i]})) << i;
        EXPECT_EQ(out.whole.at(x, y), (Rgb{whole[i], whole[i], whole[i]})) << i;
    }
}

// A frame large enough to be converted in slices of rows: every row lands
// mirrored in its place, whichever slice converts it.
TEST(ConvertDepthTest, LargeFrameRowByRow)
{
    constexpr int w = 512, h = 384;
    std::vector<float> depth(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < depth.size(); ++i)
        depth[i] = static_cast<float>(i % 7919) / 7919.0f;
    const DisparityOutputs out = ConvertDepth(depth, w, h, 0.12, 389.0);
    for (int j = 0; j < h; ++j) {
        const std::size_t window = static_cast<std::size_t>(j) * w;
        const std::size_t image = static_cast<std::size_t>(h - 1 - j) * w;
        for (int x = 0; x < w; x += 37) {
            const double d = DisparityFromDistance(DepthToDistance(depth[window + x]), 0.12, 389.0);
            ASSERT_EQ(out.values[image + x], d) << x << ", " << j;
            ASSERT_EQ(out.fine.at(x, h - 1 - j).red, FineGrey(d));
            ASSERT_EQ(out.whole.at(x, h - 1 - j).green, WholePixelGrey(WholePixelDisparity(d)));
        }
    }
}

TEST(FormatDisparityTextTest, MatchesPrintfGeneralFormWithEighteenDigits)
{
    std::vector<double> values = {
        0.0, -0.0, 1.0, -60.0, 46.68, 1e17, 1e18, -1e18, 999999999999999999.0, 123456789012345678.0,
        0.0001, 0.00001, 1e-4 * (1 - DBL_EPSILON), std::numeric_limits<double>::denorm_min(), DBL_MIN,
        DBL_MAX, -DBL_MAX, 2.5, 1.0 / 3.0, std::numeric_limits<double>::infinity(),
        // 19 digits ending in 5: ties, to the even 18th digit either way
        234567890123456.0625, -234567890123456.1875, 23456789012345.65625};
    // Arbitrary bit patterns reach every exponent; the uniform values are the
    // disparities a frame holds.
    std::mt19937_64 random(20240607);
    std::uniform_real_distribution<double> disparity(-100.0, 200.0);
    for (int i = 0; i < 100000; ++i) {
        if (const double any = std::bit_cast<double>(random()); std::isfinite(any))
            values.push_back(any);
        values.push_back(disparity(random));
    }
    std::string expected = std::to_string(values.size()) + "\r\n1\r\n";
    char buffer[64];
    for (const double value : values) {
        std::snprintf(buffer, sizeof buffer, "%.18g\r\n", value);
        expected += buffer;
    }
    expected += "\r\n";
    EXPECT_EQ(FormatDisparityText(values, static_cast<int>(values.size()), 1), expected);
}

// Lines that repeat the value above or to the left are copied from that
// line: each must still be its own value's text, across slice boundaries,
// at row ends and where 0 and −0 (equal, not the same bits) meet.
TEST(FormatDisparityTextTest, RepeatedValuesKeepTheirOwnText)
{
    constexpr int w = 512, h = 384;
    const double few[] = {0.0, -0.0, 1.5, 46.68, std::nextafter(46.68, 100.0), 1e-5, 7.0};
    std::vector<double> values;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            values.push_back(few[static_cast<std::size_t>(x / 3 + y / 2 + (x * y) % 5) % std::size(few)]);
    std::string expected = "512\r\n384\r\n";
    char buffer[64];
    for (const double value : values) {
        std::snprintf(buffer, sizeof buffer, "%.18g\r\n", value);
        expected += buffer;
    }
    expected += "\r\n";
    // Megabytes of text: a failure shows where the texts part, not both whole.
    const std::string text = FormatDisparityText(values, w, h);
    const auto [at, _] = std::ranges::mismatch(text, expected);
    const std::size_t offset = static_cast<std::size_t>(at - text.begin());
    EXPECT_EQ(text.substr(offset, 40), expected.substr(offset, 40)) << "at offset " << offset;
}

TEST(FormatDisparityTextTest, OneCrLfLinePerPixelPlusThree)
{
    const std::vector<double> values(320 * 240, 1.5);
    const std::string text = FormatDisparityText(values, 320, 240);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 76803);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 76803);
    EXPECT_EQ(text.substr(0, 15), "320\r\n240\r\n1.5\r\n");
    EXPECT_EQ(text.substr(text.size() - 7), "1.5\r\n\r\n");
}

} // namespace
} // namespace tavrik
