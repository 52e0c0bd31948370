#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavrik {

// The single-channel PFM file of a float image given top row first: the
// header "Pf\n<width> <height>\n-1.0\n" (a negative scale marks
// little-endian data), then width·height IEEE float32 values, little-endian,
// rows from the bottom of the image to its top, each row left to right.
std::vector<std::uint8_t> EncodePfm(std::span<const float> topRowFirst, int width, int height);

} // namespace tavrik
