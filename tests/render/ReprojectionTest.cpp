#include "render/Reprojection.h"

#include "output/Pfm.h"
#include "render/RenderState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace tavrik {
namespace {

constexpr int width = 32;
constexpr int height = 24;

// Depth-buffer value of a surface at distance z.
float WindowDepth(double z)
{
    return static_cast<float>((34.0 - 17.0 / z) / 33.5);
}

const Mat4 perspective = ViewPerspective(width, height, 389.0);

// Rows are reprojected several pixels at a time and in slices over the
// cores: widths that leave a row's last pixels fewer than a vector, and a
// frame large enough for several slices, land every pixel as a small one does.
class StereoShift : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(StereoShift, OfAPlaneIsItsDisparityAndLeavesTheLeftEdgeOutside)
{
    const auto [w, h] = GetParam();
    const Mat4 projection = ViewPerspective(w, h, 389.0);
    // A plane 4 in front of both cameras; the right one stands 0.05 to the right.
    const std::vector<float> plane(static_cast<std::size_t>(w) * h, WindowDepth(4.0));
    const DepthView left{projection, plane};
    const DepthView right{projection * Translation(-0.05, 0.0, 0.0), plane};
    const Reprojection r = Reproject(left, right, w, h, DepthTolerance(24));
    // D = B·F/Z = 4.8625; the projection's focal length is F within 3e-5.
    const double d = 0.05 * 389.0 / 4.0;
    for (int y = 0; y < h; y += 5)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            EXPECT_NEAR(r.dx[i], -d, d * 1e-4) << x << "," << y;
            EXPECT_NEAR(r.dy[i], 0.0, 1e-4);
            // Landing before the centre of the left column minus half a pixel is outside.
            EXPECT_EQ(r.landing[i], x - d < -0.5 ? Landing::outside : Landing::visible) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Sizes, StereoShift,
                         testing::Values(std::pair{width, height}, std::pair{31, 24}, std::pair{257, 130}));

TEST(ReprojectionTest, NearerSurfaceHidesAndEmptyPixelsAreNotDrawn)
{
    // The same camera twice: every pixel lands on itself. The second view
    // has something at Z = 2 over columns 10 to 19; the first has nothing in
    // column 0 and a surface at Z = 5 elsewhere.
    std::vector<float> first(width * height, WindowDepth(5.0));
    std::vector<float> second = first;
    for (int j = 0; j < height; ++j) {
        first[static_cast<std::size_t>(j) * width] = 1.0f;
        for (int x = 10; x < 20; ++x)
            second[static_cast<std::size_t>(j) * width + x] = WindowDepth(2.0);
    }
    const std::vector<std::uint8_t> mask =
        OcclusionMask({perspective, first}, {perspective, second}, width, height, DepthTolerance(24));
    for (int x = 0; x < width; ++x) {
        const std::uint8_t expected = x == 0 ? 0 : (x >= 10 && x < 20 ? 128 : 255);
        EXPECT_EQ(mask[static_cast<std::size_t>(5) * width + x], expected) << x;
    }
}

TEST(ReprojectionTest, DisparityChangeOfAStepTowardAPlaneIsKnownWhereTheFlowIsHidden)
{
    // A plane 5 in front, nothing drawn in column 0; one step of 1 forward
    // brings it to 4, where something at Z = 2 covers columns 10 to 19.
    std::vector<float> before(width * height, WindowDepth(5.0));
    std::vector<float> after(width * height, WindowDepth(4.0));
    for (int j = 0; j < height; ++j) {
        before[static_cast<std::size_t>(j) * width] = 1.0f;
        for (int x = 10; x < 20; ++x)
            after[static_cast<std::size_t>(j) * width + x] = WindowDepth(2.0);
    }
    const DepthView frame{perspective, before};
    const DepthView next{perspective * Translation(0.0, 0.0, 1.0), after};
    const Reprojection toNext = Reproject(frame, next, width, height, DepthTolerance(24));
    const std::vector<float> change = DisparityChange(toNext, before, width, height, 0.12, 389.0);
    const FlowField flow = OpticalFlow(toNext, width, height);
    // 24-bit depth steps move a disparity at Z = 5 by under 1e-5 pixels.
    const double expected = 0.12 * 389.0 / 4.0 - 0.12 * 389.0 / 5.0;
    for (int x = 0; x < width; ++x) {
        const std::size_t i = static_cast<std::size_t>(12) * width + x;
        if (x == 0) {
            EXPECT_TRUE(std::isinf(change[i]));
            continue;
        }
        EXPECT_NEAR(change[i], expected, 1e-4) << x;
        // The flow scales about the centre by 5/4, so column x lands at
        // 16 + (x + 0.5 - 16)·5/4 - 0.5, behind the occluder for some columns.
        const double landing = 16.0 + (x + 0.5 - 16.0) * 1.25 - 0.5;
        const bool covered = landing > 9.5 && landing < 19.5;
        if (std::abs(landing - 9.5) > 0.6 && std::abs(landing - 19.5) > 0.6 && landing >= -0.5 && landing < width - 0.5) {
            EXPECT_EQ(flow.valid[i], covered ? 0 : 1) << x;
        }
    }
}

// The big-endian bytes of 16-bit PNG samples.
std::vector<std::uint8_t> BigEndian(const std::vector<std::uint16_t>& samples)
{
    std::vector<std::uint8_t> bytes;
    for (const std::uint16_t sample : samples)
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(sample >> 8), static_cast<std::uint8_t>(sample)});
    return bytes;
}

