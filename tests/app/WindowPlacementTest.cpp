#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tavrik::gui {
namespace {

using Arrangement = WindowPlaces::Arrangement;

class Placement : public ::testing::TestWithParam<std::pair<ScreenRect, Arrangement>> {};

TEST_P(Placement, SideBySideWhereTheScreenHoldsThemCentredOtherwise)
{
    // Frames about the size of the control panel, the scene editor and the
    // viewer at 512 × 384, each with a title bar.
    const WindowSize sizes[3] = {{638, 571}, {908, 976}, {528, 424}};
    const ScreenRect& area = GetParam().first;
    const WindowPlaces places = PlaceWindows(area, sizes[0], sizes[1], sizes[2]);
    ASSERT_EQ(places.arrangement, GetParam().second);
    const ScreenPoint at[3] = {places.panel, places.editor, places.viewer};
    for (int i = 0; i < 3; ++i) {
        if (places.arrangement == Arrangement::centred) {
            EXPECT_EQ(2 * (at[i].x - area.x) + sizes[i].width, area.width);
            continue;
        }
        EXPECT_TRUE(at[i].x >= area.x && at[i].y >= area.y && at[i].x + sizes[i].width <= area.x + area.width
                    && at[i].y + sizes[i].height <= area.y + area.height);
        const int j = (i + 1) % 3;
        EXPECT_FALSE(at[i].x < at[j].x + sizes[j].width && at[j].x < at[i].x + sizes[i].width
                     && at[i].y < at[j].y + sizes[j].height && at[j].y < at[i].y + sizes[i].height);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, Placement,
                         ::testing::Values(std::pair{ScreenRect{0, 0, 2560, 1400}, Arrangement::row},
                                           std::pair{ScreenRect{2560, 30, 2560, 1410}, Arrangement::row},
                                           std::pair{ScreenRect{0, 0, 1920, 1040}, Arrangement::columns},
                                           std::pair{ScreenRect{0, 0, 1400, 1040}, Arrangement::centred},
                                           std::pair{ScreenRect{0, 0, 1920, 900}, Arrangement::centred}),
                         [](const auto& info) {
                             const ScreenRect& a = info.param.first;
                             return "At" + std::to_string(a.x) + "_" + std::to_string(a.width) + "x"
                                    + std::to_string(a.height);
                         });

} // namespace
} // namespace tavrik::gui
