#include "tests/render/RenderTestSupport.h"

#include "base/FileIo.h"
#include "scene/DefaultScene.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

namespace tavrik {
namespace {

using test::ScratchFolder;
using test::TestViewer;

// A random scene of every object kind in front of the base camera at world
// (0, −3, 0), looking along +y. Ids come from a small pool, so several
// objects share one, with −1, 255 and 300 among them; every scene holds two
// exactly coplanar overlapping quads of different ids, a twin of one of them
// with the same corners, and an object hidden behind a quad. An `open` scene
// stays inside the view volume (no planes, small motions); the others reach
// out of it and behind the camera.
std::vector<std::string> RandomScene(std::mt19937& random, bool open)
{
    auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
    auto pick = [&](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    static constexpr int idPool[] = {-1, 0, 3, 3, 7, 42, 128, 200, 255, 300};
    auto head = [&](const char* keyword) {
        std::ostringstream line;
        line << keyword << "; id " << idPool[pick(10)] << "; texture: " << pick(12) - 1 << "; colour: "
             << uniform(0, 1) << "; " << uniform(0, 1) << "; " << uniform(0, 1);
        return line.str();
    };
    const double size = open ? 0.5 : 1.2;
    auto point = [&] {
        const double y = open ? uniform(2, 8) : uniform(-1, 6);
        const double d = open ? 0.25 * (y + 3) : 2.5;
        std::ostringstream p;
        p << uniform(-d, d) << "; " << y << "; " << uniform(-0.8 * d, 0.8 * d);
        return p.str();
    };
    auto angles = [&] {
        std::ostringstream a;
        a << uniform(0, 360) << "; " << uniform(0, 360) << "; " << uniform(0, 360);
        return a.str();
    };
    auto length = [&](double low) { return std::to_string(uniform(low, size)); };
    std::vector<std::string> lines;
    const int objects = 4 + pick(10);
    for (int i = 0; i < objects; ++i) {
        switch (pick(open ? 4 : 5)) {
        case 0: lines.push_back(head("SPHERE") + "; " + point() + "; " + angles() + "; " + length(0.1)); break;
        case 1: lines.push_back(head("CUBOID") + "; " + point() + "; " + angles() + "; " + length(0.1) + "; " + length(0.1) + "; " + length(0.1)); break;
        case 2: lines.push_back(head("CYLINDER") + "; " + point() + "; " + angles() + "; " + length(0) + "; " + length(0) + "; " + length(0.1)); break;
        case 3: lines.push_back(head("QUAD") + "; " + point() + "; " + point() + "; " + point() + "; " + point()); break;
        default: {
            std::ostringstream plane;
            plane << head("PLANE") << "; " << uniform(-1, 1) << "; " << uniform(0.2, 1) << "; " << uniform(-1, 1)
                  << "; " << point();
            lines.push_back(plane.str());
        }
        }
    }
    const double y = uniform(2, 4);
    const int twinIds[] = {-1, 12, 300};
    for (const auto& [id, from, to] :
         {std::tuple{11, -1.0, 0.5}, std::tuple{12, -0.5, 1.0}, std::tuple{twinIds[pick(3)], -1.0, 0.5}}) {
        std::ostringstream quad;
        quad << "QUAD; id " << id << "; texture: -1; colour: 1; 1; 1; " << from << "; " << y << "; -1; " << to
             << "; " << y << "; -1; " << to << "; " << y << "; 1; " << from << "; " << y << "; 1";
        lines.push_back(quad.str());
    }
    lines.push_back("SPHERE; id 21; texture: 2; colour: 1; 1; 1; 0; 7; 0; 0; 0; 0; 0.5");
    if (!open)
        lines.push_back("QUAD; id 20; texture: -1; colour: 1; 1; 1; 1.2; -1; -3; 9; -1; -3; 9; -1; 3; 1.2; -1; 3");
    const double step = open ? 0.03 : 0.2;
    const double turn = open ? 0.5 : 5;
    for (int frame = 0; frame < 2; ++frame) {
        std::ostringstream ego;
        ego << "EGO; " << uniform(-step, step) << "; " << uniform(-step, step) << "; " << uniform(-step, step) << "; "
            << uniform(-turn, turn) << "; " << uniform(-turn, turn) << "; " << uniform(-turn, turn);
        lines.push_back(ego.str());
    }
    return lines;
}

// Seed 0 is the default scene; the others are random scenes, each run with
// its own camera, antialiasing and palette choice. Every file the id pass
// run writes must equal, byte for byte, what one pass per id writes: the
// maps, and the camera images whose plane colours depend on how many planes
// the frame's passes drew before.
class SegmentationMethods : public ::testing::TestWithParam<int> {};

TEST_P(SegmentationMethods, WriteTheSameFiles)
{
    const int seed = GetParam();
    std::mt19937 random(static_cast<unsigned>(seed));
    const std::vector<std::string> scene = seed == 0 ? DefaultSceneLines() : RandomScene(random, seed % 5 != 0);
    const bool right = seed % 2 == 1;
    const bool antiAliasing = seed % 3 == 1;
    const bool palette = seed % 4 >= 2;

    std::vector<std::filesystem::path> folders;
    for (const SegmentationMethod method : {SegmentationMethod::PassPerId, SegmentationMethod::IdPass}) {
        TestViewer t(320, 240);
        t.settings.rightCamera = right;
        t.settings.antiAliasing = antiAliasing;
        t.settings.paletteSegmentation = palette;
        t.settings.outputFolder = ScratchFolder(method == SegmentationMethod::IdPass ? "id" : "perId").string();
        t.viewer.CreateRenderContext();
        t.viewer.SetSegmentationMethod(method);
        t.Run(scene);
        folders.push_back(std::filesystem::path(t.settings.outputFolder) / "0");
    }
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folders[0])) {
        const std::string name = entry.path().filename().string();
        const auto read = [](const std::filesystem::path& path) {
            return ReadWholeFile(path.string(), std::size_t{1} << 24, "too large");
        };
        EXPECT_EQ(read(entry.path()), read(folders[1] / name))
            << name << " of seed " << seed;
        ++compared;
    }
    EXPECT_EQ(compared, seed == 0 ? 25 : 10);
}

INSTANTIATE_TEST_SUITE_P(DefaultAndRandomScenes, SegmentationMethods, ::testing::Range(0, 41));

} // namespace
} // namespace tavrik
