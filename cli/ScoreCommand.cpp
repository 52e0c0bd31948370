#include "cli/Command.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "output/FrameFiles.h"
#include "output/Png.h"
#include "score/DisparityScore.h"
#include "score/ErrorImage.h"
#include "score/EstimateFiles.h"
#include "score/FlowScore.h"
#include "score/ScoreReport.h"
#include "score/Trajectory.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace tavrik::cli {

namespace {

struct Options {
    std::string truth;
    std::string estimate;
    std::string kind = "disparity";
    std::string camera = "left";
    std::string pattern;
    std::string csv;
    std::string json;
    std::string errorImages;
    bool allowMissing = false;
    bool scale = false;
};

// The truth files a kind is scored against, in the order they are looked
// for: the name stem (after the camera's "l") and the extensions.
struct TruthFiles {
    const char* stem;
    std::vector<std::string> extensions;
};

const TruthFiles& TruthFilesOf(const PixelKind& kind)
{
    static const TruthFiles disparity{"disp", {".pfm", ".png"}};
    static const TruthFiles flow{"flow", {".flo", ".png"}};
    return &kind == &FlowKind() ? flow : disparity;
}

std::string FrameFileName(const std::string& stem, bool right, int frame, const std::string& extension)
{
    return (right ? "" : "l") + stem + "_" + frameTag(frame) + extension;
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    return (std::filesystem::path(folder) / name).string();
}

// The first of the names that exists in `folder`, or nothing.
std::optional<std::string> FirstExisting(const std::string& folder, const std::string& stem, bool right, int frame,
                                         const std::vector<std::string>& extensions)
{
    for (const std::string& extension : extensions) {
        const std::string path = InFolder(folder, FrameFileName(stem, right, frame, extension));
        if (std::filesystem::exists(path))
            return path;
    }
    return std::nullopt;
}

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

void CheckSize(const std::string& path, int width, int height, int truthWidth, int truthHeight)
{
    if (width != truthWidth || height != truthHeight)
        throw UserError(path + ": " + SizeText(width, height) + " pixels, the truth has "
                        + SizeText(truthWidth, truthHeight));
}

struct ScoredFrame {
    FrameScore score;
    std::vector<std::uint8_t> occlusion;
    int width = 0;
    int height = 0;
};

// Reads a frame's truth, estimate and occlusion mask (when there is one) with
// the kind's reader and scores them.
template <typename Read, typename Score>
ScoredFrame ScoreFiles(const std::string& truthPath, const std::string& estimatePath,
                       const std::optional<std::string>& occlusionPath, Read read, Score score)
{
    const auto truth = read(truthPath);
    const auto estimate = read(estimatePath);
    CheckSize(estimatePath, estimate.width, estimate.height, truth.width, truth.height);
    std::vector<std::uint8_t> occlusion;
    if (occlusionPath)
        occlusion = ReadOcclusionFile(*occlusionPath, truth.width, truth.height);
    FrameScore frameScore = score(truth, occlusion, estimate);
    return {std::move(frameScore), std::move(occlusion), truth.width, truth.height};
}

std::string MissingError(const std::string& firstMissing, std::size_t missing, std::size_t total)
{
    if (missing == total)
        return firstMissing + ": missing (no frame of " + std::to_string(total) + " has an estimate)";
    return firstMissing + ": missing (" + std::to_string(missing) + " of " + std::to_string(total)
        + " frames have no estimate; --allow-missing scores the others)";
}

void WriteReports(const Options& options, const std::string& csv, const std::string& json)
{
    if (!options.csv.empty())
        WriteWholeFile(options.csv, csv);
    if (!options.json.empty())
        WriteWholeFile(options.json, json);
}

int ScorePixels(const Options& options, const PixelKind& kind)
{
    const bool right = options.camera == "right";
    const TruthFiles& files = TruthFilesOf(kind);
    std::vector<std::string> truthPaths;
    while (auto path = FirstExisting(options.truth, files.stem, right, static_cast<int>(truthPaths.size()),
                                     files.extensions))
        truthPaths.push_back(*path);
    if (truthPaths.empty())
        throw UserError(InFolder(options.truth, FrameFileName(files.stem, right, 0, files.extensions[0]))
                        + ": no " + std::string(kind.name) + " truth for the " + options.camera + " camera");

    // Every estimate is looked for before any is read, so a missing frame
    // fails at once.
    PixelRunScore run{&kind, options.camera, {}, {}, {}};
    std::vector<std::string> estimatePaths;
    std::string firstMissing;
    for (int frame = 0; frame < static_cast<int>(truthPaths.size()); ++frame) {
        const std::optional<std::string> path = options.pattern.empty()
            ? FirstExisting(options.estimate, files.stem, right, frame, files.extensions)
            : std::optional(InFolder(options.estimate, FramePatternName(options.pattern, frame)));
        if (!path || !std::filesystem::exists(*path)) {
            if (firstMissing.empty())
                firstMissing = path ? *path
                                    : InFolder(options.estimate,
                                               FrameFileName(files.stem, right, frame, files.extensions[0]));
            run.missing.push_back(frame);
            continue;
        }
        run.frames.push_back(frame);
        estimatePaths.push_back(*path);
    }
    if (run.frames.empty() || (!run.missing.empty() && !options.allowMissing))
        throw UserError(MissingError(firstMissing, run.missing.size(), truthPaths.size()));
    const auto errorImagePath = [&](int frame) {
        return InFolder(options.errorImages, FrameFileName(std::string(files.stem) + "_err", right, frame, ".png"));
    };
    if (!options.errorImages.empty())
        PrepareOutputFolder(options.errorImages, errorImagePath(run.frames.front()));

    for (std::size_t k = 0; k < run.frames.size(); ++k) {
        const int frame = run.frames[k];
        const std::string& truthPath = truthPaths[static_cast<std::size_t>(frame)];
        const std::string& estimatePath = estimatePaths[k];
        const std::optional<std::string> occlusionPath = FirstExisting(options.truth, "occ", right, frame, {".png"});
        const ScoredFrame scored = &kind == &FlowKind()
            ? ScoreFiles(truthPath, estimatePath, occlusionPath, ReadFlowFile, ScoreFlow)
            : ScoreFiles(truthPath, estimatePath, occlusionPath, ReadDisparityFile, ScoreDisparity);
        run.tallies.push_back(scored.score.tallies);
        if (!options.errorImages.empty()) {
            const RgbImage image = ErrorImage(scored.score, scored.occlusion, scored.width, scored.height);
            WriteWholeFile(errorImagePath(frame), EncodePng(image.bytes(), scored.width, scored.height, 3));
        }
    }
    if (!run.missing.empty())
        std::cerr << "tavrik-cli: warning: " << run.missing.size() << " of " << truthPaths.size()
                  << " frames have no estimate, the first " << firstMissing << '\n';
    WriteReports(options, PixelScoreCsv(run), PixelScoreJson(run));
    std::cout << PixelScoreTable(run);
    return exitOk;
}

std::string ReadText(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path, std::size_t{1} << 28, path + ": larger than 256 MiB");
    return std::string(bytes.begin(), bytes.end());
}

