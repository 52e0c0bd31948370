#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tavrik {

// What separates the two per-pixel kinds of estimate: their error
// thresholds and the names their measures are reported under.
struct PixelKind {
    std::string_view name;            // "disparity", "flow"
    std::string_view thresholdPrefix; // "bad" (bad-0.5 …), "out" (out-1 …)
    std::string_view outlierName;     // "d1", "fl"
    std::vector<double> thresholds;   // pixels; the share of errors above each is reported
};

const PixelKind& DisparityKind(); // bad-0.5, bad-1, bad-2, bad-3, bad-4 and d1
const PixelKind& FlowKind();      // out-1, out-3, out-5 and fl

// The regions a frame is scored over: every pixel whose truth is valid, and
// of those the ones the occlusion mask marks as seen by both cameras (255)
// or as hidden from the other camera (128).
enum class Region { all, nonOccluded, occluded };
inline constexpr std::array<Region, 3> regions{Region::all, Region::nonOccluded, Region::occluded};
std::string_view RegionName(Region region); // "all", "noc", "occ"

// Sums over the truth-valid pixels of one region. Tallies of several frames
// add up to the tally of all their pixels. A pixel the estimate leaves empty
// is scored as the estimate 0 (disparity 0, flow (0, 0)), so its error is
// the magnitude of the truth; it lowers the density.
struct ErrorTally {
    std::int64_t pixels = 0;
    std::int64_t estimated = 0;
    double errorSum = 0.0;        // Σ e, pixels
    double squaredErrorSum = 0.0; // Σ e²
    std::array<std::int64_t, 5> above{}; // e > thresholds[k]
    std::int64_t outliers = 0;    // e > 3 pixels and e > 5 % of the truth's magnitude

    // `error` e is the absolute disparity difference or the end-point error.
    void add(const PixelKind& kind, double error, double truthMagnitude, bool estimated);
    ErrorTally& operator+=(const ErrorTally& other);
};

// One frame scored: a tally per region (indexed by Region) and, per pixel
// top row first, the error and the truth's magnitude (NaN where the truth is
// invalid), which the error image shows.
struct FrameScore {
    std::array<ErrorTally, 3> tallies{};
    std::vector<float> error;
    std::vector<float> truthMagnitude;

    explicit FrameScore(std::size_t pixelCount);
    // Scores pixel `index` with the occlusion mask's value there (255 seen by
    // both cameras, 128 hidden from the other one, anything else: only in
    // "all").
    void add(const PixelKind& kind, std::size_t index, double error, double truthMagnitude, bool estimated,
             std::uint8_t occlusion);
};

// The measures of a tally; all but the error means are percentages of the
// region's pixels. Nothing for a region without pixels.
struct ErrorMeasures {
    double meanError = 0.0; // end-point error, pixels
    double rmsError = 0.0;  // pixels
    std::vector<double> abovePercent; // one per threshold of the kind
    double outlierPercent = 0.0;
    double densityPercent = 0.0;
};
std::optional<ErrorMeasures> Measures(const PixelKind& kind, const ErrorTally& tally);

// The mean of each measure over the frames that have pixels in the region,
// or nothing when none has.
std::optional<ErrorMeasures> MeanOverFrames(std::span<const ErrorMeasures> frames);

} // namespace tavrik
