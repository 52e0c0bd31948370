#pragma once

#include "output/CameraText.h"
#include "output/Flow.h"
#include "output/Pfm.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// Readers of the files a stereo, flow or odometry method hands in, and of
// the truth Tavrik wrote in the same forms. Every error is a UserError
// naming the file.

// Disparity in pixels, top row first, +INF where the file holds none: a
// ".pfm" file (any non-finite value but NaN is empty) or a 16-bit grey
// ".png" (the value / 256; 0 is empty). NaN is refused.
FloatImage ReadDisparityFile(const std::string& path);

// Flow of a ".flo" file or a 16-bit RGB flow ".png". NaN is refused.
FlowField ReadFlowFile(const std::string& path);

// The samples of an 8-bit grey occlusion mask ".png", top row first, which
// must be `width` × `height` pixels.
std::vector<std::uint8_t> ReadOcclusionFile(const std::string& path, int width, int height);

// The text of a trajectory, one pose per line; empty lines and lines
// starting with '#' are skipped. A line of 12 numbers is a row-major 3 × 4
// [R | t], the n-th such line frame n; a line of 8 numbers is
// "stamp tx ty tz qx qy qz qw" whose stamp is the frame index (a whole
// number, as Tavrik's own TUM file has). A pose [R | t] takes a point from
// the camera to the first frame's camera. Entry n is frame n's pose, empty
// where the text has none; a frame given twice, a negative or fractional
// stamp, or any other line is refused naming the file and line.
std::vector<std::optional<CameraPose>> ParseTrajectory(std::string_view text, const std::string& fileName);

// A file name of `pattern` for a frame: "{frame}" becomes the index,
// "{frame:0Nd}" the index padded with zeros to N digits. Throws UserError
// for any other brace in the pattern.
std::string FramePatternName(std::string_view pattern, int frameIndex);

} // namespace tavrik
