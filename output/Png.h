#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// PNG file images of `width` × `height` pixels given top row first, each
// pixel `channels` samples (1: grey, 3: red, green, blue), without
// interlacing, written by libpng. 16-bit samples are stored big-endian in
// the file as PNG prescribes; readers get the values back unchanged.
std::vector<std::uint8_t> EncodePng(std::span<const std::uint8_t> samples, int width, int height, int channels);
std::vector<std::uint8_t> EncodePng(std::span<const std::uint16_t> samples, int width, int height, int channels);

// The samples of a PNG file, top row first, `channels` per pixel (1: grey,
// 3: red, green, blue), each the value stored in the file at its bit depth
// (8 or 16): 0…255 or 0…65535.
struct PngImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    int bitDepth = 0;
    std::vector<std::uint16_t> samples;
};

// Reads a PNG file of any colour type: palette images become RGB, grey of
// fewer than 8 bits becomes 8-bit, an alpha channel is dropped. Throws
// UserError "<fileName>: not a PNG file: <reason>" when libpng refuses it.
PngImage DecodePng(std::span<const std::uint8_t> file, const std::string& fileName);

} // namespace tavrik
