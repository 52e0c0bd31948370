#include "video/WavImage.h"

#include "base/LittleEndian.h"

#include <limits>

namespace tavrik {

std::optional<WavImage> ParseWavImage(std::span<const std::uint8_t> image)
{
    if (image.size() < kWavHeaderBytes)
        return std::nullopt;
    const std::uint8_t* header = image.data();
    WavImage wav;
    wav.format.formatTag = GetLittleEndian<std::uint16_t>(header + 20);
    wav.format.channels = GetLittleEndian<std::uint16_t>(header + 22);
    wav.format.samplesPerSecond = GetLittleEndian<std::uint32_t>(header + 24);
    wav.format.averageBytesPerSecond = GetLittleEndian<std::uint32_t>(header + 28);
    wav.format.blockAlignment = GetLittleEndian<std::uint16_t>(header + 32);
    wav.format.bitsPerSample = GetLittleEndian<std::uint16_t>(header + 34);
    const std::uint32_t dataSize = GetLittleEndian<std::uint32_t>(header + 40);
    if (dataSize > image.size() - kWavHeaderBytes)
        return std::nullopt;
    // The stream's rate is block alignment x samples per second and must
    // fit its 32-bit field; a zero would make every duration infinite.
    const std::uint64_t streamRate = std::uint64_t{wav.format.blockAlignment} * wav.format.samplesPerSecond;
    if (wav.format.channels == 0 || streamRate == 0 || streamRate > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    wav.data = image.subspan(kWavHeaderBytes, dataSize);
    return wav;
}

} // namespace tavrik
