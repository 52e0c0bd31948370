#include "render/DrawBatches.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavrik {
namespace {

struct BatchCase {
    const char* name;
    std::vector<DrawnObject> objects;
    std::set<int> expected;
};

class IdsChangingOtherDepthsTest : public ::testing::TestWithParam<BatchCase> {};

TEST_P(IdsChangingOtherDepthsTest, FindsTheIdsWhoseAbsenceChangesABatchsPath)
{
    EXPECT_EQ(IdsChangingOtherDepths(GetParam().objects), GetParam().expected);
}

// Quads (no own batch) of texture 0 join; a sphere (own batch) ends a batch.
constexpr DrawnObject Quad(int id, bool clipped = false, std::uint32_t texture = 0)
{
    return {id, clipped, false, texture};
}
constexpr DrawnObject Sphere(int id, bool clipped = false)
{
    return {id, clipped, true, 0};
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, IdsChangingOtherDepthsTest,
    ::testing::Values(
        BatchCase{"NothingClipped", {Quad(1), Sphere(2), Quad(3), Quad(4)}, {}},
        // A clipped object alone in its batch, or beside another clipped
        // one, changes no other batch's path.
        BatchCase{"ClippedAlone", {Sphere(1), Sphere(2, true), Quad(3, true), Quad(4, true)}, {}},
        // Without 4, the batch of 3 holds nothing clipped.
        BatchCase{"ClippedOutOfASharedBatch", {Sphere(1), Sphere(2), Quad(3), Quad(4, true)}, {4}},
        // Leaving 2 out joins 1 with the clipped 3; a texture keeps 5 apart.
        BatchCase{"LeavingOutJoinsAClippedBatch", {Quad(1), Sphere(2), Quad(3, true), Sphere(4), Quad(5, false, 7)},
                  {2}},
        BatchCase{"JoiningTwoUnclippedBatches", {Quad(1), Sphere(2), Quad(3), Sphere(4, true)}, {}},
        // A plane's batch is drawn in parts: anything in it shifts them.
        BatchCase{"BesideAPlane", {Quad(1), DrawnObject{2, true, false, 0, true}, Quad(3, true)}, {1, 2, 3}},
        // Ids outside 0…255 are never left out, so they are never listed.
        BatchCase{"OnlyLabelledIds", {Quad(-1), Quad(300), Quad(255, true)}, {255}}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace tavrik
