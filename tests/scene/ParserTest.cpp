#include "scene/Parser.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {
namespace {

// Texture numbers 0 to 10 name the GL textures 100 to 110.
const std::vector<std::uint32_t> textures{100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110};

struct Parsed {
    std::unique_ptr<Obiekt> object;
    std::vector<ParseMessage> messages;

    std::vector<std::string> Texts(ParseMessage::Kind kind) const
    {
        std::vector<std::string> texts;
        for (const ParseMessage& m : messages)
            if (m.kind == kind)
                texts.push_back(m.text);
        return texts;
    }
    std::vector<std::string> ConvertErrors() const { return Texts(ParseMessage::Kind::ConvertError); }
    std::vector<std::string> Warnings() const { return Texts(ParseMessage::Kind::Warning); }
};

Parsed Parse(const std::string& line)
{
    Parsed result;
    result.object = Analiza().ParseLine(line, textures, [&](const ParseMessage& m) { result.messages.push_back(m); });
    return result;
}

// The message of numeric field `number`, typed as `typed`, that filters to `filtered`.
std::string ConvertError(const std::string& filtered, int number, const std::string& typed)
{
    return "Convert error: '" + filtered + "' is not a valid floating point value (field " + std::to_string(number)
        + ": \"" + typed + "\")";
}

struct KeywordCase {
    const char* line;
    std::optional<std::int32_t> kind; // nothing: the line yields no object
};

class Keyword : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(Keyword, DecidesTheObjectClass)
{
    const Parsed p = Parse(GetParam().line);
    if (GetParam().kind) {
        ASSERT_NE(p.object, nullptr);
        EXPECT_EQ(p.object->kind, *GetParam().kind);
    } else {
        EXPECT_EQ(p.object, nullptr);
    }
    EXPECT_EQ(p.ConvertErrors(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Parser, Keyword,
    ::testing::Values(KeywordCase{"KULA; 1", kindSphere}, KeywordCase{"SPHERE; 1", kindSphere},
                      KeywordCase{"PROST; 1", kindCuboid}, KeywordCase{"CUBOID; 1", kindCuboid},
                      KeywordCase{"WALEC; 1", kindCylinder}, KeywordCase{"CYLINDER; 1", kindCylinder},
                      KeywordCase{"CZWOR; 1", kindQuad}, KeywordCase{"QUADRILATERAL; 1", kindQuad},
                      KeywordCase{"QUAD; 1", kindQuad}, KeywordCase{"PLANE; 1", kindPlane}, KeywordCase{"EGO; 1", kindEgo},
                      // Trailing blanks go, and so do empty fields before the keyword.
                      KeywordCase{"SPHERE   ; 1", kindSphere}, KeywordCase{";;SPHERE; 1", kindSphere},
                      KeywordCase{"SPHERE", kindSphere}, KeywordCase{"EGO;", kindEgo},
                      // Case, leading blanks and tabs are kept and then match nothing.
                      KeywordCase{"sphere; 1", std::nullopt}, KeywordCase{" SPHERE; 1", std::nullopt},
                      KeywordCase{"SPHERE\t; 1", std::nullopt}, KeywordCase{"SPHERE\r", std::nullopt},
                      KeywordCase{"", std::nullopt}, KeywordCase{";;;", std::nullopt},
                      KeywordCase{"//Background", std::nullopt}, KeywordCase{"// note; 2 cases", std::nullopt}));

TEST(Parser, FieldsOfAnUnknownKeywordAreStillConverted)
{
    const Parsed comment = Parse("// note; see below");
    EXPECT_EQ(comment.object, nullptr);
    EXPECT_EQ(comment.ConvertErrors(), std::vector<std::string>{ConvertError("          ", 1, " see below")});

    // A blank before the ";" leaves an empty keyword; "SPHERE" is then a number.
    const Parsed blankKeyword = Parse(" ;SPHERE");
    EXPECT_EQ(blankKeyword.object, nullptr);
    EXPECT_EQ(blankKeyword.ConvertErrors(), std::vector<std::string>{ConvertError("      ", 1, "SPHERE")});
}

struct FieldCase {
    const char* field;
    double value;
    const char* filteredOnError; // nullptr when the field converts
};

class NumericField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(NumericField, ConvertsOrReportsTheFilteredText)
{
    const FieldCase& c = GetParam();
    // The field is number 3 (red); number 4 (green) must keep its place.
    const Parsed p = Parse(std::string("SPHERE; 1; 0;") + c.field + "; 0.5");
    ASSERT_NE(p.object, nullptr);
    EXPECT_EQ(p.object->colour[0], c.value);
    EXPECT_EQ(p.object->colour[1], 0.5);
    if (c.filteredOnError != nullptr)
        EXPECT_EQ(p.ConvertErrors(), std::vector<std::string>{ConvertError(c.filteredOnError, 3, c.field)});
    else
        EXPECT_EQ(p.ConvertErrors(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Parser, NumericField,
    ::testing::Values(FieldCase{"1,5", 1.5, nullptr}, FieldCase{"1.5", 1.5, nullptr},
                      FieldCase{"colour: 0.75", 0.75, nullptr}, FieldCase{"-.5", -0.5, nullptr},
                      FieldCase{".", 0, nullptr}, FieldCase{"+5", 5, nullptr}, FieldCase{"  -12  ", -12, nullptr},
                      FieldCase{"r=2\xC3\xA9", 2, nullptr}, FieldCase{"1.2.3", 0, "1.2.3"},
                      FieldCase{"1,2,3", 0, "1.2.3"}, FieldCase{"1 2", 0, "1 2"}, FieldCase{"5-", 0, "5-"},
                      FieldCase{"- 5", 0, "- 5"}, FieldCase{"--5", 0, "--5"}, FieldCase{"1E3", 0, "1 3"},
                      FieldCase{"vertex1: 1.6", 0, "      1  1.6"}, FieldCase{"pos.x: 1", 0, "   .   1"},
                      FieldCase{" ", 0, " "}, FieldCase{"-", 0, "-"}));

TEST(Parser, IdAndTextureNumberAreTruncatedTowardZero)
{
    const Parsed p = Parse("SPHERE; id 25.9; texture: 2.7");
    EXPECT_EQ(p.object->id, 25);
    EXPECT_EQ(p.object->texture, 102u);
    EXPECT_EQ(Parse("SPHERE; id -25.9; texture: 10.99").object->id, -25);
    EXPECT_EQ(Parse("SPHERE; id -25.9; texture: 10.99").object->texture, 110u);
    for (const char* noTexture : {"SPHERE; 1; texture: -0.5", "SPHERE; 1; texture: -1"}) {
        const Parsed untextured = Parse(noTexture);
        EXPECT_EQ(untextured.object->texture, 0u) << noTexture;
        EXPECT_TRUE(untextured.messages.empty());
    }
    // A missing texture number is 0, the first texture.
    EXPECT_EQ(Parse("SPHERE; 1").object->texture, 100u);
}

TEST(Parser, OutOfRangeIdAndTextureNumberAreWarnedAbout)
{
    const Parsed beyondList = Parse("CUBOID; 7; texture: 11");
    EXPECT_EQ(beyondList.object->texture, 0u);
    EXPECT_EQ(beyondList.Warnings(), std::vector<std::string>{
                                         "texture number 11 is beyond the texture list (11 textures); the object is "
                                         "untextured"});

    const Parsed huge = Parse("CUBOID; 3000000000; 100000000000000000000000");
    EXPECT_EQ(huge.object->id, 2147483647);
    EXPECT_EQ(huge.object->texture, 0u);
    EXPECT_EQ(huge.Warnings(),
              (std::vector<std::string>{"id 3000000000 is beyond the 32-bit range; using 2147483647",
                                        "texture number 1e+23 is beyond the texture list (11 textures); the object "
                                        "is untextured"}));
    EXPECT_EQ(Parse("CUBOID; -3000000000.5").object->id, -2147483647 - 1);
}

TEST(Parser, CommonNumbersLandInIdTextureColourPositionAndRotation)
{
    const Parsed p = Parse("CUBOID ; id 40; texture: 5; colour: 0.1; 0.2; 0.3; position: -1.5; 0.5; -0.5; "
                           "10;20;30; dim: 0.2; 0.4;2");
    const auto& box = dynamic_cast<const Prostopadloscian&>(*p.object);
    EXPECT_EQ(box.id, 40);
    EXPECT_EQ(box.texture, 105u);
    EXPECT_EQ(box.colour, (Vec3{0.1, 0.2, 0.3}));
    EXPECT_EQ(box.position, (Vec3{-1.5, 0.5, -0.5}));
    EXPECT_EQ(box.rotation, (Vec3{10, 20, 30}));
    EXPECT_EQ(box.halfSize, (Vec3{0.2, 0.4, 2}));
}

TEST(Parser, ShapeNumbersFollowTheCommonOnes)
{
    const auto sphere = Parse("SPHERE; 1; -1; 1;1;1; 0;1;-0.2; 1;0;0; dim: 0.65");
    EXPECT_EQ(dynamic_cast<const Kula&>(*sphere.object).radius, 0.65);
    // Without its twelfth number a sphere has radius 0.
    EXPECT_EQ(dynamic_cast<const Kula&>(*Parse("SPHERE; 1; -1; 1;1;1; 0;1;-0.2; 1;0;0").object).radius, 0);

    const auto cylinder = Parse("CYLINDER ; 50; 1; 1;1;1; -0.0; 0.3; -1.4; 0;0;0; dim: 0.45; 0.1;2");
    const auto& c = dynamic_cast<const Cylinder&>(*cylinder.object);
    EXPECT_EQ(c.baseRadius, 0.45);
    EXPECT_EQ(c.topRadius, 0.1);
    EXPECT_EQ(c.height, 2);
    EXPECT_EQ(c.position, (Vec3{0, 0.3, -1.4}));

    const auto plane = Parse("PLANE; 3; -1; 1;1;1; normal: 1; 2; 3; point: 4; 5; 6");
    const auto& pl = dynamic_cast<const Plane&>(*plane.object);
    EXPECT_EQ(pl.normal, (Vec3{1, 2, 3}));
    EXPECT_EQ(pl.point, (Vec3{4, 5, 6}));
    EXPECT_EQ(pl.offset, -32);
    EXPECT_EQ(pl.position, (Vec3{1, 2, 3}));
    EXPECT_EQ(pl.rotation, (Vec3{4, 5, 6}));
}

TEST(Parser, QuadTakesFourVerticesAndCopiesTheFirstTwoIntoPositionAndRotation)
{
    const auto quad = Parse("QUAD; id 100; texture: 10; colour: 1.0; 1.0; 1.0; vertices:  1.6; -2.0; -1.4;    1.6;  "
                            "6.0; -1.4;   1.6; 6.0;  2.4;  1.6; -2.0;  2.4;");
    const auto& q = dynamic_cast<const Czworobok&>(*quad.object);
    EXPECT_EQ(q.vertices, (Quad{{{1.6, -2, -1.4}, {1.6, 6, -1.4}, {1.6, 6, 2.4}, {1.6, -2, 2.4}}}));
    EXPECT_EQ(q.position, (Vec3{1.6, -2, -1.4}));
    EXPECT_EQ(q.rotation, (Vec3{1.6, 6, -1.4}));
    EXPECT_TRUE(quad.messages.empty());

    const auto threeVertices = Parse("QUAD; 1; 0; 1;1;1; 1;2;3; 4;5;6; 7;8;9");
    EXPECT_EQ(dynamic_cast<const Czworobok&>(*threeVertices.object).vertices[3], (Vec3{0, 0, 0}));
}

TEST(Parser, EgoWithSixNumbersIsTheShortForm)
{
    const auto shortForm = Parse("EGO;  0.0; 0.0; 0.1; 0.1;0.0;0.0");
    EXPECT_EQ(shortForm.object->position, (Vec3{0, 0, 0.1}));
    EXPECT_EQ(shortForm.object->rotation, (Vec3{0.1, 0, 0}));
    EXPECT_EQ(shortForm.object->id, 0);
    EXPECT_EQ(shortForm.object->texture, 0u);

    // A failed number still counts: six fields keep the short form.
    const auto withError = Parse("EGO; 1; 2; x; 4; 5; 6");
    EXPECT_EQ(withError.object->position, (Vec3{1, 2, 0}));
    EXPECT_EQ(withError.object->rotation, (Vec3{4, 5, 6}));
    EXPECT_EQ(withError.ConvertErrors(), std::vector<std::string>{ConvertError("  ", 3, " x")});

    // Seven numbers: the common layout, T from 6 to 8 and W from 9 to 11.
    const auto seven = Parse("EGO; 0; 0; 0.1; 0.1; 0; 0; 0");
    EXPECT_EQ(seven.object->position, (Vec3{0, 0, 0}));
    EXPECT_EQ(seven.object->rotation, (Vec3{0, 0, 0}));
    const auto longForm = Parse("EGO; 9; 1; 0.5; 0.5; 0.5; 1; 2; 3; 4; 5; 6");
    EXPECT_EQ(longForm.object->position, (Vec3{1, 2, 3}));
    EXPECT_EQ(longForm.object->rotation, (Vec3{4, 5, 6}));
    EXPECT_EQ(longForm.object->id, 9);
    EXPECT_EQ(longForm.object->texture, 101u);
}

TEST(Parser, NumbersBeyondNinetyNineAreDroppedButStillChecked)
{
    std::string line = "SPHERE";
    for (int k = 1; k <= 120; ++k)
        line += "; " + std::to_string(k == 105 ? -1 : k);
    line += "; 1 2"; // number 121 is malformed
    const Parsed p = Parse(line);
    ASSERT_NE(p.object, nullptr);
    EXPECT_EQ(dynamic_cast<const Kula&>(*p.object).radius, 12);
    EXPECT_EQ(p.ConvertErrors(), std::vector<std::string>{ConvertError(" 1 2", 121, " 1 2")});
}

TEST(Parser, AnEmptySinkDropsTheMessages)
{
    const auto object = Analiza().ParseLine("SPHERE; x; 99; 1", textures, {});
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->colour[0], 1);
}

TEST(Parser, NumbersDoNotDependOnTheProcessLocale)
{
    const std::string before = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no comma locale installed";
    const Parsed p = Parse("SPHERE; 1; 0; 1.5; 2,25");
    std::setlocale(LC_ALL, before.c_str());
    EXPECT_EQ(p.object->colour[0], 1.5);
    EXPECT_EQ(p.object->colour[1], 2.25);
}

} // namespace
} // namespace tavrik
