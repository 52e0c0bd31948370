#include "batch/Plan.h"

#include "base/UserError.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(Plan, SequenceSettingsChangeThePlanSettingsTheyName)
{
    const Plan plan = ParsePlan(R"({
  "settings": {"size": "320x240", "camera": "both", "formats": ["pfm", "depth"], "seed": 9},
  "sequences": [
    {"scene": "rooms/a.scene"},
    {"text": "EGO; 0; 0; 0.1; 0; 0; 0", "settings": {"camera": "right", "baseline": 0.3, "background": [1, 2, 3]}},
    {"random": {"count": 5, "seed": 70, "objects": 12, "frames": 4, "motion": "large", "floor": true}}
  ]
})",
                                "plans/p.json");
    ASSERT_EQ(plan.entries.size(), 3u);
    const PlanEntry& file = plan.entries[0];
    EXPECT_EQ(file.source.kind, SceneSource::Kind::file);
    EXPECT_EQ(file.source.path, "plans/rooms/a.scene");
    EXPECT_EQ(file.settings.size, (ViewSize{320, 240}));
    EXPECT_TRUE(file.settings.leftCamera && file.settings.rightCamera);
    EXPECT_EQ(file.settings.formats.names(), (std::vector<std::string>{"pfm", "depth"}));
    EXPECT_EQ(file.settings.seed, 9u);

    const SequenceSettings& text = plan.entries[1].settings;
    EXPECT_FALSE(text.leftCamera);
    EXPECT_TRUE(text.rightCamera);
    EXPECT_EQ(text.baseline, 0.3);
    EXPECT_EQ(text.background, (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(text.size, (ViewSize{320, 240}));

    const PlanEntry& random = plan.entries[2];
    EXPECT_EQ(random.count, 5);
    EXPECT_EQ(random.source.random.seed, 70u);
    EXPECT_EQ(random.source.random.objects, 12);
    EXPECT_EQ(random.source.random.frames, 4);
    EXPECT_EQ(random.source.random.motion, MotionPreset::large);
    EXPECT_TRUE(random.source.random.floorPlane);

    // The layout of the text is no part of the plan.
    EXPECT_EQ(ParsePlan(R"({"sequences":[{"text":"x"}]})", "a").canonical,
              ParsePlan("{ \"sequences\" : [\n { \"text\" : \"x\" } ] }", "b").canonical);
}

struct BadPlan {
    const char* text;
    const char* message;
};

class PlanErrorTest : public ::testing::TestWithParam<BadPlan> {};

TEST_P(PlanErrorTest, NamesTheFileLineAndColumn)
{
    try {
        ParsePlan(GetParam().text, "p.json");
        FAIL() << "accepted";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlanErrorTest,
    ::testing::Values(
        BadPlan{"{\"sequences\": [\n  {\"text\": \"x\",}\n]}",
                "p.json 2:17: syntax error while parsing object key - unexpected '}'; expected string literal"},
        BadPlan{"{\"sequences\": [{\"random\": {\"count\": 2,\n \"sed\": 3}}]}",
                "p.json 2:2: unknown key 'sed' (expected count, seed, objects, frames, motion, floor)"},
        BadPlan{"{\"settings\": {\"size\": \"10x10\"}, \"sequences\": [{\"text\": \"x\"}]}",
                "p.json 1:15: size '10x10' is not one of 320x240, 512x384, 800x600, 1024x768"},
        BadPlan{"{\"sequences\": [{\"text\": \"x\", \"settings\": {\"background\": [0, 256, 0]}}]}",
                "p.json 1:61: expected a whole number from 0 to 255"},
        BadPlan{"{\"sequences\": [{\"text\": \"x\", \"scene\": \"y\"}]}",
                "p.json 1:16: a sequence needs exactly one of \"scene\", \"text\" and \"random\""},
        BadPlan{"{\"sequences\": [\n {\"random\": {\"count\": 0}}]}",
                "p.json 2:14: expected a whole number from 1 to 1000000"},
        BadPlan{"{\"settings\": {\"focal\": 0.5}, \"sequences\": [{\"text\": \"x\"}]}",
                "p.json 1:15: Focal length 0.5 is outside 1 to 100000 pixels"},
        BadPlan{"{\"settings\": {\"formats\": \"pfm,tiff\"}, \"sequences\": [{\"text\": \"x\"}]}",
                "p.json 1:15: unknown format 'tiff'; choose from spec, pfm, kitti, depth, occlusion, flow, "
                "poses, dispchange, all"},
        BadPlan{"{\"sequences\": []}", "p.json 1:2: a plan needs a non-empty array \"sequences\""}));

} // namespace
} // namespace tavrik