// The baseline of the "baseline=B" line of the sequence's calib.txt.
double TruthBaseline(const std::string& sequence)
{
    const std::string path = InFolder(sequence, "calib.txt");
    std::istringstream lines(ReadText(path));
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("baseline=")) {
            double baseline = 0.0;
            const char* lineEnd = line.data() + line.size();
            const auto [end, error] = std::from_chars(line.data() + 9, lineEnd, baseline);
            if (error == std::errc() && end == lineEnd && std::isfinite(baseline))
                return baseline;
        }
    throw UserError(path + ": no line baseline=B");
}

int ScorePoses(const Options& options)
{
    const std::string truthPath = InFolder(options.truth, "poses.txt");
    const std::vector<std::optional<CameraPose>> truthEntries = ParseTrajectory(ReadText(truthPath), truthPath);
    std::vector<CameraPose> truth;
    for (const auto& pose : truthEntries) {
        if (!pose)
            throw UserError(truthPath + ": frame " + std::to_string(truth.size()) + " has no pose");
        truth.push_back(*pose);
    }
    if (truth.empty())
        throw UserError(truthPath + ": no poses");
    if (options.camera == "right")
        truth = RightCameraPoses(truth, TruthBaseline(options.truth));

    std::string estimatePath = options.estimate;
    if (std::filesystem::is_directory(estimatePath)) {
        estimatePath = InFolder(options.estimate, options.pattern.empty() ? "poses.txt" : options.pattern);
        if (options.pattern.empty() && !std::filesystem::exists(estimatePath))
            estimatePath = InFolder(options.estimate, "poses_tum.txt");
    }
    std::vector<std::optional<CameraPose>> estimate = ParseTrajectory(ReadText(estimatePath), estimatePath);
    if (estimate.size() > truth.size())
        throw UserError(estimatePath + ": a pose for frame " + std::to_string(estimate.size() - 1) + ", the truth has "
                        + std::to_string(truth.size()) + " frames");
    estimate.resize(truth.size());
    std::vector<int> missing;
    for (std::size_t i = 0; i < estimate.size(); ++i)
        if (!estimate[i])
            missing.push_back(static_cast<int>(i));
    if (missing.size() == truth.size() || (!missing.empty() && !options.allowMissing))
        throw UserError(estimatePath + ": no pose for frame " + std::to_string(missing.front()) + " ("
                        + std::to_string(missing.size()) + " of " + std::to_string(truth.size())
                        + " frames have none; --allow-missing scores the others)");
    if (!missing.empty())
        std::cerr << "tavrik-cli: warning: " << missing.size() << " of " << truth.size()
                  << " frames have no pose in " << estimatePath << '\n';
    const TrajectoryScore score = ScoreTrajectory(truth, estimate, options.scale);
    WriteReports(options, TrajectoryCsv(score), TrajectoryJson(score, missing, options.scale));
    std::cout << TrajectoryTable(score, missing, options.scale);
    return exitOk;
}

} // namespace

