#pragma once

#include "video/AudioFormat.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tavrik {

// A whole WAV file image read at the fixed offsets of the canonical 44-byte
// header, little-endian; chunk identifiers are not looked at:
//   20 format tag u16, 22 channels u16, 24 samples per second u32,
//   28 average bytes per second u32, 32 block alignment u16,
//   34 bits per sample u16, 40 data size u32, 44 the data.
struct WavImage {
    AudioFormat format;                // extra size 0
    std::span<const std::uint8_t> data; // data-size bytes from offset 44
};

inline constexpr std::size_t kWavHeaderBytes = 44;

// Reads `image`, which must outlive the result. nullopt when it is not a
// usable source: shorter than the header, declaring more data than follows
// it, or a format no stream can carry (no channels, no samples per second,
// block alignment 0, or block alignment x samples per second beyond 32 bits).
std::optional<WavImage> ParseWavImage(std::span<const std::uint8_t> image);

} // namespace tavrik
