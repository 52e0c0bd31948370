#include "video/AudioFormat.h"

#include "base/LittleEndian.h"

#include <algorithm>
#include <cassert>
#include <vector>

namespace tavrik {

std::array<std::uint8_t, kAudioFormatBytes> EncodeAudioFormat(const AudioFormat& format)
{
    std::vector<std::uint8_t> bytes;
    AppendLittleEndian(bytes, format.formatTag);
    AppendLittleEndian(bytes, format.channels);
    AppendLittleEndian(bytes, format.samplesPerSecond);
    AppendLittleEndian(bytes, format.averageBytesPerSecond);
    AppendLittleEndian(bytes, format.blockAlignment);
    AppendLittleEndian(bytes, format.bitsPerSample);
    AppendLittleEndian(bytes, format.extraSize);
    assert(bytes.size() == 18);
    std::array<std::uint8_t, kAudioFormatBytes> block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

bool SameSampleFormat(const AudioFormat& a, const AudioFormat& b)
{
    return a.formatTag == b.formatTag && a.channels == b.channels
        && a.samplesPerSecond == b.samplesPerSecond
        && a.averageBytesPerSecond == b.averageBytesPerSecond
        && a.blockAlignment == b.blockAlignment && a.bitsPerSample == b.bitsPerSample;
}

} // namespace tavrik
