#include "output/OutputFormats.h"

#include "base/UserError.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

struct ListCase {
    const char* list;
    std::vector<std::string> names;
};

class OutputFormatsTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(OutputFormatsTest, ListGivesFormats)
{
    EXPECT_EQ(ParseOutputFormats(GetParam().list).names(), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OutputFormatsTest,
    ::testing::Values(ListCase{"spec", {"spec"}}, ListCase{"pfm", {"pfm"}}, ListCase{" flow , kitti", {"kitti", "flow"}},
                      ListCase{"poses,spec,poses", {"spec", "poses"}},
                      ListCase{"all", {"spec", "pfm", "kitti", "depth", "occlusion", "flow", "poses", "dispchange"}}));

TEST(OutputFormatsTest, OnlyFormatsBeyondSpecBringTheRunFiles)
{
    EXPECT_FALSE(OutputFormats().beyondClassic());
    EXPECT_TRUE(ParseOutputFormats("depth").beyondClassic());
}

TEST(OutputFormatsTest, UnknownOrEmptyNameIsAUserError)
{
    for (const char* list : {"", "pfm,", "PFM", "pfm;kitti"})
        EXPECT_THROW(ParseOutputFormats(list), UserError) << list;
}

} // namespace
} // namespace tavrik
