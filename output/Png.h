#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavrik {

// PNG file images of `width` × `height` pixels given top row first, each
// pixel `channels` samples (1: grey, 3: red, green, blue), without
// interlacing, written by libpng. 16-bit samples are stored big-endian in
// the file as PNG prescribes; readers get the values back unchanged.
std::vector<std::uint8_t> EncodePng(std::span<const std::uint8_t> samples, int width, int height, int channels);
std::vector<std::uint8_t> EncodePng(std::span<const std::uint16_t> samples, int width, int height, int channels);

} // namespace tavrik
