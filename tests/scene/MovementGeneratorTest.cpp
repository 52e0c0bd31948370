#include "scene/MovementGenerator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrik {
namespace {

using Lines = std::vector<std::string>;

std::string ZLine(const std::string& z)
{
    return "EGO; 0,000;0,000;" + z + ";0,000;0,000;0,000;";
}

TEST(MovementGenerator, ZWithReturnFramesGivesOutgoingAndReturningLines)
{
    MovementSettings settings;
    settings.z = true;
    Lines expected;
    for (const char* v : {"0,250", "0,500", "0,750", "1,000", "1,250", "1,500", "1,750", "2,000", "2,250", "2,500"}) {
        expected.push_back(ZLine(v));
        expected.push_back(ZLine(std::string("-") + v));
    }
    EXPECT_EQ(GenerateEgoLines(settings, ','), expected);
}

TEST(MovementGenerator, WithoutReturnFramesTheValueGrowsByStepEveryLine)
{
    MovementSettings settings;
    settings.z = true;
    settings.returnFrame = false;
    const Lines lines = GenerateEgoLines(settings, '.');
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "EGO; 0.000;0.000;0.250;0.000;0.000;0.000;");
    EXPECT_EQ(lines[1], "EGO; 0.000;0.000;0.500;0.000;0.000;0.000;");
    EXPECT_EQ(lines[19], "EGO; 0.000;0.000;5.000;0.000;0.000;0.000;");
}

TEST(MovementGenerator, EveryTickedComponentGetsTheSameValue)
{
    MovementSettings settings;
    settings.x = true;
    settings.a = true;
    settings.frames = 2;
    EXPECT_EQ(GenerateEgoLines(settings, ','),
              (Lines{"EGO; 0,250;0,000;0,000;0,250;0,000;0,000;", "EGO; -0,250;0,000;0,000;-0,250;0,000;0,000;"}));
    settings = {};
    settings.y = settings.b = settings.g = true;
    settings.frames = 1;
    EXPECT_EQ(GenerateEgoLines(settings, ','), Lines{"EGO; 0,000;0,250;0,000;0,000;0,250;0,250;"});
}

TEST(MovementGenerator, NothingTickedGivesZeroLinesAndNoFramesGivesNone)
{
    MovementSettings settings;
    settings.frames = 3;
    EXPECT_EQ(GenerateEgoLines(settings, ','), Lines(3, "EGO; 0,000;0,000;0,000;0,000;0,000;0,000;"));
    settings.z = true;
    settings.frames = 0;
    EXPECT_EQ(GenerateEgoLines(settings, ','), Lines{});
}

TEST(MovementGenerator, AnOddCountEndsWithAnOutgoingFrame)
{
    MovementSettings settings;
    settings.z = true;
    settings.frames = 3;
    settings.start = 1;
    settings.step = 2;
    EXPECT_EQ(GenerateEgoLines(settings, ','), (Lines{ZLine("1,000"), ZLine("-1,000"), ZLine("3,000")}));
}

TEST(MovementGenerator, ValuesUseTheFixedPointText)
{
    MovementSettings settings;
    settings.z = true;
    settings.returnFrame = false;
    settings.start = 10;
    settings.frames = 2;
    // 10.25 keeps three significant digits.
    EXPECT_EQ(GenerateEgoLines(settings, ',')[1], ZLine("10,300"));
    settings.start = 999.5;
    settings.step = 500;
    EXPECT_EQ(GenerateEgoLines(settings, ','), (Lines{ZLine("1E3"), ZLine("1,5E3")}));
}

} // namespace
} // namespace tavrik
