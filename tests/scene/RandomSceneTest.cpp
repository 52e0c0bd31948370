#include "scene/RandomScene.h"

#include "base/NumberText.h"
#include "base/UserError.h"
#include "scene/SceneWarnings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>

namespace tavrik {
namespace {

struct RandomCase {
    std::uint64_t seed;
    int objects;
    int frames;
    MotionPreset motion;
    bool floor;
};

class RandomSceneTest : public ::testing::TestWithParam<RandomCase> {};

// The numbers of an EGO line: "EGO; tx; ty; tz; a; b; g".
std::vector<double> EgoNumbers(const std::string& line)
{
    std::vector<double> numbers;
    std::istringstream fields(line.substr(4));
    std::string field;
    while (std::getline(fields, field, ';'))
        numbers.push_back(ParseDecimal(field, '.'));
    return numbers;
}

TEST_P(RandomSceneTest, IsAWarningFreeSceneOfDistinctIdsAndABoundedSmoothPath)
{
    const RandomCase c = GetParam();
    const RandomSceneOptions options{c.seed, c.objects, c.frames, c.motion, c.floor};
    const std::vector<std::string> lines = RandomSceneLines(options);
    EXPECT_EQ(RandomSceneLines(options), lines);

    const SceneCheck check = CheckSceneText(lines, 11);
    for (const SceneLineMessage& m : check.messages)
        ADD_FAILURE() << "line " << m.lineNumber << ": " << m.message.text;
    EXPECT_EQ(check.frames, static_cast<std::size_t>(c.frames));
    const std::size_t drawn = c.objects > 0 ? static_cast<std::size_t>(c.objects) : check.objects - 1 - c.floor;
    EXPECT_GE(drawn, 1u);
    EXPECT_EQ(check.objects, drawn + 1 + c.floor); // the background, and the floor when asked for
    if (c.objects == 0) {
        EXPECT_GE(drawn, 20u);
        EXPECT_LE(drawn, 40u);
    }

    std::set<int> ids;
    double path = 0.0;
    const MotionRange& range = motionRanges[static_cast<int>(c.motion)];
    for (const std::string& line : lines) {
        if (line.rfind("EGO;", 0) == 0) {
            const std::vector<double> m = EgoNumbers(line);
            ASSERT_EQ(m.size(), 6u) << line;
            for (int k = 0; k < 6; ++k)
                EXPECT_LE(std::abs(m[k]), (k < 3 ? range.translation : range.rotation) + 0.0005) << line;
            path += std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
        } else if (const std::size_t at = line.find("; id "); at != std::string::npos) {
            EXPECT_TRUE(ids.insert(std::stoi(line.substr(at + 5))).second) << line;
        }
    }
    EXPECT_EQ(ids.size(), check.objects);
    EXPECT_EQ(*ids.begin(), 0);
    EXPECT_EQ(*ids.rbegin(), static_cast<int>(check.objects) - 1);
    // Each of the three components may round up by half a unit of its last digit.
    EXPECT_LE(path, maxPathLength + c.frames * std::sqrt(3.0) * 0.0005);
}

INSTANTIATE_TEST_SUITE_P(Options, RandomSceneTest,
                         ::testing::Values(RandomCase{1, 0, 10, MotionPreset::medium, false},
                                           RandomCase{2, 255, 3, MotionPreset::small, false},
                                           RandomCase{3, 1, 400, MotionPreset::large, true},
                                           RandomCase{0xFFFFFFFFFFFFull, 40, 20, MotionPreset::large, true}));

// The same bytes on every machine: the generator uses neither the standard
// library's distributions nor any function whose last bit may differ.
TEST(RandomScene, TextOfOneSeedIsTheSameEverywhere)
{
    const std::vector<std::string> lines = RandomSceneLines({42, 2, 2, MotionPreset::small, false});
    const std::vector<std::string> expected{
        "// Random scene, seed 42",
        "SPHERE; id 0; texture: 8; colour: 1.000; 1.000; 1.000; position: 0.000; -3.000; 0.000; 0.000; 0.000; "
        "0.000; dim: 30.000",
        "SPHERE; id 1; texture: 7; colour: 0.647; 0.365; 0.782; position: -1.760; 4.810; -1.730; 26.300; 216.000; "
        "223.000; dim: 0.425",
        "CUBOID; id 2; texture: 4; colour: 0.853; 0.888; 0.753; position: 4.970; 11.800; 1.610; 230.000; 137.000; "
        "22.700; dim: 0.885; 0.415; 0.723",
        "EGO; 0.004; -0.005; -0.004; -0.037; -0.111; 0.088",
        "EGO; -0.002; 0.002; -0.005; 0.008; -0.132; 0.047",
    };
    EXPECT_EQ(lines, expected);
}

TEST(RandomScene, RefusesCountsOutsideTheirRanges)
{
    EXPECT_THROW(RandomSceneLines({1, 256, 10, MotionPreset::small, false}), UserError);
    EXPECT_THROW(RandomSceneLines({1, 10, 0, MotionPreset::small, false}), UserError);
    EXPECT_THROW(RandomSceneLines({1, 255, 10, MotionPreset::small, true}), UserError);
    EXPECT_THROW(MotionPresetNamed("huge"), UserError);
}

} // namespace
} // namespace tavrik
