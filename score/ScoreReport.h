#pragma once

#include "score/ErrorTally.h"
#include "score/Trajectory.h"

#include <array>
#include <string>
#include <vector>

namespace tavrik {

// A disparity or flow run: the tallies of every scored frame and the frames
// of the truth that had no estimate.
struct PixelRunScore {
    const PixelKind* kind = nullptr;
    std::string camera; // "left", "right"
    std::vector<int> frames;
    std::vector<std::array<ErrorTally, 3>> tallies; // per scored frame, indexed by Region
    std::vector<int> missing;
};

// The per-frame table: "frame,region,pixels,density,epe,rms,<thresholds>,
// <outlier>", one line per scored frame and region with pixels; shares in
// percent, errors in pixels, numbers in their shortest exact form.
std::string PixelScoreCsv(const PixelRunScore& run);

// The summary as JSON: the kind, the camera, the frame counts and the
// missing frames, then "over_pixels" (the measures of every scored pixel
// taken together), "over_frames" (the mean of each frame's measures), both
// per region (null for a region without pixels), and the rule for empty
// estimate pixels.
std::string PixelScoreJson(const PixelRunScore& run);

// The summary for a reader: both means per region, three decimals.
std::string PixelScoreTable(const PixelRunScore& run);

// A trajectory run: per frame "frame,position_error,rpe_translation,
// rpe_rotation_deg" (empty fields where a frame has no value).
std::string TrajectoryCsv(const TrajectoryScore& score);
// The summary: frame counts, the missing frames, the alignment's scale, the
// absolute trajectory error (RMSE, mean and largest position error) and
// the relative pose error (RMSE and mean of translation and rotation).
std::string TrajectoryJson(const TrajectoryScore& score, const std::vector<int>& missing, bool withScale);
std::string TrajectoryTable(const TrajectoryScore& score, const std::vector<int>& missing, bool withScale);

} // namespace tavrik
