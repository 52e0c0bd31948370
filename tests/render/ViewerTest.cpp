#include "tests/render/RenderTestSupport.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "output/Bmp.h"
#include "output/Disparity.h"
#include "output/Segmentation.h"
#include "render/RenderState.h"
#include "scene/DefaultScene.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace tavrik {
namespace {

using test::ScratchFolder;
using test::TestViewer;

constexpr int W = 160;
constexpr int H = 120;

// The base camera stands at world (0, −3, 0) looking along +y with +z up,
// so a quad in the plane y = y0 faces it at distance y0 + 3.
std::string Wall(int id, double y, double xFrom = -20, double xTo = 20, double zFrom = -20, double zTo = 20,
                 int texture = -1)
{
    std::ostringstream line;
    line << "QUAD; id " << id << "; texture: " << texture << "; colour: 1; 1; 1; vertices: " << xFrom << "; " << y
         << "; " << zFrom << "; " << xTo << "; " << y << "; " << zFrom << "; " << xTo << "; " << y << "; " << zTo
         << "; " << xFrom << "; " << y << "; " << zTo;
    return line.str();
}

const std::string stillFrame = "EGO; 0; 0; 0; 0; 0; 0";

std::vector<double> ReadDisparityText(const std::string& path, int& width, int& height, int& lines)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> values;
    lines = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            break;
        const std::string line = text.substr(start, end - start);
        if (lines == 0)
            width = std::stoi(line);
        else if (lines == 1)
            height = std::stoi(line);
        else if (!line.empty())
            values.push_back(std::stod(line));
        ++lines;
        start = end + 2;
    }
    return values;
}

// Depth comes from a 24-bit buffer: one step of w moves Z = 17 / (34 − 33.5 w)
// by 33.5 Z² / 17 · 2⁻²⁴, about 3e-6 at Z = 5, so D = B·F/Z moves by about
// D · 6e-7. A hundredth of a pixel leaves room for interpolation in the
// rasteriser while catching any error in the conversion or the camera.
constexpr double disparityTolerance = 0.01;

TEST(ViewerRun, QuadFacingTheCameraCarriesTheDisparityOfItsDistance)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    // The second frame moves the scene 1 toward the camera along its axis.
    t.Run({Wall(7, 2.0), stillFrame, "EGO; 0; 0; 1; 0; 0; 0"});

    const std::string folder = t.settings.outputFolder + "/0/";
    const double bf = 0.12 * 389.0;
    for (auto [frame, distance] : {std::pair{0, 5.0}, std::pair{1, 4.0}}) {
        int width = 0, height = 0, lines = 0;
        const std::string tag = frame == 0 ? "0000" : "0001";
        const auto values = ReadDisparityText(folder + "lbindisp_" + tag + ".dat", width, height, lines);
        ASSERT_EQ(width, W);
        ASSERT_EQ(height, H);
        EXPECT_EQ(lines, W * H + 3);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(W * H));
        const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
        EXPECT_NEAR(*lo, bf / distance, disparityTolerance) << "frame " << frame;
        EXPECT_NEAR(*hi, bf / distance, disparityTolerance) << "frame " << frame;

        const RgbImage fine = ReadBmpFile(folder + "ldisp_" + tag + ".bmp");
        const RgbImage whole = ReadBmpFile(folder + "ldisp_p_" + tag + ".bmp");
        const double d = bf / distance;
        EXPECT_EQ(fine.at(W / 2, H / 2), (Rgb{FineGrey(d), FineGrey(d), FineGrey(d)}));
        const std::uint8_t p = WholePixelGrey(WholePixelDisparity(d));
        EXPECT_EQ(whole.at(W / 2, H / 2), (Rgb{p, p, p}));
    }
}

