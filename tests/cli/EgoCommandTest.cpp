#include "tests/cli/CliRunner.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tavrik {
namespace {

std::string ZLine(const std::string& z)
{
    return "EGO; 0,000;0,000;" + z + ";0,000;0,000;0,000;\n";
}

TEST(EgoCommand, PrintsTheTwentyLinesOfZWithReturnFrames)
{
    std::string expected;
    for (const char* v : {"0,250", "0,500", "0,750", "1,000", "1,250", "1,500", "1,750", "2,000", "2,250", "2,500"})
        expected += ZLine(v) + ZLine(std::string("-") + v);
    const auto result = test::RunCli("ego -z --decimal-separator ,");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
}

TEST(EgoCommand, ReadsPointOrCommaValuesAndHonoursTheOptions)
{
    const auto result =
        test::RunCli("ego -x -g --start=-1,5 --step 0.5 --frames 3 --no-return --decimal-separator .");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "EGO; -1.500;0.000;0.000;0.000;0.000;-1.500;\n"
                          "EGO; -1.000;0.000;0.000;0.000;0.000;-1.000;\n"
                          "EGO; -0.500;0.000;0.000;0.000;0.000;-0.500;\n");
}

TEST(EgoCommand, ABadNumberIsAUsageErrorAndTheStepIsReportedFirst)
{
    const auto folder = test::ScratchFolder();
    const auto both = test::RunCli("ego --start 0.2x --step 1e", folder);
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_EQ(both.err, "tavrik-cli: '1e' is not a valid floating point value\n");
    EXPECT_EQ(both.out, "");
    const auto start = test::RunCli("ego --start 1,2,3", folder);
    EXPECT_EQ(start.exitCode, 2);
    EXPECT_EQ(start.err, "tavrik-cli: '1,2,3' is not a valid floating point value\n");
}

TEST(EgoCommand, FrameCountAndSeparatorOutsideTheirRangesAreUsageErrors)
{
    const auto folder = test::ScratchFolder();
    EXPECT_EQ(test::RunCli("ego --frames 101", folder).exitCode, 2);
    EXPECT_EQ(test::RunCli("ego --frames -1", folder).exitCode, 2);
    EXPECT_EQ(test::RunCli("ego --decimal-separator ';'", folder).exitCode, 2);
    const auto none = test::RunCli("ego --frames 0", folder);
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
}

struct ReadBackCase {
    const char* arguments;
    int exitCode;
};

class EgoReadBackTest : public ::testing::TestWithParam<ReadBackCase> {};

// Every printed line must read back in a scene: values from 1000 on would be
// written as "1E3", which the scene parser refuses.
TEST_P(EgoReadBackTest, LinesTheSceneParserCannotReadAreRefused)
{
    const auto result = test::RunCli(std::string("ego -z --decimal-separator . ") + GetParam().arguments);
    EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.err;
    if (GetParam().exitCode == 0)
        return;
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(result.err.starts_with("tavrik-cli: --start and --step give the line \"EGO; 0.000;0.000;"))
        << result.err;
}

INSTANTIATE_TEST_SUITE_P(Values, EgoReadBackTest,
                         ::testing::Values(ReadBackCase{"--start 999.4 --frames 1", 0},
                                           ReadBackCase{"--start 999.5 --frames 1", 2},
                                           ReadBackCase{"--start 0 --step 500 --frames 3 --no-return", 2},
                                           ReadBackCase{"--start=-999.5 --frames 1", 2}));

TEST(EgoCommand, OutputThatCannotBeWrittenFails)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const auto result = test::RunCli("ego -z", test::ScratchFolder(), {}, "/dev/full");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tavrik-cli: cannot write to standard output: No space left on device\n");
}

} // namespace
} // namespace tavrik
