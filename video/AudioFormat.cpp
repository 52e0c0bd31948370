#include "video/AudioFormat.h"

#include "base/LittleEndian.h"

namespace tavrik {

std::array<std::uint8_t, kAudioFormatBytes> EncodeAudioFormat(const AudioFormat& format)
{
    std::array<std::uint8_t, kAudioFormatBytes> block{}; // the 2 spare bytes stay 0
    PutLittleEndian(&block[0], format.formatTag);
    PutLittleEndian(&block[2], format.channels);
    PutLittleEndian(&block[4], format.samplesPerSecond);
    PutLittleEndian(&block[8], format.averageBytesPerSecond);
    PutLittleEndian(&block[12], format.blockAlignment);
    PutLittleEndian(&block[14], format.bitsPerSample);
    PutLittleEndian(&block[16], format.extraSize);
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