TEST(ViewerRun, TopRowOfEveryFileIsTheTopOfTheView)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    // Upper half (z > 0) at distance 5 with id 20, lower half at 4 with id 40.
    t.Run({Wall(20, 2.0, -20, 20, 0, 20), Wall(40, 1.0, -20, 20, -20, 0), stillFrame});
    const std::string folder = t.settings.outputFolder + "/0/";

    int width = 0, height = 0, lines = 0;
    const auto values = ReadDisparityText(folder + "lbindisp_0000.dat", width, height, lines);
    ASSERT_EQ(values.size(), static_cast<std::size_t>(W * H));
    EXPECT_NEAR(values.front(), 0.12 * 389.0 / 5.0, disparityTolerance);
    EXPECT_NEAR(values.back(), 0.12 * 389.0 / 4.0, disparityTolerance);

    const RgbImage segmentation = ReadBmpFile(folder + "seg_l_0000.bmp");
    EXPECT_EQ(segmentation.at(0, 0), (Rgb{20, 20, 20}));
    EXPECT_EQ(segmentation.at(W - 1, H - 1), (Rgb{40, 40, 40}));
}

int CountPixels(const RgbImage& image, Rgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.at(x, y) == colour;
    return n;
}

TEST(ViewerRun, SegmentationLabelsTheFrontmostObjectOnly)
{
    for (bool palette : {false, true}) {
        TestViewer t(W, H);
        t.settings.outputFolder = ScratchFolder(palette ? "labels-palette" : "labels-grey");
        t.settings.paletteSegmentation = palette;
        // Id 3 covers the left half in front of the wall of id 7; id 9 hides
        // entirely behind id 3.
        t.Run({Wall(7, 2.0), Wall(3, 0.0, -20, 0), Wall(9, 1.0, -0.5, -0.1, -0.2, 0.2), stillFrame});
        const RgbImage map = ReadBmpFile(t.settings.outputFolder + "/0/seg_l_0000.bmp");
        EXPECT_EQ(map.at(10, H / 2), LabelColour(3, palette));
        EXPECT_EQ(map.at(W - 10, H / 2), LabelColour(7, palette));
        EXPECT_EQ(CountPixels(map, LabelColour(9, palette)), 0);
        EXPECT_EQ(CountPixels(map, LabelColour(3, palette)) + CountPixels(map, LabelColour(7, palette)), W * H);
    }
}

TEST(ViewerRun, IdTwoHundredFiftyFiveIsWhiteInGreyAndDarkRedInThePalette)
{
    for (bool palette : {false, true}) {
        TestViewer t(W, H);
        t.settings.outputFolder = ScratchFolder(palette ? "id255-palette" : "id255-grey");
        t.settings.paletteSegmentation = palette;
        t.Run({Wall(255, 2.0), stillFrame});
        const RgbImage map = ReadBmpFile(t.settings.outputFolder + "/0/seg_l_0000.bmp");
        const Rgb expected = palette ? Rgb{127, 0, 0} : Rgb{255, 255, 255};
        EXPECT_EQ(CountPixels(map, expected), W * H);
    }
}

// Sum of absolute differences between the right image and the left image
// moved `shift` pixels to the left, over the middle rows and columns.
long ShiftedDifference(const RgbImage& left, const RgbImage& right, int shift)
{
    long sum = 0;
    for (int y = 20; y < H - 20; ++y)
        for (int x = 30; x < W - 30; ++x) {
            const Rgb a = left.at(x + shift, y);
            const Rgb b = right.at(x, y);
            sum += std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
        }
    return sum;
}

// Runs `scene` with the left, then the right camera into the same folder and
// returns the two colour images of frame 0.
std::pair<RgbImage, RgbImage> RunBothCameras(TestViewer& t, const std::vector<std::string>& scene)
{
    t.Run(scene);
    t.settings.rightCamera = true;
    t.Run(scene);
    const std::string folder = t.settings.outputFolder + "/0/";
    return {ReadBmpFile(folder + "left_0000.bmp"), ReadBmpFile(folder + "right_0000.bmp")};
}

TEST(ViewerRun, RightViewIsTheLeftViewShiftedByTheDisparity)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    // A baseline that makes the wall's disparity exactly 10 pixels.
    t.settings.baseline = 10.0 * 5.0 / 389.0;
    const std::vector<std::string> scene{Wall(5, 2.0, -20, 20, -20, 20, 3), stillFrame};
    const auto [left, right] = RunBothCameras(t, scene);
    const std::string folder = t.settings.outputFolder + "/0/";
    int best = -1;
    long bestSum = 0;
    for (int shift = 0; shift <= 20; ++shift) {
        const long sum = ShiftedDifference(left, right, shift);
        if (best < 0 || sum < bestSum) {
            best = shift;
            bestSum = sum;
        }
    }
    EXPECT_EQ(best, 10);
    EXPECT_LT(bestSum, ShiftedDifference(left, right, 0) / 20);

    // Both cameras carry the same disparity; only the names differ.
    int width = 0, height = 0, lines = 0;
    const auto values = ReadDisparityText(folder + "bindisp_0000.dat", width, height, lines);
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(values[values.size() / 2], 10.0, disparityTolerance);
    EXPECT_TRUE(std::filesystem::exists(folder + "seg_r_0000.bmp"));
}

