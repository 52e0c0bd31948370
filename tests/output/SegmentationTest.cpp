#include "output/Segmentation.h"

#include "output/Bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tavrik {
namespace {

const Rgb white{255, 255, 255};

class PaletteEntryTest : public ::testing::TestWithParam<std::tuple<int, Rgb>> {};

TEST_P(PaletteEntryTest, TellingEntries)
{
    const auto& [index, colour] = GetParam();
    EXPECT_EQ(LabelColour(index, true), colour);
}

INSTANTIATE_TEST_SUITE_P(Ramp, PaletteEntryTest,
                         ::testing::Values(std::tuple{0, Rgb{0, 0, 131}}, std::tuple{31, Rgb{0, 0, 255}},
                                           std::tuple{32, Rgb{0, 3, 255}}, std::tuple{95, Rgb{0, 255, 255}},
                                           std::tuple{96, Rgb{3, 255, 251}}, std::tuple{127, Rgb{127, 255, 127}},
                                           std::tuple{159, Rgb{255, 255, 0}}, std::tuple{160, Rgb{255, 251, 0}},
                                           std::tuple{223, Rgb{255, 0, 0}}, std::tuple{224, Rgb{251, 0, 0}},
                                           std::tuple{255, Rgb{127, 0, 0}}));

TEST(PaletteTest, NoEntryIsWhite)
{
    const auto& palette = segmentationPalette();
    EXPECT_EQ(std::find(palette.begin(), palette.end(), white), palette.end());
}

TEST(MarkChangedDepthTest, RaisesExactChangesInsideTheRegion)
{
    const std::vector<float> reference = {0.5f, 0.5f, 0.5f, 0.25f, 1.0f, 1.0f}; // bottom row first
    std::vector<float> pass = reference;
    pass[2] = std::nextafter(0.5f, 1.0f); // one unit in the last place is a change
    pass[3] = 1.0f;                        // outside the region: not looked at
    pass[4] = 0.75f;
    pass[5] = 0.75f;
    PixelIds ids = {noId, 9, 9, noId, noId, 20};
    MarkChangedDepth(ids, 3, reference, pass, PixelRect{1, 0, 2, 2}, 12);
    // Unchanged depth keeps its id; a higher id stays.
    EXPECT_EQ(ids, (PixelIds{noId, 9, 12, noId, 12, 20}));
}

// Window row 0: id 7 alone, ids 3 and 10 tied, nothing; row 1: id 7 tied
// with an id outside 0…255, id 0 alone, id 9 where the depth is the cleared 1.
TEST(FrontIdsFromIdPassTest, KeepsOnlyALoneIdAtTheFrontmostDepth)
{
    const std::vector<std::uint8_t> idRgba = {7, 248, 255, 255, 3, 245, 255, 255, 255, 255, 255, 255,
                                              7, 248, 0,   255, 0, 255, 255, 255, 9,   246, 255, 255};
    const std::vector<float> depth = {0.5f, 0.5f, 1.0f, 0.5f, 0.5f, 1.0f};
    EXPECT_EQ(FrontIdsFromIdPass(idRgba, depth), (PixelIds{7, noId, noId, noId, 0, noId}));
    for (const int id : {0, 7, 255})
        EXPECT_EQ(IdPassColour(id), (Rgb{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(255 - id), 255}));
    EXPECT_EQ(IdPassColour(-1), (Rgb{255, 255, 0}));
    EXPECT_EQ(IdPassColour(256), (Rgb{255, 255, 0}));
}

// Hand-made objects for a fake renderer: each covers some pixels of a 3 × 2
// frame at a depth (bottom window row first, 1 = not drawn there); the
// renderer keeps the nearest depth per pixel, as the depth test does.
struct Layer {
    int id;
    std::vector<float> depth;
};

std::vector<float> Render(const std::vector<Layer>& layers, int omitId)
{
    std::vector<float> depth(6, 1.0f);
    for (const Layer& layer : layers)
        if (layer.id != omitId)
            std::transform(depth.begin(), depth.end(), layer.depth.begin(), depth.begin(),
                           [](float a, float b) { return std::min(a, b); });
    return depth;
}

class SegmentationMapTest : public ::testing::TestWithParam<bool> {};

TEST_P(SegmentationMapTest, LabelsTheFrontmostObject)
{
    const bool palette = GetParam();
    const std::vector<Layer> layers = {
        {3, {0.4f, 0.4f, 1.0f, 1.0f, 1.0f, 1.0f}},   // in front of 7
        {7, {0.6f, 0.6f, 1.0f, 1.0f, 1.0f, 1.0f}},   // hidden everywhere
        {5, {1.0f, 1.0f, 1.0f, 0.5f, 1.0f, 0.7f}},   // ties with 0, hidden by 256
        {0, {1.0f, 1.0f, 1.0f, 0.5f, 0.5f, 1.0f}},
        {256, {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.3f}}, // never labelled
        {-2, {1.0f, 1.0f, 0.9f, 1.0f, 1.0f, 1.0f}},  // never labelled
        {3, {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f}},   // a second object of id 3, out of view
    };
    std::vector<int> ids, passes;
    for (const Layer& layer : layers)
        ids.push_back(layer.id);
    const DepthWithoutId depthWithout = [&](int omitId, std::span<float> depth) {
        passes.push_back(omitId);
        std::ranges::copy(Render(layers, omitId), depth.begin());
        return PixelRect{0, 0, 3, 2};
    };
    const RgbImage map = SegmentationMap(3, 2, ids, palette, Render(layers, -1), depthWithout);

    const Rgb zero = palette ? Rgb{0, 0, 131} : Rgb{0, 0, 0};
    const Rgb three = palette ? Rgb{0, 0, 143} : Rgb{3, 3, 3};
    RgbImage expected(3, 2, white);
    expected.set(1, 0, zero); // (0, 0) is a tie of 0 and 5, (2, 0) shows 256
    expected.set(0, 1, three);
    expected.set(1, 1, three); // (2, 1) shows -2
    EXPECT_EQ(map, expected);
    EXPECT_EQ(passes, (std::vector<int>{0, 3, 5, 7}));
}

INSTANTIATE_TEST_SUITE_P(Colours, SegmentationMapTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Palette" : "Grey"; });

// The pass buffer is shared by all ids; only the rectangle each pass
// reports is compared, whatever the buffer holds elsewhere.
TEST(SegmentationMapTest, LaterIdWinsAPixelChangedTwiceAndOnlyReportedPixelsCount)
{
    const std::vector<float> reference(6, 0.5f);
    const DepthWithoutId depthWithout = [](int, std::span<float> depth) {
        depth[0] = 1.0f;
        return PixelRect{0, 0, 1, 1};
    };
    const int ids[] = {20, 10};
    const RgbImage map = SegmentationMap(3, 2, ids, false, reference, depthWithout);
    RgbImage expected(3, 2, white);
    expected.set(0, 1, {20, 20, 20});
    EXPECT_EQ(map, expected);
}

} // namespace
} // namespace tavrik
