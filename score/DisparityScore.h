#pragma once

#include "output/Pfm.h"
#include "score/ErrorTally.h"

#include <cstdint>
#include <span>

namespace tavrik {

// Scores a disparity estimate against the truth of the same size (pixels,
// top row first; a non-finite value is an invalid truth or an empty
// estimate pixel). `occlusion` is the truth's occlusion mask, or empty when
// the sequence has none (then only the region "all" gets pixels). The
// error of a pixel is |d − d*|, with d = 0 where the estimate is empty.
FrameScore ScoreDisparity(const FloatImage& truth, std::span<const std::uint8_t> occlusion,
                          const FloatImage& estimate);

} // namespace tavrik
