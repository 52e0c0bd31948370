#include "video/WavImage.h"

#include "base/LittleEndian.h"
#include "video/AviLayout.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tavrik {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kSubFormatOffset = 24;
// KSDATAFORMAT_SUBTYPE_PCM: the PCM tag in the first two bytes, then the
// fixed tail every sub-format GUID derived from a format tag shares.
constexpr std::array<std::uint8_t, 16> kPcmSubFormat{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                     0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Chunk {
    std::uint32_t id = 0;
    std::span<const std::uint8_t> data;
};

std::string Hex(std::uint32_t value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4)
        text += digits[(value >> shift) & 0xF];
    return text;
}

// The format of a 'fmt ' chunk, or the reason it is not integer PCM.
std::optional<AudioFormat> ReadFormat(std::span<const std::uint8_t> chunk, std::string& reason)
{
    if (chunk.size() != 16 && chunk.size() != 18 && chunk.size() != 40) {
        reason = "a format chunk of " + std::to_string(chunk.size()) + " bytes (16, 18 or 40 expected)";
        return std::nullopt;
    }
    const std::uint8_t* p = chunk.data();
    AudioFormat format;
    format.formatTag = GetLittleEndian<std::uint16_t>(p);
    format.channels = GetLittleEndian<std::uint16_t>(p + 2);
    format.samplesPerSecond = GetLittleEndian<std::uint32_t>(p + 4);
    format.averageBytesPerSecond = GetLittleEndian<std::uint32_t>(p + 8);
    format.blockAlignment = GetLittleEndian<std::uint16_t>(p + 12);
    format.bitsPerSample = GetLittleEndian<std::uint16_t>(p + 14);

    if (format.formatTag == kFormatExtensible) {
        if (chunk.size() != 40 || !std::ranges::equal(chunk.subspan(kSubFormatOffset), kPcmSubFormat)) {
            reason = "an extensible format whose sub-format is not integer PCM";
            return std::nullopt;
        }
        // The AVI audio format has no room for the extension; plain PCM says
        // the same of these samples.
        format.formatTag = kFormatPcm;
    } else if (format.formatTag != kFormatPcm) {
        reason = "format tag " + Hex(format.formatTag) + ", not integer PCM (1)";
        return std::nullopt;
    }
    const unsigned bits = format.bitsPerSample;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        reason = std::to_string(bits) + " bits per sample (8, 16, 24 or 32 expected)";
        return std::nullopt;
    }
    if (format.channels == 0 || format.samplesPerSecond == 0) {
        reason = std::to_string(format.channels) + " channels at " + std::to_string(format.samplesPerSecond)
            + " samples per second";
        return std::nullopt;
    }
    const std::uint64_t blockAlignment = std::uint64_t{format.channels} * bits / 8;
    if (format.blockAlignment != blockAlignment) {
        reason = "block alignment " + std::to_string(format.blockAlignment) + " for " + std::to_string(format.channels)
            + " channels of " + std::to_string(bits) + " bits";
        return std::nullopt;
    }
    // The AVI stream's rate is block alignment x samples per second in a
    // 32-bit field, and the data rate states the same.
    const std::uint64_t byteRate = blockAlignment * format.samplesPerSecond;
    if (byteRate > std::numeric_limits<std::uint32_t>::max() || format.averageBytesPerSecond != byteRate) {
        reason = "average bytes per second " + std::to_string(format.averageBytesPerSecond) + " for "
            + std::to_string(byteRate) + " bytes of samples per second";
        return std::nullopt;
    }
    return format;
}

} // namespace

std::optional<WavImage> ParseWavImage(std::span<const std::uint8_t> image, std::string* reason)
{
    std::string why;
    const auto refuse = [&](std::string text) -> std::optional<WavImage> {
        if (reason)
            *reason = std::move(text);
        return std::nullopt;
    };
    if (image.size() < 12 || GetLittleEndian<std::uint32_t>(image.data()) != MakeFourCc("RIFF")
        || GetLittleEndian<std::uint32_t>(image.data() + 8) != MakeFourCc("WAVE"))
        return refuse("not a WAV file (no RIFF WAVE header)");

    std::optional<Chunk> format;
    std::optional<Chunk> data;
    // The RIFF size is not trusted: writers that stream often leave it wrong.
    // A few stray bytes after the last chunk are tolerated likewise.
    for (std::size_t at = 12; image.size() - at >= kChunkHeaderBytes && !(format && data);) {
        const std::uint32_t id = GetLittleEndian<std::uint32_t>(image.data() + at);
        const std::uint32_t size = GetLittleEndian<std::uint32_t>(image.data() + at + 4);
        const std::size_t room = image.size() - at - kChunkHeaderBytes;
        if (size > room) {
            const std::string name(reinterpret_cast<const char*>(image.data() + at), 4);
            return refuse("the '" + name + "' chunk declares " + std::to_string(size) + " bytes but "
                          + std::to_string(room) + " follow");
        }
        const Chunk chunk{id, image.subspan(at + kChunkHeaderBytes, size)};
        if (id == MakeFourCc("fmt ") && !format)
            format = chunk;
        else if (id == MakeFourCc("data") && !data)
            data = chunk;
        at += kChunkHeaderBytes + size;
        at += std::min<std::size_t>(size & 1, image.size() - at); // pad byte, possibly missing at the end
    }
    if (!format)
        return refuse("no 'fmt ' chunk");
    if (!data)
        return refuse("no 'data' chunk");
    const std::optional<AudioFormat> audio = ReadFormat(format->data, why);
    if (!audio)
        return refuse(why);
    return WavImage{*audio, data->data};
}

} // namespace tavrik