Command AddScoreCommand(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(
        "score", "Score a stereo, optical-flow or ego-motion estimate against the ground truth of a sequence folder");
    sub->footer(
        "Disparity and flow are scored over the pixels whose truth is valid (region all), and, where the folder has "
        "occlusion masks, over those seen by both cameras (noc, mask 255) and those hidden from the other camera "
        "(occ, mask 128). An estimate pixel that is empty (+INF in PFM, 0 in a disparity PNG, unknown flow) counts "
        "as the estimate 0: it lowers the density and its error is the truth's magnitude. "
        "bad-T / out-T: share of pixels with an error above T pixels; d1 / fl: error above 3 pixels and above 5 % "
        "of the truth's magnitude. Summaries give the measures over every scored pixel and the mean over frames. "
        "Poses: the truth is poses.txt (the left camera; with --camera right moved by the baseline of calib.txt); the estimate is KITTI (12 numbers a line) or TUM "
        "(stamp = frame index, tx ty tz qx qy qz qw); ATE is the RMSE of the camera centres after the least-squares "
        "rigid (--scale: similarity) alignment, RPE the error of each motion between consecutive frames.");
    auto options = std::make_shared<Options>();
    sub->add_option("--truth", options->truth, "Sequence folder written by render (with --formats)")->required();
    sub->add_option("--estimate", options->estimate,
                    "Folder of the estimate's files (or, for poses, a trajectory file)")
        ->required();
    sub->add_option("--kind", options->kind, "What is scored: disparity, flow or poses")
        ->check(CLI::IsMember({"disparity", "flow", "poses"}))
        ->capture_default_str();
    sub->add_option("--camera", options->camera, "Camera whose disparity, flow or trajectory is scored: left or right")
        ->check(CLI::IsMember({"left", "right"}))
        ->capture_default_str();
    sub->add_option("--pattern", options->pattern,
                    "Estimate file names, {frame} or {frame:0Nd} for the frame index (such as {frame:06d}_10.png); "
                    "default: the truth's names (ldisp_0000.pfm or .png, lflow_0000.flo or .png, poses.txt or "
                    "poses_tum.txt)");
    sub->add_option("--csv", options->csv, "Write the per-frame table to this CSV file");
    sub->add_option("--json", options->json, "Write the summary to this JSON file");
    sub->add_option("--error-images", options->errorImages,
                    "Write a colour error map per frame (ldisp_err_0000.png ...) into this folder");
    sub->add_flag("--allow-missing", options->allowMissing,
                  "Score the frames that have an estimate and say how many had none (else a missing frame fails)");
    sub->add_flag("--scale", options->scale, "Poses: align with a similarity (scale too), for monocular methods");

    const auto run = [options]() -> int {
        if (options->kind == "poses")
            return ScorePoses(*options);
        return ScorePixels(*options, options->kind == "flow" ? FlowKind() : DisparityKind());
    };
    return {sub, run};
}

} // namespace tavrik::cli