TEST(ViewerRun, ShadingIsTheSameInBothCameras)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    t.settings.baseline = 10.0 * 5.0 / 389.0;
    const std::vector<std::string> scene{Wall(5, 2.0), stillFrame};
    const auto [left, right] = RunBothCameras(t, scene);
    // Colours are interpolated from identically lit vertices; one grey
    // level of rounding is all that may differ.
    for (int x : {40, 80, 120}) {
        const Rgb a = left.at(x, H / 2);
        const Rgb b = right.at(x - 10, H / 2);
        EXPECT_LE(std::abs(a.red - b.red), 1) << "x " << x;
        EXPECT_LE(std::abs(a.green - b.green), 1) << "x " << x;
    }
}

TEST(ViewerRun, EgoLogsCarryEachAppliedFrame)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    t.settings.previewOnly = true;
    t.Run({Wall(5, 2.0), "EGO;  0.0; 0.0; 0.1; 0.1;0.0;0.0", "EGO; 0; 0; 0.2; 0; 3; 0"});
    ASSERT_EQ(t.events.tableRows.size(), 2u);
    EXPECT_EQ(t.events.tableRows[0], "0.000&0.000&0.100&0.100&0.000&0.000&T & T & T & R & R & R \\\\");
    EXPECT_EQ(t.events.listRows[0], "0.000;0.000;0.100;0.100;0.000;0.000;");
    EXPECT_EQ(t.events.listRows[1], "0.000;0.000;0.200;0.000;3.000;0.000;");
}

TEST(ViewerRun, MatrixLogHasOneRowPerDrawnObjectWhenSwitchedOn)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    t.settings.previewOnly = true;
    t.settings.logObjectMatrices = true;
    t.viewer.PrepareSequence({Wall(5, 2.0), Wall(6, 3.0), stillFrame});
    ASSERT_EQ(t.events.matrixRows.size(), 2u);
    // The quads leave the base pose in place: Translate(0,0,−3)·RotX(−90).
    EXPECT_EQ(t.events.matrixRows[0],
              "1.000; 0.000; 0.000; 0.000; 0.000; 0.000; -1.000; 0.000; 0.000; 1.000; 0.000; 0.000; 0.000; "
              "0.000; -3.000; 1.000; ");
}

TEST(FrameLoop, RunsOneTickPerFrameThenStops)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    t.viewer.StartSequence({Wall(5, 2.0), stillFrame, stillFrame, stillFrame});
    EXPECT_EQ(t.viewer.frameIndex(), 0);
    EXPECT_TRUE(t.timer.running);
    EXPECT_EQ(t.timer.interval, writingTickInterval);
    EXPECT_EQ(t.events.frameCount, 3u);
    EXPECT_EQ(t.events.objectCount, 1u);
    // A frame counts as done once its files are written, which happens while
    // the next tick draws the next frame.
    for (int frame = 1; frame <= 3; ++frame) {
        t.viewer.FrameTick();
        EXPECT_EQ(t.viewer.frameIndex(), frame);
        EXPECT_EQ(t.events.progress, frame - 1);
        EXPECT_TRUE(t.timer.running);
    }
    t.viewer.FrameTick();
    EXPECT_FALSE(t.timer.running);
    EXPECT_EQ(t.viewer.frameIndex(), -1);
    EXPECT_EQ(t.events.progress, 3);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(t.settings.outputFolder + "/0"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 15u);
}

