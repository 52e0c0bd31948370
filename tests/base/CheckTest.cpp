#include "base/Check.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrik {
namespace {

int checkLine = 0;

// The line number is taken on the line of the check itself.
void RequireEven(int n)
{
    checkLine = __LINE__; TAVRIK_CHECK(n % 2 == 0);
}

TEST(CheckDeathTest, AFailedCheckNamesTheExpressionTheSourceFileAndTheLine)
{
    RequireEven(4); // passes, and records the line
    EXPECT_DEATH(RequireEven(3), "^Assertion failed: n % 2 == 0, file CheckTest\\.cpp, line " +
                                     std::to_string(checkLine) + "\n");
}

TEST(CheckDeathTest, AFailedComparisonAlsoShowsBothValues)
{
    const std::size_t size = 3;
    TAVRIK_CHECK_LT(size, 4u);
    EXPECT_DEATH(TAVRIK_CHECK_EQ(size, 4u), "^Assertion failed: size == 4u \\(3 vs 4\\), file CheckTest\\.cpp");
    EXPECT_DEATH(TAVRIK_CHECK_GE(-0.5, 0.25), "\\(-0\\.5 vs 0\\.25\\)");
}

} // namespace
} // namespace tavrik
