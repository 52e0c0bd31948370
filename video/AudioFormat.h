#pragma once

#include <array>
#include <cstdint>

namespace tavrik {

// The audio format of an AVI audio stream: a WAVEFORMATEX (18 bytes) and two
// spare zero bytes, 20 bytes in all when encoded. A format whose channel
// count is 0 stands for "no audio format known yet".
struct AudioFormat {
    std::uint16_t formatTag = 0;             // 1: integer PCM
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlignment = 0;        // bytes of one sample of all channels
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;             // bytes of format data after the 18

    friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

inline constexpr std::size_t kAudioFormatBytes = 20;

// The 20-byte little-endian block of `format` (spare bytes zero).
std::array<std::uint8_t, kAudioFormatBytes> EncodeAudioFormat(const AudioFormat& format);

// Whether two formats describe the same samples: tag, channels, sample rate,
// data rate, block alignment and bits per sample agree (the extra size is
// not compared).
bool SameSampleFormat(const AudioFormat& a, const AudioFormat& b);

} // namespace tavrik