// A window's ticks never wait for the writer: a frame drawn while it is
// busy is held and handed over later. At 1024 × 768 the files of a frame take
// longer than drawing the next, so back-to-back ticks meet a busy writer; the
// files must still be those of a run whose ticks wait.
TEST(FrameLoop, ATimerThatMustNotBlockLosesNoFrame)
{
    const std::vector<std::string> scene = DefaultSceneLines();
    std::map<std::string, std::vector<std::uint8_t>> files[2];
    for (const bool nonBlocking : {false, true}) {
        TestViewer t(1024, 768);
        t.timer.nonBlocking = nonBlocking;
        t.settings.outputFolder = ScratchFolder(nonBlocking ? "non-blocking" : "blocking");
        t.viewer.StartSequence(scene);
        while (t.timer.running)
            t.viewer.FrameTick();
        EXPECT_EQ(t.events.progress, 5);
        for (const auto& entry : std::filesystem::directory_iterator(t.settings.outputFolder + "/0"))
            files[nonBlocking][entry.path().filename().string()] = ReadWholeFile(entry.path().string(), 1u << 26, "too large");
    }
    EXPECT_EQ(files[0].size(), 25u);
    EXPECT_TRUE(files[0] == files[1]);
}

TEST(FrameLoop, PreviewTicksSlowerAndWritesNothing)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    t.settings.previewOnly = true;
    t.viewer.StartSequence({Wall(5, 2.0), stillFrame, stillFrame});
    t.viewer.FrameTick();
    EXPECT_EQ(t.timer.interval, previewTickInterval);
    while (t.timer.running)
        t.viewer.FrameTick();
    EXPECT_FALSE(std::filesystem::exists(t.settings.outputFolder + "/0"));
}

TEST(FrameLoop, PreparingDuringARunEndsItAtTheNextTick)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    const std::vector<std::string> scene{Wall(5, 2.0), stillFrame, stillFrame, stillFrame};
    t.viewer.StartSequence(scene);
    t.viewer.FrameTick();
    t.viewer.PrepareSequence(scene);
    EXPECT_EQ(t.viewer.frameIndex(), -1);
    t.viewer.FrameTick();
    EXPECT_FALSE(t.timer.running);
    EXPECT_TRUE(std::filesystem::exists(t.settings.outputFolder + "/0/left_0000.bmp"));
    EXPECT_FALSE(std::filesystem::exists(t.settings.outputFolder + "/0/left_0001.bmp"));
}

TEST(FrameLoop, SceneWithoutEgoLinesEndsAtTheFirstTick)
{
    TestViewer t(W, H);
    t.settings.outputFolder = ScratchFolder();
    t.viewer.StartSequence({Wall(5, 2.0)});
    t.viewer.FrameTick();
    EXPECT_FALSE(t.timer.running);
    EXPECT_EQ(t.viewer.frameIndex(), -1);
    EXPECT_FALSE(std::filesystem::exists(t.settings.outputFolder + "/0"));
}

TEST(FrameLoop, AnOutputErrorEndsTheRunAtThatFrame)
{
    TestViewer t(W, H);
    const std::string missing = (ScratchFolder() / "missing").string();
    t.settings.outputFolder = missing;
    t.viewer.StartSequence({Wall(5, 2.0), stillFrame, stillFrame});
    // The files of frame 0 are written while frame 1 is drawn: the tick of
    // frame 1 finds the error.
    try {
        while (t.timer.running)
            t.viewer.FrameTick();
        FAIL() << "the run wrote into a folder whose parent does not exist";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + missing + "/0/left_0000.bmp: No such file or directory");
    }
    EXPECT_FALSE(t.timer.running);
    EXPECT_EQ(t.viewer.frameIndex(), 0);
    EXPECT_EQ(t.events.progress, 0);
}

TEST(RenderView, DrawsNothingBeforeTheFirstPreparation)
{
    TestViewer t(W, H);
    t.viewer.Paint();
    t.viewer.RenderView(true);
    EXPECT_EQ(t.events.presented, 0);
    EXPECT_FALSE(t.viewer.sceneReady());
}

