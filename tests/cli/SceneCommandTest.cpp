#include "tests/cli/CliRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::RunCli;

// The values of a little-endian float PFM ("Pf"), in the file's row order.
std::vector<float> PfmValues(const fs::path& path)
{
    const std::string bytes = ReadText(path);
    std::istringstream header(bytes);
    std::string magic;
    int width = 0;
    int height = 0;
    double scale = 0;
    header >> magic >> width >> height >> scale;
    const std::size_t start = bytes.size() - static_cast<std::size_t>(width) * height * 4;
    std::vector<float> values(static_cast<std::size_t>(width) * height);
    std::memcpy(values.data(), bytes.data() + start, values.size() * 4);
    return values;
}

struct SceneCase {
    const char* options;
};

class RandomSceneRenderTest : public ::testing::TestWithParam<SceneCase> {};

// A random scene passes the check without a word, and in every frame of
// both cameras at least 95 % of the pixels are drawn and nothing is near
// the near plane (0.5): the objects keep 0.75 units from every camera
// position, which inside the 320 × 240 view is a depth above 0.66.
TEST_P(RandomSceneRenderTest, PassesTheCheckAndFillsEveryFrame)
{
    const fs::path folder = test::ScratchFolder();
    const auto scene = RunCli(std::string("scene random ") + GetParam().options, folder, {}, folder / "r.scene");
    ASSERT_EQ(scene.exitCode, 0) << scene.err;
    const auto check = RunCli("check r.scene", folder);
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_EQ(check.err, "");
    const auto render = RunCli("render r.scene --out . --camera both --size 320x240 --formats depth -q", folder);
    ASSERT_EQ(render.exitCode, 0) << render.err;

    int frames = 0;
    for (const auto& entry : fs::directory_iterator(folder / "0")) {
        if (entry.path().extension() != ".pfm")
            continue;
        ++frames;
        const std::vector<float> depth = PfmValues(entry.path());
        std::size_t drawn = 0;
        float nearest = INFINITY;
        for (const float z : depth)
            if (std::isfinite(z)) {
                ++drawn;
                nearest = std::min(nearest, z);
            }
        EXPECT_GE(drawn, depth.size() * 95 / 100) << entry.path();
        EXPECT_GT(nearest, 0.66f) << entry.path();
    }
    EXPECT_GE(frames, 2 * 3);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSceneRenderTest,
                         ::testing::Values(SceneCase{"--seed 1"}, SceneCase{"--seed 2 --motion large --floor --frames 30"},
                                           SceneCase{"--seed 3 --motion small --objects 255 --frames 3"}));

} // namespace
} // namespace tavrik
