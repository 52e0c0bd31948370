#pragma once

#include "video/AudioFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tavrik {

// The samples of a WAV file image and their format.
struct WavImage {
    AudioFormat format;                 // integer PCM, extra size 0
    std::span<const std::uint8_t> data; // the bytes of the 'data' chunk
};

// Reads `image`, a whole WAV file, which must outlive the result. A WAV file
// is RIFF: "RIFF", a size, "WAVE", then chunks of a four-character id, a
// 32-bit little-endian size and that many bytes plus a pad byte when the
// size is odd. The 'fmt ' chunk (16, 18 or 40 bytes) holds, little-endian:
//   0 format tag u16, 2 channels u16, 4 samples per second u32,
//   8 average bytes per second u32, 12 block alignment u16,
//   14 bits per sample u16, 16 extra size u16 (18 and 40 bytes only),
//   24 sub-format GUID (40 bytes, format tag 0xFFFE only).
// The first 'fmt ' and the first 'data' chunk count wherever they stand;
// other chunks are skipped. Only integer PCM is accepted: format tag 1, or
// the extensible tag with the PCM sub-format (taken as tag 1), 8, 16, 24 or
// 32 bits per sample, and block alignment and data rate that agree with
// them. nullopt otherwise, with `reason` (when given) saying why.
std::optional<WavImage> ParseWavImage(std::span<const std::uint8_t> image, std::string* reason = nullptr);

} // namespace tavrik