// A wavy surface with holes seen before and after a turn and a step, w
// pixels wide and large enough to be cut into slices on several cores.
struct WavyViews {
    static constexpr int h = 160;
    explicit WavyViews(int w) : before(w * h), after(w * h)
    {
        for (int j = 0; j < h; ++j)
            for (int x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(j) * w + x;
                before[i] = (x + j) % 37 == 0 ? 1.0f
                                              : WindowDepth(3.0 + 0.5 * std::sin(x * 0.1) + 0.3 * std::cos(j * 0.13));
                after[i] = (x * j) % 53 == 0 ? 1.0f : WindowDepth(2.5 + 0.4 * std::cos(x * 0.07));
            }
        view = ViewPerspective(w, h, 389.0);
    }
    std::vector<float> before;
    std::vector<float> after;
    Mat4 view;
    DepthView frame() const { return {view, before}; }
    DepthView next() const { return {view * Translation(0.1, -0.05, 0.3) * RotationY(2.0), after}; }
};

// Of an odd width, the last pixel of a row is made alone.
class FilesInOnePass : public testing::TestWithParam<int> {};

TEST_P(FilesInOnePass, HoldTheFlowFieldAndDisparityChange)
{
    const int w = GetParam();
    constexpr int h = WavyViews::h;
    const WavyViews views(w);
    const DepthView frame = views.frame();
    const DepthView next = views.next();
    const std::vector<float>& before = views.before;
    const double tolerance = DepthTolerance(24);

    FlowFileBytes files;
    MakeFlowFiles(frame, next, w, h, tolerance, DisparityChangeOptics{0.12, 389.0}, files);
    const Reprojection toNext = Reproject(frame, next, w, h, tolerance);
    const FlowField flow = OpticalFlow(toNext, w, h);
    EXPECT_EQ(files.flo, EncodeFlo(flow));
    EXPECT_EQ(files.kittiPng, BigEndian(KittiFlowSamples(flow)));
    EXPECT_EQ(files.disparityChangePfm, EncodePfm(DisparityChange(toNext, before, w, h, 0.12, 389.0), w, h));
}

INSTANTIATE_TEST_SUITE_P(Widths, FilesInOnePass, testing::Values(256, 255));

// Rows made four pixels at a time (AVX2) and two at a time give the same
// bits, at widths that leave one to four pixels for a row's last four.
class ReprojectionLanesTest : public testing::TestWithParam<int> {};

TEST_P(ReprojectionLanesTest, FourAndTwoAtATimeMakeTheSameFiles)
{
    if (ReprojectionLanes() != 4)
        GTEST_SKIP() << "the processor has no AVX2";
    const int w = GetParam();
    const WavyViews views(w);
    struct Made {
        FlowFileBytes flow;
        std::vector<std::uint8_t> mask;
    } made[2];
    for (Made& m : made) {
        MakeFlowFiles(views.frame(), views.next(), w, WavyViews::h, DepthTolerance(24),
                      DisparityChangeOptics{0.12, 389.0}, m.flow);
        MakeOcclusionMask(views.next(), views.frame(), w, WavyViews::h, DepthTolerance(24), m.mask);
        SetReprojectionLanes(2);
    }
    SetReprojectionLanes(4);
    EXPECT_EQ(made[0].flow.flo, made[1].flow.flo);
    EXPECT_EQ(made[0].flow.kittiPng, made[1].flow.kittiPng);
    EXPECT_EQ(made[0].flow.disparityChangePfm, made[1].flow.disparityChangePfm);
    EXPECT_EQ(made[0].mask, made[1].mask);
}

INSTANTIATE_TEST_SUITE_P(Widths, ReprojectionLanesTest, testing::Values(256, 255, 254, 253));

TEST(ReprojectionTest, CalibrationProjectsLikeTheViewport)
{
    const StereoCalibration c = RigCalibration(perspective, width, height, 0.12, 389.0);
    EXPECT_NEAR(c.fx, 389.0, 389.0 * 1e-4);
    EXPECT_NEAR(c.fy, 389.0, 389.0 * 1e-4);
    EXPECT_EQ(c.ndisp, 94); // ⌈46.68 / 0.5⌉
    // An eye point (x right, y up, z backward in OpenGL's axes) through the
    // projection and the viewport, pixel centres at whole numbers, image y down.
    const double x = 0.3, y = -0.2, z = -2.5;
    const auto clip = perspective.Apply(x, y, z);
    const double column = (clip[0] / clip[3] + 1.0) * width / 2.0 - 0.5;
    const double row = height - 1 - ((clip[1] / clip[3] + 1.0) * height / 2.0 - 0.5);
    EXPECT_NEAR(c.fx * x / -z + c.cx, column, 1e-9);
    EXPECT_NEAR(c.fy * -y / -z + c.cy, row, 1e-9);
}

} // namespace
} // namespace tavrik
