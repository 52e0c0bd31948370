#include "render/GenerationSettings.h"

#include "base/UserError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace tavrik {
namespace {

TEST(ViewSizes, ChoicesMapToTheirSizesAndAnyOtherIndexToTheSmallest)
{
    EXPECT_EQ(ViewSizeOfChoice(0), (ViewSize{320, 240}));
    EXPECT_EQ(ViewSizeOfChoice(1), (ViewSize{512, 384}));
    EXPECT_EQ(ViewSizeOfChoice(2), (ViewSize{800, 600}));
    EXPECT_EQ(ViewSizeOfChoice(3), (ViewSize{1024, 768}));
    EXPECT_EQ(ViewSizeOfChoice(-1), (ViewSize{320, 240}));
    EXPECT_EQ(ViewSizeOfChoice(4), (ViewSize{320, 240}));
}

struct SettingCase {
    const char* name;
    std::function<void(GenerationSettings&)> change;
    const char* message; // empty: the settings are usable
};

class Validation : public testing::TestWithParam<SettingCase> {};

TEST_P(Validation, RefusesWhatCannotGiveSaneOutputAndNamesIt)
{
    GenerationSettings settings;
    GetParam().change(settings);
    const std::string expected = GetParam().message;
    if (expected.empty()) {
        EXPECT_NO_THROW(Validate(settings));
        return;
    }
    try {
        Validate(settings);
        FAIL() << "accepted";
    } catch (const UserError& e) {
        EXPECT_EQ(e.what(), expected);
    }
}

constexpr double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Settings, Validation,
    testing::Values(
        SettingCase{"Defaults", [](GenerationSettings&) {}, ""},
        SettingCase{"Extremes", [](GenerationSettings& s) {
                        s.backgroundRed = 255, s.backgroundBlue = 0, s.sequenceNumber = 100;
                        s.focalLength = 1, s.baseline = -1000;
                    }, ""},
        SettingCase{"LargestFocalLength", [](GenerationSettings& s) { s.focalLength = 100000; }, ""},
        SettingCase{"Red", [](GenerationSettings& s) { s.backgroundRed = 256; },
                    "Background colour 256 is outside 0 to 255"},
        SettingCase{"Blue", [](GenerationSettings& s) { s.backgroundBlue = -1; },
                    "Background colour -1 is outside 0 to 255"},
        SettingCase{"Sequence", [](GenerationSettings& s) { s.sequenceNumber = 101; },
                    "Sequence number 101 is outside 0 to 100"},
        SettingCase{"FocalZero", [](GenerationSettings& s) { s.focalLength = 0; },
                    "Focal length 0 is outside 1 to 100000 pixels"},
        SettingCase{"FocalHuge", [](GenerationSettings& s) { s.focalLength = 1e30; },
                    "Focal length 1e+30 is outside 1 to 100000 pixels"},
        SettingCase{"FocalNan", [](GenerationSettings& s) { s.focalLength = std::nan(""); },
                    "Focal length nan is outside 1 to 100000 pixels"},
        SettingCase{"BaselineHuge", [](GenerationSettings& s) { s.baseline = 1e308; },
                    "Baseline 1e+308 is outside -1000 to 1000 scene units"},
        SettingCase{"BaselineInfinite", [](GenerationSettings& s) { s.baseline = -inf; },
                    "Baseline -inf is outside -1000 to 1000 scene units"}),
    [](const testing::TestParamInfo<SettingCase>& info) { return info.param.name; });

} // namespace
} // namespace tavrik
