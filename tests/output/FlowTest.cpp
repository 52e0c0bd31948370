#include "output/Flow.h"

#include "base/UserError.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>

namespace tavrik {
namespace {

TEST(FloTest, TagSizeAndUnknownFlow)
{
    const FlowField flow{2, 1, {1.5f, 7.0f}, {-0.25f, 8.0f}, {1, 0}};
    const std::vector<std::uint8_t> file = EncodeFlo(flow);
    ASSERT_EQ(file.size(), 12u + 16u);
    float tag = 0;
    std::memcpy(&tag, file.data(), 4);
    EXPECT_EQ(tag, 202021.25f);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 4, file.begin() + 12),
              (std::vector<std::uint8_t>{2, 0, 0, 0, 1, 0, 0, 0}));
    float values[4];
    std::memcpy(values, file.data() + 12, 16);
    EXPECT_EQ(values[0], 1.5f);
    EXPECT_EQ(values[1], -0.25f);
    // Readers take a magnitude above 1e9 as unknown.
    EXPECT_GT(values[2], 1e9f);
    EXPECT_GT(values[3], 1e9f);
}

// u (v = u) and validity, and the three samples expected.
struct KittiFlowCase {
    float u;
    std::uint8_t valid;
    std::uint16_t red, green, blue;
};

class KittiFlowTest : public ::testing::TestWithParam<KittiFlowCase> {};

TEST_P(KittiFlowTest, SixtyFourthsAroundTwoToTheFifteen)
{
    const KittiFlowCase c = GetParam();
    const FlowField flow{1, 1, {c.u}, {c.u}, {c.valid}};
    EXPECT_EQ(KittiFlowSamples(flow), (std::vector<std::uint16_t>{c.red, c.green, c.blue}));
}

INSTANTIATE_TEST_SUITE_P(
    Samples, KittiFlowTest,
    ::testing::Values(KittiFlowCase{0.0f, 1, 32768, 32768, 1}, KittiFlowCase{-1.5f, 1, 32672, 32672, 1},
                      KittiFlowCase{0.01f, 1, 32769, 32769, 1} /* 0.64 rounds up */,
                      KittiFlowCase{511.984375f, 1, 65535, 65535, 1}, KittiFlowCase{-512.0f, 1, 0, 0, 1},
                      KittiFlowCase{512.0f, 1, 0, 0, 0} /* beyond 16 bits: unknown */,
                      KittiFlowCase{-600.0f, 1, 0, 0, 0}, KittiFlowCase{3.0f, 0, 0, 0, 0},
                      KittiFlowCase{std::numeric_limits<float>::quiet_NaN(), 1, 0, 0, 0}));

TEST(FloTest, DecodeReadsBackWhatEncodeWrote)
{
    const FlowField flow{2, 2, {1.5f, 7.0f, -300.25f, 0.0f}, {-0.25f, 8.0f, 2.0f, 0.0f}, {1, 0, 1, 1}};
    const FlowField back = DecodeFlo(EncodeFlo(flow), "f.flo");
    EXPECT_EQ(back.width, 2);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.valid, flow.valid);
    for (std::size_t i : {0u, 2u, 3u}) {
        EXPECT_EQ(back.u[i], flow.u[i]);
        EXPECT_EQ(back.v[i], flow.v[i]);
    }
}

TEST(FloTest, RefusesATruncatedFileNamingIt)
{
    std::vector<std::uint8_t> file = EncodeFlo(FlowField{2, 1, {1.0f, 2.0f}, {3.0f, 4.0f}, {1, 1}});
    file.pop_back();
    EXPECT_THROW(
        {
            try {
                DecodeFlo(file, "est/f.flo");
            } catch (const UserError& e) {
                EXPECT_STREQ(e.what(), "est/f.flo: not a .flo file: fewer values than width × height");
                throw;
            }
        },
        UserError);
}

TEST(KittiFlowTest, SamplesReadBackToTheSixtyFourth)
{
    const FlowField flow{3, 1, {-1.5f, 0.015625f, 511.0f}, {2.0f, -511.984375f, 4.0f}, {1, 1, 0}};
    const std::vector<std::uint16_t> samples = KittiFlowSamples(flow);
    const FlowField back = FlowFromKittiSamples(samples, 3, 1);
    EXPECT_EQ(back.valid, flow.valid);
    for (std::size_t i : {0u, 1u}) {
        EXPECT_EQ(back.u[i], flow.u[i]);
        EXPECT_EQ(back.v[i], flow.v[i]);
    }
}

} // namespace
} // namespace tavrik