// The segmentation compares depth-only passes with the drawn view's depth,
// so the two must agree to the last bit wherever nothing is left out, and a
// pass confined to a rectangle may change nothing outside it.
TEST(RenderView, DepthOnlyPassGivesTheDrawnViewsDepth)
{
    TestViewer t(W, H);
    std::vector<std::string> scene = DefaultSceneLines();
    scene.insert(scene.begin(), "PLANE; id 9; texture: 3; colour: 1; 1; 1; normal: 0.3; 1; 0.2; point: 0; 4; 0");
    t.viewer.PrepareSequence(scene);
    t.viewer.RenderView(false);
    const std::vector<float> drawn = t.viewer.ReadDepth();

    t.viewer.RenderDepthPass(std::nullopt, {0, 0, W, H});
    EXPECT_EQ(t.viewer.ReadDepth(), drawn);

    // Left of the cylinder, over the sphere.
    const PixelRect region{W * 32 / 100, H * 40 / 100, W * 8 / 100, H * 20 / 100};
    t.viewer.RenderDepthPass(25, region);
    const std::vector<float> pass = t.viewer.ReadDepth();
    int changedInside = 0;
    for (int j = 0; j < H; ++j)
        for (int x = 0; x < W; ++x) {
            const std::size_t i = static_cast<std::size_t>(j) * W + x;
            const bool inside = x >= region.x && x < region.x + region.width && j >= region.y
                && j < region.y + region.height;
            if (!inside)
                ASSERT_EQ(pass[i], drawn[i]) << x << ", " << j;
            else if (pass[i] != drawn[i])
                ++changedInside;
        }
    EXPECT_GT(changedInside, 0); // the sphere of id 25 is seen there
}

// The textures stay with the context from run to run, yet a texture file
// written over between two runs is what the second run shows.
TEST(RenderView, ATextureWrittenOverBetweenRunsIsReadAgain)
{
    const std::filesystem::path folder = ScratchFolder();
    std::filesystem::copy(std::string(TAVRIK_ASSET_DIR) + "/textures", folder);
    TestViewer t(W, H);
    t.settings.texturesFolder = folder.string();
    const std::vector<std::string> scene{Wall(5, 2.0, -20, 20, -20, 20, 0)};
    const auto centreGreen = [&] {
        t.viewer.PrepareSequence(scene);
        return static_cast<int>(t.viewer.ReadColour()[(H / 2 * W + W / 2) * 3 + 1]);
    };
    ASSERT_GT(centreGreen(), 0);
    // Red only, and of another file size than the bundled one.
    WriteBmpFile((folder / "tex0.bmp").string(), RgbImage(2 * textureSize, 2 * textureSize, {255, 0, 0}));
    EXPECT_EQ(centreGreen(), 0);
}

TEST(FrameLoop, WithoutAContextTheSceneIsReadAndTheRunEndsAtOnce)
{
    TestViewer t(W, H);
    t.viewer.ReleaseRenderContext();
    t.Run({Wall(5, 2.0), stillFrame, stillFrame});
    EXPECT_EQ(t.events.objectCount, 1u);
    EXPECT_EQ(t.events.frameCount, 2u);
    EXPECT_FALSE(t.timer.running);
    EXPECT_EQ(t.viewer.frameIndex(), -1);
    EXPECT_EQ(t.events.presented, 0);
}

TEST(RenderView, OmitIdLeavesOutEveryObjectOfThatIdAndNothingElse)
{
    TestViewer t(W, H);
    // Two quads share id 4 and cover the left half in front of a wall whose
    // own id is −1: a view that leaves nothing out still draws that wall.
    t.viewer.PrepareSequence({Wall(-1, 2.0), Wall(4, 0.0, -20, -0.3), Wall(4, 0.0, -0.3, 0), stillFrame});
    auto distanceAt = [&](int x) { return DepthToDistance(t.viewer.ReadDepth()[(H / 2) * W + x]); };
    const int leftHalf = 20, nearCentre = W / 2 - 3, rightHalf = W - 20;

    t.viewer.RenderView(false);
    EXPECT_NEAR(distanceAt(leftHalf), 3.0, 1e-3);
    EXPECT_NEAR(distanceAt(nearCentre), 3.0, 1e-3);
    EXPECT_NEAR(distanceAt(rightHalf), 5.0, 1e-3);

    t.viewer.RenderView(false, 4);
    EXPECT_NEAR(distanceAt(leftHalf), 5.0, 1e-3);
    EXPECT_NEAR(distanceAt(nearCentre), 5.0, 1e-3);

    t.viewer.RenderView(false, -1);
    EXPECT_NEAR(distanceAt(leftHalf), 3.0, 1e-3);
    EXPECT_NEAR(distanceAt(rightHalf), farDistance, 1e-3);
}

} // namespace
} // namespace tavrik
