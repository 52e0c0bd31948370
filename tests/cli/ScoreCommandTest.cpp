#include "tests/cli/CliRunner.h"

#include "base/FileIo.h"
#include "output/Pfm.h"
#include "output/Png.h"
#include "score/EstimateFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <functional>

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

// A textured quad with a ball in front, seen over three frames of a turning,
// advancing rig: occlusions, flow and a non-trivial trajectory.
constexpr const char* scene = R"(SPHERE; id 1; texture: -1; colour: 1.0; 11.0; 11.0; position: 0; 0; 0; 0;0;0; dim: 24.65
SPHERE; id 25; texture: 9; colour: 1.0; 1.0; 1.0; position: 0.0; 1.0; -0.2; 0.0;0.0;0.0; dim: 0.65
QUAD; id 160; texture: 0; colour: 1.0; 1.0; 0.5; vertices: -1.6; -2.0; -1.4; 1.6; -2.0; -1.4; 1.6; 6.0; -1.4; -1.6; 6.0; -1.4
EGO; 0; 0; 0.1; 0.1; 0; 0
EGO; 0; 0; 0.2; 0.1; 2; 0
EGO; 0.05; 0; 0.3; 0.1; 3; 0
)";

// Renders the scene into `folder`/0 with the given formats.
fs::path Render(const fs::path& folder, const std::string& formats)
{
    std::ofstream(folder / "s.scene") << scene;
    const auto result = RunCli("render s.scene --camera both --size 320x240 --quiet --formats " + formats
                                   + " --out '" + folder.string() + "'",
                               folder);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return folder / "0";
}

nlohmann::json ReadJson(const fs::path& path) { return nlohmann::json::parse(test::ReadText(path)); }

struct SelfCase {
    const char* kind;
    const char* estimate; // inside the sequence folder
};

class ScoreSelfTest : public ::testing::TestWithParam<SelfCase> {};

TEST_P(ScoreSelfTest, TruthAgainstItselfIsExact)
{
    const fs::path folder = test::ScratchFolder();
    const fs::path truth = Render(folder, "all");
    const auto result = RunCli(std::string("score --truth 0 --kind ") + GetParam().kind + " --estimate 0/"
                                   + GetParam().estimate + " --json s.json",
                               folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json summary = ReadJson(folder / "s.json");
    if (std::string(GetParam().kind) == "poses") {
        EXPECT_EQ(summary["scored_frames"], 3);
        EXPECT_LT(summary["ate_rmse"].get<double>(), 1e-12);
        EXPECT_LT(summary["rpe_translation_rmse"].get<double>(), 1e-12);
        EXPECT_LT(summary["rpe_rotation_rmse_deg"].get<double>(), 1e-6);
        return;
    }
    for (const char* region : {"all", "noc", "occ"}) {
        EXPECT_GT(summary["pixels"][region].get<int>(), 0) << region;
        for (const char* mean : {"over_pixels", "over_frames"}) {
            EXPECT_EQ(summary[mean][region]["epe"], 0.0) << region;
            EXPECT_EQ(summary[mean][region]["density"], 100.0) << region;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ScoreSelfTest,
                         ::testing::Values(SelfCase{"disparity", ""}, SelfCase{"flow", ""},
                                           SelfCase{"poses", "poses_tum.txt"}));

// The 16-bit truth holds multiples of 1/256, so truth + 1 is exact in the
// float estimate and every error is exactly 1 pixel.
TEST(ScoreCommand, OnePixelOffIsBadAtHalfAPixelNotAtOne)
{
    const fs::path folder = test::ScratchFolder();
    const fs::path truth = Render(folder, "kitti,occlusion");
    fs::create_directories(folder / "est");
    for (int frame = 0; frame < 3; ++frame) {
        const std::string name = "ldisp_000" + std::to_string(frame);
        FloatImage image = ReadDisparityFile((truth / (name + ".png")).string());
        for (float& d : image.values)
            d += 1.0f;
        WriteWholeFile((folder / "est" / (name + ".pfm")).string(), EncodePfm(image.values, image.width, image.height));
    }
    const auto result = RunCli("score --truth 0 --estimate est --json s.json --error-images err", folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json summary = ReadJson(folder / "s.json");
    for (const char* region : {"all", "noc", "occ"}) {
        const nlohmann::json& m = summary["over_pixels"][region];
        EXPECT_EQ(m["epe"], 1.0) << region;
        EXPECT_EQ(m["rms"], 1.0) << region;
        EXPECT_EQ(m["bad-0.5"], 100.0) << region;
        EXPECT_EQ(m["bad-1"], 0.0) << region;
    }
    const PngImage errors = DecodePng(ReadWholeFile((folder / "err" / "ldisp_err_0002.png").string(), 1 << 24, ""),
                                      "err");
    EXPECT_EQ(errors.width, 320);
    EXPECT_EQ(errors.channels, 3);
}

// How an estimate folder is spoiled, and what the error must say.
struct BadInput {
    const char* name;
    std::function<void(const fs::path& estimate)> spoil;
    const char* message;
};

class ScoreBadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(ScoreBadInputTest, FailsNamingTheFile)
{
    const fs::path folder = test::ScratchFolder();
    Render(folder, "pfm");
    fs::copy(folder / "0", folder / "est");
    GetParam().spoil(folder / "est");
    const auto result = RunCli("score --truth 0 --estimate est", folder);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Estimates, ScoreBadInputTest,
    ::testing::Values(
        BadInput{"Missing", [](const fs::path& est) { fs::remove(est / "ldisp_0001.pfm"); },
                 "est/ldisp_0001.pfm: missing (1 of 3 frames have no estimate; --allow-missing scores the others)"},
        BadInput{"OtherSize",
                 [](const fs::path& est) {
                     WriteWholeFile((est / "ldisp_0002.pfm").string(), EncodePfm(std::vector<float>(6, 1.0f), 3, 2));
                 },
                 "est/ldisp_0002.pfm: 3x2 pixels, the truth has 320x240"},
        BadInput{"NaN",
                 [](const fs::path& est) {
                     std::vector<float> values(320 * 240, 1.0f);
                     values[320 * 5 + 7] = std::nanf("");
                     WriteWholeFile((est / "ldisp_0000.pfm").string(), EncodePfm(values, 320, 240));
                 },
                 "est/ldisp_0000.pfm: NaN at pixel (7, 5)"},
        BadInput{"NotPfm", [](const fs::path& est) { WriteWholeFile((est / "ldisp_0001.pfm").string(), "P6\n"); },
                 "est/ldisp_0001.pfm: not a PFM file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScoreCommand, AllowMissingScoresTheRestAndSaysSo)
{
    const fs::path folder = test::ScratchFolder();
    Render(folder, "pfm");
    fs::create_directories(folder / "est");
    fs::copy(folder / "0" / "ldisp_0002.pfm", folder / "est" / "d2.pfm");
    const auto result = RunCli("score --truth 0 --estimate est --pattern 'd{frame}.pfm' --allow-missing --csv f.csv",
                               folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("missing: 2 of 3 frames had no estimate (frames 0 1)"), std::string::npos) << result.out;
    // Only frame 2 is scored, and without occlusion masks only over "all".
    const std::string csv = test::ReadText(folder / "f.csv");
    EXPECT_EQ(csv.substr(csv.find('\n')), "\n2,all,76800,100,0,0,0,0,0,0,0,0\n");
}

} // namespace
} // namespace tavrik
