#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// The single-channel PFM file of a float image given top row first: the
// header "Pf\n<width> <height>\n-1.0\n" (a negative scale marks
// little-endian data), then width·height IEEE float32 values, little-endian,
// rows from the bottom of the image to its top, each row left to right.
std::vector<std::uint8_t> EncodePfm(std::span<const float> topRowFirst, int width, int height);

// A float image, width·height values, top row first.
struct FloatImage {
    int width = 0;
    int height = 0;
    std::vector<float> values;
};

// The image of a single-channel PFM file: "Pf", width, height and scale
// separated by white space, one white-space byte, then the float32 values
// bottom row first, little-endian when the scale is negative, big-endian
// otherwise. Throws UserError "<fileName>: not a PFM file: <reason>" for a
// colour PFM, a bad header or too few values.
FloatImage DecodePfm(std::span<const std::uint8_t> file, const std::string& fileName);

} // namespace tavrik
