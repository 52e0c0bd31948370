#include "tests/render/RenderTestSupport.h"

#include "render/RenderState.h"
#include "render/ScreenBounds.h"
#include "scene/DefaultScene.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(PixelRect, UnionHoldsBothAndIgnoresEmptyRects)
{
    const PixelRect a{10, 20, 5, 5};
    const PixelRect b{0, 22, 3, 10};
    const PixelRect u = a.United(b);
    EXPECT_EQ(u.x, 0);
    EXPECT_EQ(u.y, 20);
    EXPECT_EQ(u.width, 15);
    EXPECT_EQ(u.height, 12);
    const PixelRect e = PixelRect{}.United(a);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.width, 5);
}

TEST(ScreenBounds, PlanesAndObjectsBehindTheCameraTakeTheWholeView)
{
    const Mat4 transform = ViewPerspective(160, 120, 389.0) * BasePose(90.0, 0.0, 3.0);
    Plane plane(1, 0, 0, 2, 0, 0);
    const PixelRect r = ScreenBounds(plane, transform, 160, 120);
    EXPECT_EQ(r.width, 160);
    EXPECT_EQ(r.height, 120);
    // The camera stands at y = −3: a sphere around it reaches behind it.
    Kula around(1.0);
    around.position = {0, -3, 0};
    EXPECT_EQ(ScreenBounds(around, transform, 160, 120).width, 160);
    // A sphere far to the side lies outside the view altogether.
    Kula aside(0.1);
    aside.position = {30, 2, 0};
    EXPECT_TRUE(ScreenBounds(aside, transform, 160, 120).empty());
}

// Every pixel an object covers when drawn alone lies inside its bounds: the
// segmentation passes rely on it to draw only there. Checked for each object
// of the default scene from the base pose and after turns and moves.
TEST(ScreenBounds, HoldEveryPixelTheObjectCovers)
{
    constexpr int W = 160, H = 120;
    const std::vector<std::string> egos{"EGO; 0; 0; 0; 0; 0; 0", "EGO; 0.3; 0.1; 0.8; 5; 20; 0",
                                        "EGO; -0.5; 0; 0.5; -10; -40; 15"};
    const auto& lines = DefaultSceneLines();
    int checked = 0;
    for (const std::string& objectLine : lines) {
        if (objectLine.rfind("EGO", 0) == 0 || objectLine.find(';') == std::string::npos)
            continue;
        test::TestViewer t(W, H);
        t.settings.previewOnly = true;
        std::vector<std::string> scene{objectLine};
        scene.insert(scene.end(), egos.begin(), egos.end());
        t.viewer.StartSequence(scene);
        ASSERT_EQ(t.viewer.scene().objects.size(), 1u);
        const Obiekt& object = *t.viewer.scene().objects.front();
        while (t.timer.running) {
            t.viewer.FrameTick();
            if (!t.timer.running)
                break;
            const Mat4 transform = t.viewer.camera().Matrix() * BasePose(90.0, 0.0, 3.0);
            const PixelRect r = ScreenBounds(object, transform, W, H);
            const auto depth = t.viewer.ReadDepth();
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    if (depth[y * W + x] == 1.0f)
                        continue;
                    const bool inside = x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
                    ASSERT_TRUE(inside) << objectLine << " frame " << t.viewer.frameIndex() << " pixel " << x << ","
                                        << y;
                }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 9 * 3);
}

} // namespace
} // namespace tavrik
