#include "score/ErrorTally.h"

#include "base/Check.h"

#include <cmath>

namespace tavrik {

const PixelKind& DisparityKind()
{
    static const PixelKind kind{"disparity", "bad", "d1", {0.5, 1.0, 2.0, 3.0, 4.0}};
    return kind;
}

const PixelKind& FlowKind()
{
    static const PixelKind kind{"flow", "out", "fl", {1.0, 3.0, 5.0}};
    return kind;
}

std::string_view RegionName(Region region)
{
    switch (region) {
    case Region::all:
        return "all";
    case Region::nonOccluded:
        return "noc";
    case Region::occluded:
        return "occ";
    }
    TAVRIK_CHECK(false);
}

void ErrorTally::add(const PixelKind& kind, double error, double truthMagnitude, bool isEstimated)
{
    TAVRIK_CHECK_LE(kind.thresholds.size(), above.size());
    ++pixels;
    estimated += isEstimated ? 1 : 0;
    errorSum += error;
    squaredErrorSum += error * error;
    for (std::size_t k = 0; k < kind.thresholds.size(); ++k)
        above[k] += error > kind.thresholds[k] ? 1 : 0;
    outliers += error > 3.0 && error > 0.05 * truthMagnitude ? 1 : 0;
}

ErrorTally& ErrorTally::operator+=(const ErrorTally& other)
{
    pixels += other.pixels;
    estimated += other.estimated;
    errorSum += other.errorSum;
    squaredErrorSum += other.squaredErrorSum;
    for (std::size_t k = 0; k < above.size(); ++k)
        above[k] += other.above[k];
    outliers += other.outliers;
    return *this;
}

FrameScore::FrameScore(std::size_t pixelCount)
    : error(pixelCount, std::nanf("")), truthMagnitude(pixelCount, std::nanf(""))
{
}

void FrameScore::add(const PixelKind& kind, std::size_t index, double pixelError, double magnitude, bool estimated,
                     std::uint8_t occlusion)
{
    error[index] = static_cast<float>(pixelError);
    truthMagnitude[index] = static_cast<float>(magnitude);
    tallies[static_cast<std::size_t>(Region::all)].add(kind, pixelError, magnitude, estimated);
    if (occlusion == 255)
        tallies[static_cast<std::size_t>(Region::nonOccluded)].add(kind, pixelError, magnitude, estimated);
    else if (occlusion == 128)
        tallies[static_cast<std::size_t>(Region::occluded)].add(kind, pixelError, magnitude, estimated);
}

std::optional<ErrorMeasures> Measures(const PixelKind& kind, const ErrorTally& tally)
{
    if (tally.pixels == 0)
        return std::nullopt;
    const double n = static_cast<double>(tally.pixels);
    ErrorMeasures measures;
    measures.meanError = tally.errorSum / n;
    measures.rmsError = std::sqrt(tally.squaredErrorSum / n);
    for (std::size_t k = 0; k < kind.thresholds.size(); ++k)
        measures.abovePercent.push_back(100.0 * static_cast<double>(tally.above[k]) / n);
    measures.outlierPercent = 100.0 * static_cast<double>(tally.outliers) / n;
    measures.densityPercent = 100.0 * static_cast<double>(tally.estimated) / n;
    return measures;
}

std::optional<ErrorMeasures> MeanOverFrames(std::span<const ErrorMeasures> frames)
{
    if (frames.empty())
        return std::nullopt;
    ErrorMeasures mean;
    mean.abovePercent.assign(frames.front().abovePercent.size(), 0.0);
    for (const ErrorMeasures& frame : frames) {
        mean.meanError += frame.meanError;
        mean.rmsError += frame.rmsError;
        for (std::size_t k = 0; k < mean.abovePercent.size(); ++k)
            mean.abovePercent[k] += frame.abovePercent[k];
        mean.outlierPercent += frame.outlierPercent;
        mean.densityPercent += frame.densityPercent;
    }
    const double n = static_cast<double>(frames.size());
    mean.meanError /= n;
    mean.rmsError /= n;
    for (double& share : mean.abovePercent)
        share /= n;
    mean.outlierPercent /= n;
    mean.densityPercent /= n;
    return mean;
}

} // namespace tavrik
