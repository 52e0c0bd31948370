#pragma once

#include "output/Flow.h"
#include "score/ErrorTally.h"

#include <cstdint>
#include <span>

namespace tavrik {

// Scores a flow estimate against the truth of the same size, over the
// pixels whose true flow is known. `occlusion` is the truth's occlusion mask
// of the frame the flow starts from, or empty. The error of a pixel is the
// end-point error |(u, v) − (u*, v*)|, with (u, v) = (0, 0) where the
// estimate is unknown; the truth's magnitude |(u*, v*)| decides the Fl
// outliers.
FrameScore ScoreFlow(const FlowField& truth, std::span<const std::uint8_t> occlusion, const FlowField& estimate);

} // namespace tavrik
