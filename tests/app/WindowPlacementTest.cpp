#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrik::gui {
namespace {

using Arrangement = WindowPlaces::Arrangement;

// Frames about the size of the control panel, the scene editor and the
// viewer at 512 × 384 with a title bar.
constexpr WindowSize panel{638, 571};
constexpr WindowSize editor{908, 976};
constexpr WindowSize viewer{528, 424};

struct Screen {
    ScreenRect area;
    Arrangement expected;
};

class Placement : public ::testing::TestWithParam<Screen> {};

bool Overlap(ScreenPoint a, WindowSize as, ScreenPoint b, WindowSize bs)
{
    return a.x < b.x + bs.width && b.x < a.x + as.width && a.y < b.y + bs.height && b.y < a.y + as.height;
}

bool Inside(const ScreenRect& area, ScreenPoint at, WindowSize size)
{
    return at.x >= area.x && at.y >= area.y && at.x + size.width <= area.x + area.width
           && at.y + size.height <= area.y + area.height;
}

TEST_P(Placement, SideBySideWhereTheScreenHoldsThemCentredOtherwise)
{
    const ScreenRect& area = GetParam().area;
    const WindowPlaces places = PlaceWindows(area, panel, editor, viewer);
    EXPECT_EQ(places.arrangement, GetParam().expected);
    if (places.arrangement == Arrangement::centred) {
        EXPECT_EQ(places.editor, (ScreenPoint{area.x + (area.width - editor.width) / 2,
                                              area.y + (area.height - editor.height) / 2}));
        return;
    }
    EXPECT_TRUE(Inside(area, places.panel, panel));
    EXPECT_TRUE(Inside(area, places.editor, editor));
    EXPECT_TRUE(Inside(area, places.viewer, viewer));
    EXPECT_FALSE(Overlap(places.panel, panel, places.editor, editor));
    EXPECT_FALSE(Overlap(places.panel, panel, places.viewer, viewer));
    EXPECT_FALSE(Overlap(places.editor, editor, places.viewer, viewer));
}

INSTANTIATE_TEST_SUITE_P(Screens, Placement,
                         ::testing::Values(Screen{{0, 0, 2560, 1400}, Arrangement::row},
                                           Screen{{2560, 30, 2560, 1410}, Arrangement::row},
                                           Screen{{0, 0, 1920, 1040}, Arrangement::columns},
                                           Screen{{0, 0, 1400, 1040}, Arrangement::centred},
                                           Screen{{0, 0, 1920, 900}, Arrangement::centred}),
                         [](const auto& info) {
                             const ScreenRect& a = info.param.area;
                             return "At" + std::to_string(a.x) + "_" + std::to_string(a.width) + "x"
                                    + std::to_string(a.height);
                         });

} // namespace
} // namespace tavrik::gui
