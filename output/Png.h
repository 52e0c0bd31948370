#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// PNG file images of `width` × `height` pixels given top row first, each
// pixel `channels` samples (1: grey, 3: red, green, blue), without
// interlacing, Sub-filtered and deflated into one IDAT chunk. 16-bit
// samples are stored big-endian in the file as PNG prescribes; readers get
// the values back unchanged.
std::vector<std::uint8_t> EncodePng(std::span<const std::uint8_t> samples, int width, int height, int channels);
std::vector<std::uint8_t> EncodePng(std::span<const std::uint16_t> samples, int width, int height, int channels);
// The same from 16-bit samples already in the file's byte order, two bytes
// each (PutPngSample16), as a writer that makes them straight from its
// values has them.
std::vector<std::uint8_t> EncodePngBigEndian16(std::span<const std::uint8_t> bigEndianSamples, int width, int height,
                                               int channels);

// Stores a 16-bit sample as a PNG file holds it: big-endian at `out`.
inline void PutPngSample16(std::uint8_t* out, std::uint16_t sample)
{
    // One plain store of the swapped bytes on a little-endian machine, which
    // a loop over a row's samples can make in vector instructions.
    if constexpr (std::endian::native == std::endian::little) {
        const auto swapped = static_cast<std::uint16_t>(sample >> 8 | sample << 8);
        std::memcpy(out, &swapped, sizeof swapped);
    } else {
        std::memcpy(out, &sample, sizeof sample);
    }
}

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
