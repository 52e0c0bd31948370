#pragma once

#include "output/Image.h"
#include "score/ErrorTally.h"

#include <cstdint>
#include <span>

namespace tavrik {

// The colour of a pixel's error on a log scale of the error measured
// against the outlier bound: n = min(e / 3 px, e / (5 % of the truth's
// magnitude)), so n > 1 exactly where the pixel is an outlier. Ten bins
// whose bounds double, n ≤ 1/16, ≤ 1/8, …, ≤ 16 and beyond, run from dark
// blue through pale blue (n up to 1) to pale yellow (just above) and dark
// red.
Rgb ErrorColour(double error, double truthMagnitude);

// The error image of a scored frame, top row first: ErrorColour where the
// truth is valid, at half brightness where `occlusion` (empty or the
// frame's occlusion mask) marks the pixel hidden from the other camera
// (128), black where the truth is invalid.
RgbImage ErrorImage(const FrameScore& score, std::span<const std::uint8_t> occlusion, int width, int height);

} // namespace tavrik
