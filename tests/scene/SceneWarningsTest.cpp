#include "scene/SceneWarnings.h"

#include "scene/DefaultScene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrik {
namespace {

using Warnings = std::vector<std::string>;

// The common numbers of an object line before its own: id 7, texture 0,
// colour 1 1 1, position 0 0 0, rotation 0 0 0.
const std::string head = "; 7; 0; 1;1;1; 0;0;0; 0;0;0";

TEST(SceneWarnings, TheDefaultSceneGivesNone)
{
    for (const std::string& line : DefaultSceneLines())
        EXPECT_EQ(LineWarnings(line), Warnings{}) << line;
}

struct WarnCase {
    const char* name;
    std::string line;
    Warnings expected;
};

class LineWarningTest : public ::testing::TestWithParam<WarnCase> {};

TEST_P(LineWarningTest, WarnsForWhatLooksMeantButIsNotRead)
{
    EXPECT_EQ(LineWarnings(GetParam().line), GetParam().expected);
}

const std::string ignored = " (keywords are exact capitals without a blank or tab before them): the line is ignored";

INSTANTIATE_TEST_SUITE_P(
    Lines, LineWarningTest,
    ::testing::Values(
        WarnCase{"BlankBeforeKeyword", " SPHERE" + head + "; 1", {"keyword \" SPHERE\" is not \"SPHERE\"" + ignored}},
        WarnCase{"LowerCase", "sphere" + head + "; 1", {"keyword \"sphere\" is not \"SPHERE\"" + ignored}},
        WarnCase{"TabAfterKeyword", "QUAD\t;1", {"keyword \"QUAD\t\" is not \"QUAD\"" + ignored}},
        WarnCase{"TrailingBlanksAreRead", "SPHERE  " + head + "; 1", {}},
        WarnCase{"CommentNeverWarns", "//sphere; 1", {}},
        WarnCase{"EmptyLine", "", {}},
        WarnCase{"UnknownWord", "BOX; 1", {}},
        WarnCase{"EgoShortForm", "EGO; 0;0;0.1; 0;0;0", {}},
        WarnCase{"EgoLongForm", "EGO" + head, {}},
        WarnCase{"EgoSevenNumbers", "EGO; 0;0;0.1; 0;0;0; 0",
                 {"an EGO line with 7 numbers is neither the short form (6) nor the long form (11 or more): T and "
                  "W are read from numbers 6 to 11, the missing ones 0"}},
        WarnCase{"SphereWithoutRadius", "SPHERE" + head, {"SPHERE takes 12 numbers, the line has 11: the missing ones are 0"}},
        WarnCase{"SphereRadiusZero", "SPHERE" + head + "; 0", {"sphere radius 0 is not above 0"}},
        WarnCase{"Cone", "CYLINDER" + head + "; 0.5; 0; 2", {}},
        WarnCase{"FlatCylinder", "WALEC" + head + "; 0.5; 0.5; 0", {"cylinder height 0 is not above 0"}},
        WarnCase{"CylinderWithoutRadii", "CYLINDER" + head + "; 0; 0; 1",
                 {"cylinder radii 0 and 0: a radius is below 0 or both are 0"}},
        WarnCase{"QuadOnALine", "QUAD; 7; 0; 1;1;1; 0;0;0; 1;1;1; 2;2;2; 3;3;3", {"the quad's corners enclose no area"}},
        WarnCase{"Quad", "QUAD; 7; 0; 1;1;1; 0;0;0; 1;0;0; 1;1;0; 0;1;0", {}},
        WarnCase{"PlaneWithZeroNormal", "PLANE" + head, {"the plane's normal is zero: it is not drawn"}},
        WarnCase{"IdBeyond255", "SPHERE; 256; 0; 1;1;1; 0;0;0; 0;0;0; 1",
                 {"id 256 is outside 0 to 255: its pixels are \"nothing\" in the segmentation maps"}},
        WarnCase{"IdMinusOne", "SPHERE; -1; 0; 1;1;1; 0;0;0; 0;0;0; 1", {}},
        WarnCase{"IdMinusTwo", "SPHERE; -2; 0; 1;1;1; 0;0;0; 0;0;0; 1",
                 {"id -2 is outside 0 to 255: its pixels are \"nothing\" in the segmentation maps"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavrik
