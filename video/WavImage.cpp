#include "video/WavImage.h"

#include "base/LittleEndian.h"

#include <limits>

namespace tavrik {

std::optional<WavImage> ParseWavImage(std::span<const std::uint8_t> image)
{
    const auto formatTag = LoadLittleEndian<std::uint16_t>(image, 20);
    const auto channels = LoadLittleEndian<std::uint16_t>(image, 22);
    const auto samplesPerSecond = LoadLittleEndian<std::uint32_t>(image, 24);
    const auto averageBytesPerSecond = LoadLittleEndian<std::uint32_t>(image, 28);
    const auto blockAlignment = LoadLittleEndian<std::uint16_t>(image, 32);
    const auto bitsPerSample = LoadLittleEndian<std::uint16_t>(image, 34);
    const auto dataSize = LoadLittleEndian<std::uint32_t>(image, 40);
    if (!formatTag || !channels || !samplesPerSecond || !averageBytesPerSecond || !blockAlignment
        || !bitsPerSample || !dataSize || image.size() < kWavHeaderBytes)
        return std::nullopt;
    if (*dataSize > image.size() - kWavHeaderBytes)
        return std::nullopt;
    // The stream's rate is block alignment x samples per second and must
    // fit its 32-bit field; a zero would make every duration infinite.
    const std::uint64_t streamRate = std::uint64_t{*blockAlignment} * *samplesPerSecond;
    if (*channels == 0 || streamRate == 0 || streamRate > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;

    WavImage wav;
    wav.format = {*formatTag, *channels, *samplesPerSecond, *averageBytesPerSecond,
                  *blockAlignment, *bitsPerSample, 0};
    wav.data = image.subspan(kWavHeaderBytes, *dataSize);
    return wav;
}

} // namespace tavrik
