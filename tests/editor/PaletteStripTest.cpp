#include "editor/PaletteStrip.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

namespace tavrik {
namespace {

constexpr int W = 833;
constexpr int H = 41;

class StripPick : public ::testing::TestWithParam<std::tuple<int, int, std::optional<int>>> {};

TEST_P(StripPick, IdOfThePressedCell)
{
    const auto [x, y, id] = GetParam();
    EXPECT_EQ(PaletteStripGrid::ForSize(W, H).IdAt(x, y), id) << x << "," << y;
}

// Cells are 13 × 10; the last column (x 832) and row (y 40) are no cell's.
INSTANTIATE_TEST_SUITE_P(Cells, StripPick,
                         ::testing::Values(std::tuple{0, 0, std::optional{0}}, std::tuple{12, 9, std::optional{0}},
                                           std::tuple{13, 10, std::optional{65}},
                                           std::tuple{831, 39, std::optional{255}},
                                           std::tuple{832, 0, std::optional<int>{}},
                                           std::tuple{0, 40, std::optional<int>{}},
                                           std::tuple{-1, 5, std::optional<int>{}}));

TEST(PaletteStrip, CellsAreOutlinedInBlackInsideTheirOwnRectangles)
{
    const RgbImage strip = DrawPaletteStrip(W, H, false);
    // Cell 65 spans x 13..25, y 10..19.
    EXPECT_EQ(strip.at(14, 11), (Rgb{65, 65, 65}));
    EXPECT_EQ(strip.at(24, 18), (Rgb{65, 65, 65}));
    for (auto [x, y] : {std::pair{13, 11}, std::pair{25, 11}, std::pair{14, 10}, std::pair{14, 19}})
        EXPECT_EQ(strip.at(x, y), Rgb{}) << x << "," << y;
    // Neighbours' outlines meet in two black pixels; the uncovered edge stays black.
    EXPECT_EQ(strip.at(12, 5), Rgb{});
    EXPECT_EQ(strip.at(832, 5), Rgb{});
    EXPECT_EQ(strip.at(400, 40), Rgb{});
    EXPECT_EQ(strip.at(830, 38), (Rgb{255, 255, 255}));
}

TEST(PaletteStrip, PaletteModeShowsThePaletteEnds)
{
    const RgbImage strip = DrawPaletteStrip(W, H, true);
    EXPECT_EQ(strip.at(1, 1), (Rgb{0, 0, 131}));
    EXPECT_EQ(strip.at(830, 38), (Rgb{127, 0, 0}));
}

} // namespace
} // namespace tavrik
