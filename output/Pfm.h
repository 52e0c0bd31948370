#pragma once

#include "base/LittleEndian.h"

#include <bit>
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

// Sizes `file` for a PFM file of width × height pixels of `channels` values
// each (1 or 3) and writes its header: "Pf" for one channel, "PF" for three,
// then "\n<width> <height>\n-1.0\n". Returns where the values go. A run
// reuses such a buffer from frame to frame.
std::uint8_t* StartPfmFile(std::vector<std::uint8_t>& file, int width, int height, int channels);

// Stores `value` as a PFM file holds it: little-endian float32 at `out`.
inline void PutPfmValue(std::uint8_t* out, float value)
{
    PutLittleEndianFloat(out, value);
}

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
