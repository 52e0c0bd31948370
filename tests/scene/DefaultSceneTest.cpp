#include "scene/DefaultScene.h"

#include "scene/SceneText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrik {
namespace {

TEST(DefaultScene, TheBundledSceneFileHoldsTheSameLines)
{
    ASSERT_EQ(DefaultSceneLines().size(), 18u);
    EXPECT_EQ(ReadSceneFile(std::string(TAVRIK_ASSET_DIR) + "/scenes/default.scene"), DefaultSceneLines());
}

TEST(DefaultScene, PreparesToNineObjectsAndFiveFramesWithoutMessages)
{
    const std::vector<std::uint32_t> textures{100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110};
    Scene scene;
    int messages = 0;
    ParseSceneLines(DefaultSceneLines(), textures, scene, [&](std::size_t, const ParseMessage&) { ++messages; });
    EXPECT_EQ(messages, 0);
    ASSERT_EQ(scene.objects.size(), 9u);
    ASSERT_EQ(scene.egos.size(), 5u);

    std::vector<std::int32_t> ids;
    for (const auto& object : scene.objects)
        ids.push_back(object->id);
    EXPECT_EQ(ids, (std::vector<std::int32_t>{254, 25, 40, 45, 50, 100, 120, 140, 160}));

    const auto& background = dynamic_cast<const Kula&>(*scene.objects[0]);
    EXPECT_EQ(background.texture, 0u);
    EXPECT_EQ(background.colour, (Vec3{1, 11, 11}));
    EXPECT_EQ(background.rotation, (Vec3{1, 0, 0}));
    EXPECT_EQ(background.radius, 24.65);

    const auto& floor = dynamic_cast<const Czworobok&>(*scene.objects[8]);
    EXPECT_EQ(floor.texture, 100u);
    EXPECT_EQ(floor.colour, (Vec3{1, 1, 0.5}));

    const std::vector<double> forward{0.1, 0.2, 0.3, 0.4, 0.3};
    const std::vector<double> turn{0, 0, 3, 3, 3};
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(scene.egos[k]->position, (Vec3{0, 0, forward[k]}));
        EXPECT_EQ(scene.egos[k]->rotation, (Vec3{0.1, turn[k], 0}));
    }
}

} // namespace
} // namespace tavrik
