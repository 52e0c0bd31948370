#include "score/ScoreReport.h"

#include "base/Check.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tavrik {

namespace {

using Json = nlohmann::ordered_json;

std::string Shortest(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string Fixed(double value, int decimals = 3)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string ThresholdName(const PixelKind& kind, double threshold)
{
    return std::string(kind.thresholdPrefix) + "-" + Shortest(threshold);
}

// The measure names of a kind in their report order, shares in percent.
std::vector<std::string> MeasureNames(const PixelKind& kind)
{
    std::vector<std::string> names{"density", "epe", "rms"};
    for (const double threshold : kind.thresholds)
        names.push_back(ThresholdName(kind, threshold));
    names.emplace_back(kind.outlierName);
    return names;
}

std::vector<double> MeasureValues(const ErrorMeasures& m)
{
    std::vector<double> values{m.densityPercent, m.meanError, m.rmsError};
    values.insert(values.end(), m.abovePercent.begin(), m.abovePercent.end());
    values.push_back(m.outlierPercent);
    return values;
}

struct RegionSummary {
    std::int64_t pixels = 0;
    int frames = 0; // frames with pixels in the region
    std::optional<ErrorMeasures> overPixels;
    std::optional<ErrorMeasures> overFrames;
};

std::array<RegionSummary, 3> Summaries(const PixelRunScore& run)
{
    std::array<RegionSummary, 3> out;
    for (const Region region : regions) {
        const auto r = static_cast<std::size_t>(region);
        ErrorTally total;
        std::vector<ErrorMeasures> perFrame;
        for (const auto& frame : run.tallies) {
            total += frame[r];
            if (auto m = Measures(*run.kind, frame[r]))
                perFrame.push_back(*m);
        }
        out[r] = {total.pixels, static_cast<int>(perFrame.size()), Measures(*run.kind, total), MeanOverFrames(perFrame)};
    }
    return out;
}

Json MeasuresJson(const PixelKind& kind, const std::optional<ErrorMeasures>& measures)
{
    if (!measures)
        return nullptr;
    Json json = Json::object();
    const std::vector<std::string> names = MeasureNames(kind);
    const std::vector<double> values = MeasureValues(*measures);
    for (std::size_t k = 0; k < names.size(); ++k)
        json[names[k]] = values[k];
    return json;
}

Json NumberOrNull(double value) { return std::isnan(value) ? Json(nullptr) : Json(value); }

struct TrajectorySummary {
    int frames = 0;
    double ateMean = 0.0, ateMax = 0.0;
    int steps = 0;
    double translationRmse = 0.0, translationMean = 0.0, rotationRmse = 0.0, rotationMean = 0.0;
};

TrajectorySummary Summarise(const TrajectoryScore& score)
{
    TrajectorySummary s;
    for (std::size_t i = 0; i < score.positionError.size(); ++i) {
        if (!std::isnan(score.positionError[i])) {
            ++s.frames;
            s.ateMean += score.positionError[i];
            s.ateMax = std::fmax(s.ateMax, score.positionError[i]);
        }
        if (!std::isnan(score.relativeTranslation[i])) {
            ++s.steps;
            s.translationMean += score.relativeTranslation[i];
            s.translationRmse += score.relativeTranslation[i] * score.relativeTranslation[i];
            s.rotationMean += score.relativeRotationDegrees[i];
            s.rotationRmse += score.relativeRotationDegrees[i] * score.relativeRotationDegrees[i];
        }
    }
    TAVRIK_CHECK(s.frames > 0);
    s.ateMean /= s.frames;
    if (s.steps == 0) {
        s.translationRmse = s.translationMean = s.rotationRmse = s.rotationMean = std::nan("");
        return s;
    }
    s.translationMean /= s.steps;
    s.rotationMean /= s.steps;
    s.translationRmse = std::sqrt(s.translationRmse / s.steps);
    s.rotationRmse = std::sqrt(s.rotationRmse / s.steps);
    return s;
}

std::string MissingText(const std::vector<int>& missing, std::size_t total)
{
    if (missing.empty())
        return {};
    std::string text = "missing: " + std::to_string(missing.size()) + " of " + std::to_string(total)
        + " frames had no estimate (frames";
    for (std::size_t k = 0; k < missing.size() && k < 10; ++k)
        text += " " + std::to_string(missing[k]);
    return text + (missing.size() > 10 ? " …)\n" : ")\n");
}

} // namespace

std::string PixelScoreCsv(const PixelRunScore& run)
{
    std::string text = "frame,region,pixels";
    for (const std::string& name : MeasureNames(*run.kind))
        text += "," + name;
    text += "\n";
    for (std::size_t f = 0; f < run.frames.size(); ++f)
        for (const Region region : regions) {
            const ErrorTally& tally = run.tallies[f][static_cast<std::size_t>(region)];
            const auto measures = Measures(*run.kind, tally);
            if (!measures)
                continue;
            text += std::to_string(run.frames[f]) + "," + std::string(RegionName(region)) + ","
                + std::to_string(tally.pixels);
            for (const double value : MeasureValues(*measures))
                text += "," + Shortest(value);
            text += "\n";
        }
    return text;
}

std::string PixelScoreJson(const PixelRunScore& run)
{
    const auto summaries = Summaries(run);
    Json overPixels = Json::object();
    Json overFrames = Json::object();
    Json pixels = Json::object();
    for (const Region region : regions) {
        const RegionSummary& s = summaries[static_cast<std::size_t>(region)];
        const std::string name(RegionName(region));
        pixels[name] = s.pixels;
        overPixels[name] = MeasuresJson(*run.kind, s.overPixels);
        overFrames[name] = MeasuresJson(*run.kind, s.overFrames);
    }
    const Json json = {
        {"kind", run.kind->name},
        {"camera", run.camera},
        {"frames", run.frames.size() + run.missing.size()},
        {"scored_frames", run.frames.size()},
        {"missing_frames", run.missing},
        {"units", "epe and rms in pixels, every other measure in percent of the region's truth-valid pixels"},
        {"empty_estimate_pixels", "scored as 0, their error the truth's magnitude; they lower the density"},
        {"pixels", pixels},
        {"over_pixels", overPixels},
        {"over_frames", overFrames},
    };
    return json.dump(2) + "\n";
}

std::string PixelScoreTable(const PixelRunScore& run)
{
    const auto summaries = Summaries(run);
    std::string text = std::string(run.kind->name) + ", " + run.camera + " camera: "
        + std::to_string(run.frames.size()) + " frames scored\n"
        + MissingText(run.missing, run.frames.size() + run.missing.size());
    const std::vector<std::string> names = MeasureNames(*run.kind);
    // The first column left-aligned in 18 characters, the others right-aligned in 9.
    const auto row = [](const std::vector<std::string>& cells) {
        std::string line = cells.front() + std::string(cells.front().size() < 18 ? 18 - cells.front().size() : 1, ' ');
        for (std::size_t k = 1; k < cells.size(); ++k)
            line += std::string(cells[k].size() < 9 ? 9 - cells[k].size() : 1, ' ') + cells[k];
        return line + "\n";
    };
    std::vector<std::string> header{"region"};
    header.insert(header.end(), names.begin(), names.end());
    text += row(header);
    for (const bool perPixel : {true, false})
        for (const Region region : regions) {
            const RegionSummary& s = summaries[static_cast<std::size_t>(region)];
            std::vector<std::string> cells{std::string(RegionName(region)) + (perPixel ? " pixels" : " frames")};
            const auto& measures = perPixel ? s.overPixels : s.overFrames;
            if (!measures)
                cells.resize(names.size() + 1, "-");
            else
                for (const double value : MeasureValues(*measures))
                    cells.push_back(Fixed(value));
            text += row(cells);
        }
    return text + "\"pixels\" rows: over every scored pixel; \"frames\" rows: the mean of the frames' values. "
                  "epe, rms in pixels; the rest in %.\n";
}

std::string TrajectoryCsv(const TrajectoryScore& score)
{
    std::string text = "frame,position_error,rpe_translation,rpe_rotation_deg\n";
    const auto field = [](double value) { return std::isnan(value) ? std::string() : Shortest(value); };
    for (std::size_t i = 0; i < score.positionError.size(); ++i)
        text += std::to_string(i) + "," + field(score.positionError[i]) + "," + field(score.relativeTranslation[i])
            + "," + field(score.relativeRotationDegrees[i]) + "\n";
    return text;
}

std::string TrajectoryJson(const TrajectoryScore& score, const std::vector<int>& missing, bool withScale)
{
    const TrajectorySummary s = Summarise(score);
    const Json json = {
        {"kind", "poses"},
        {"frames", score.positionError.size()},
        {"scored_frames", s.frames},
        {"missing_frames", missing},
        {"alignment", withScale ? "sim3" : "se3"},
        {"scale", score.alignment.scale},
        {"ate_rmse", score.absoluteError},
        {"ate_mean", s.ateMean},
        {"ate_max", s.ateMax},
        {"rpe_pairs", s.steps},
        {"rpe_translation_rmse", NumberOrNull(s.translationRmse)},
        {"rpe_translation_mean", NumberOrNull(s.translationMean)},
        {"rpe_rotation_rmse_deg", NumberOrNull(s.rotationRmse)},
        {"rpe_rotation_mean_deg", NumberOrNull(s.rotationMean)},
        {"units", "scene units and degrees; relative errors between consecutive frames"},
    };
    return json.dump(2) + "\n";
}

std::string TrajectoryTable(const TrajectoryScore& score, const std::vector<int>& missing, bool withScale)
{
    const TrajectorySummary s = Summarise(score);
    std::string text = "poses: " + std::to_string(s.frames) + " frames scored, "
        + (withScale ? "Sim(3) alignment, scale " + Fixed(score.alignment.scale, 6) : std::string("SE(3) alignment"))
        + "\n" + MissingText(missing, score.positionError.size());
    text += "ATE (RMSE)             " + Fixed(score.absoluteError, 6) + " scene units (mean " + Fixed(s.ateMean, 6)
        + ", max " + Fixed(s.ateMax, 6) + ")\n";
    if (s.steps > 0) {
        text += "RPE translation (RMSE) " + Fixed(s.translationRmse, 6) + " scene units (mean "
            + Fixed(s.translationMean, 6) + ") over " + std::to_string(s.steps) + " frame pairs\n";
        text += "RPE rotation (RMSE)    " + Fixed(s.rotationRmse, 6) + " degrees (mean " + Fixed(s.rotationMean, 6)
            + ")\n";
    }
    return text;
}

} // namespace tavrik
