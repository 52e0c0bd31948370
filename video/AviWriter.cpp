#include "video/AviWriter.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "base/LittleEndian.h"
#include "video/WavImage.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <limits>
#include <vector>

namespace tavrik {

namespace {

constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
// Three colour masks and a full 256-entry palette.
constexpr std::size_t kMaxColourTableBytes = 12 + 256 * 4;
constexpr std::uint32_t kMillisecondsPerSecond = 1000;

// What decides how a reader decodes a frame.
struct FrameFormat {
    std::int32_t width = 0;
    std::int32_t height = 0; // negative for top-down rows
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0; // bytes of pixel data
    std::span<const std::uint8_t> colourTable;
};

bool SameFrameFormat(const FrameFormat& a, const FrameFormat& b)
{
    return a.width == b.width && a.height == b.height && a.bitCount == b.bitCount
        && a.compression == b.compression && a.imageSize == b.imageSize
        && std::ranges::equal(a.colourTable, b.colourTable);
}

// The format of an uncompressed DIB given as its BITMAPINFOHEADER and colour
// table, or nullopt when they do not describe one. The image size is the
// header's, or the rows' size (each padded to 4 bytes) when the header holds
// 0; it may not be smaller than the rows need.
std::optional<FrameFormat> DescribeFrameFormat(std::span<const std::uint8_t> header,
                                               std::span<const std::uint8_t> colourTable)
{
    if (header.size() != kInfoHeaderBytes)
        return std::nullopt;
    const auto headerSize = LoadLittleEndian<std::uint32_t>(header, 0);
    const auto width = LoadLittleEndian<std::int32_t>(header, 4);
    const auto height = LoadLittleEndian<std::int32_t>(header, 8);
    const auto planes = LoadLittleEndian<std::uint16_t>(header, 12);
    const auto bitCount = LoadLittleEndian<std::uint16_t>(header, 14);
    const auto compression = LoadLittleEndian<std::uint32_t>(header, 16);
    const auto sizeImage = LoadLittleEndian<std::uint32_t>(header, 20);
    assert(headerSize && width && height && planes && bitCount && compression && sizeImage);

    const bool knownDepth = *bitCount == 1 || *bitCount == 4 || *bitCount == 8 || *bitCount == 16
        || *bitCount == 24 || *bitCount == 32;
    const bool uncompressed = *compression == kBiRgb
        || (*compression == kBiBitfields && (*bitCount == 16 || *bitCount == 32) && colourTable.size() >= 12);
    if (*headerSize != kInfoHeaderBytes || *width <= 0 || *height == 0
        || *height == std::numeric_limits<std::int32_t>::min() || *planes != 1 || !knownDepth
        || !uncompressed || colourTable.size() % 4 != 0 || colourTable.size() > kMaxColourTableBytes)
        return std::nullopt;

    const std::uint64_t rowBytes = (std::uint64_t{static_cast<std::uint32_t>(*width)} * *bitCount + 31) / 32 * 4;
    const std::uint64_t rowsBytes = rowBytes * static_cast<std::uint64_t>(std::abs(std::int64_t{*height}));
    const std::uint64_t imageSize = *sizeImage != 0 ? *sizeImage : rowsBytes;
    if (imageSize < rowsBytes || imageSize > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return FrameFormat{*width, *height, *bitCount, *compression, static_cast<std::uint32_t>(imageSize),
                       colourTable};
}

std::int16_t ClampToInt16(std::int64_t value)
{
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int16_t>::max()));
}

AviResult Fail(AviWriter& writer, AviResult result)
{
    writer.failed = true;
    return result;
}

// The stream description of a video of `format` frames, one per `framePeriod`
// milliseconds.
AviStreamInfo VideoStreamInfo(const FrameFormat& format, std::uint32_t framePeriod)
{
    AviStreamInfo info;
    info.type = kStreamTypeVideo;
    info.scale = framePeriod;
    info.rate = kMillisecondsPerSecond;
    info.suggestedBufferSize = format.imageSize;
    info.frame = {0, 0, ClampToInt16(format.width), ClampToInt16(std::abs(std::int64_t{format.height}))};
    return info;
}

// The stream description of audio in `format`: one sample is one block.
AviStreamInfo AudioStreamInfo(const AudioFormat& format)
{
    AviStreamInfo info;
    info.type = kStreamTypeAudio;
    info.scale = format.blockAlignment;
    info.rate = format.blockAlignment * format.samplesPerSecond;
    info.sampleSize = format.blockAlignment;
    info.quality = -1;
    return info;
}

// Reads a whole WAV file; nullopt when it cannot be read or could never fit
// an AVI file.
std::optional<std::vector<std::uint8_t>> ReadWavFile(const std::string& path)
{
    try {
        return ReadWholeFile(path, kMaxAviFileBytes, "WAV file too large: " + path);
    } catch (const UserError&) {
        return std::nullopt;
    }
}

} // namespace

std::unique_ptr<AviWriter> OpenAviWriter(const std::string& fileName, std::uint32_t framePeriod,
                                         const std::optional<AudioFormat>& audioFormat,
                                         std::uint64_t maxFileBytes)
{
    AviResult result = AVIERR_OK;
    std::unique_ptr<AviFile> file = AviFile::Create(fileName, maxFileBytes, result);
    if (!file)
        return nullptr;
    auto writer = std::make_unique<AviWriter>();
    writer->aviFile = std::move(file);
    writer->audioFormat = audioFormat.value_or(AudioFormat{});
    writer->framePeriod = framePeriod;
    return writer;
}

AviResult AppendVideoFrame(AviWriter* writer, const Dib* bitmap)
{
    if (!writer)
        return AVIERR_BADHANDLE;
    if (!bitmap)
        return AVIERR_BADPARAM;
    const std::optional<FrameFormat> frame = DescribeFrameFormat(bitmap->header, bitmap->colourTable);
    if (!frame || bitmap->bits.size() < frame->imageSize)
        return AVIERR_BADPARAM;
    if (writer->failed)
        return AVIERR_ERROR;

    AviFile& file = *writer->aviFile;
    if (writer->compressedStream) {
        const std::span<const std::uint8_t> stored = file.Format(*writer->compressedStream);
        const std::optional<FrameFormat> first =
            DescribeFrameFormat(stored.first(kInfoHeaderBytes), stored.subspan(kInfoHeaderBytes));
        assert(first);
        if (!SameFrameFormat(*first, *frame))
            return AVIERR_BADFORMAT;
    }
    if (!writer->videoStream) {
        AviStream stream;
        if (const AviResult result = file.CreateStream(VideoStreamInfo(*frame, writer->framePeriod), stream))
            return Fail(*writer, result);
        writer->videoStream = stream;
    }
    if (!writer->compressedStream) {
        AviStream compressed;
        if (const AviResult result = file.MakeCompressedStream(*writer->videoStream, kHandlerDib, compressed))
            return Fail(*writer, result);
        writer->compressedStream = compressed;
        std::vector<std::uint8_t> format = bitmap->header;
        format.insert(format.end(), bitmap->colourTable.begin(), bitmap->colourTable.end());
        if (const AviResult result = file.SetFormat(compressed, format))
            return Fail(*writer, result);
    }
    const std::span<const std::uint8_t> bits = std::span(bitmap->bits).first(frame->imageSize);
    if (const AviResult result = file.Write(*writer->compressedStream, writer->frameCount, 1, bits, AVIIF_KEYFRAME))
        return Fail(*writer, result);
    ++writer->frameCount;
    return AVIERR_OK;
}

AviResult AppendWavAudio(AviWriter* writer, const WavSource& source, std::uint32_t sourceKind)
{
    if (!writer)
        return AVIERR_BADHANDLE;
    if (sourceKind != SND_MEMORY && sourceKind != SND_FILENAME)
        return AVIERR_BADFLAGS;
    const auto* memory = std::get_if<std::span<const std::uint8_t>>(&source);
    const auto* path = std::get_if<std::string>(&source);
    if ((sourceKind == SND_MEMORY && !memory) || (sourceKind == SND_FILENAME && !path))
        return AVIERR_BADPARAM;
    if (writer->failed)
        return AVIERR_ERROR;

    std::optional<std::vector<std::uint8_t>> buffer;
    if (path) {
        buffer = ReadWavFile(*path);
        if (!buffer)
            return Fail(*writer, AVIERR_FILEOPEN);
    }
    const std::optional<WavImage> wav = ParseWavImage(buffer ? std::span<const std::uint8_t>(*buffer) : *memory);
    if (!wav)
        return AVIERR_BADFORMAT;
    if (writer->audioFormat.channels != 0) {
        if (!SameSampleFormat(writer->audioFormat, wav->format))
            return AVIERR_BADFORMAT;
    } else {
        writer->audioFormat = wav->format;
    }

    AviFile& file = *writer->aviFile;
    if (!writer->audioStream) {
        AviStream stream;
        if (const AviResult result = file.CreateStream(AudioStreamInfo(writer->audioFormat), stream))
            return Fail(*writer, result);
        writer->audioStream = stream;
        if (const AviResult result = file.SetFormat(stream, EncodeAudioFormat(writer->audioFormat)))
            return Fail(*writer, result);
    }
    const std::uint16_t blockAlignment = writer->audioFormat.blockAlignment;
    const auto blocks = static_cast<std::uint32_t>(wav->data.size() / blockAlignment);
    const std::span<const std::uint8_t> samples = wav->data.first(std::size_t{blocks} * blockAlignment);
    if (const AviResult result = file.Write(*writer->audioStream, writer->sampleCount, blocks, samples, 0))
        return Fail(*writer, result);
    writer->sampleCount += blocks;
    return AVIERR_OK;
}

AviResult CloseAviWriter(std::unique_ptr<AviWriter> writer)
{
    if (!writer)
        return AVIERR_BADHANDLE;
    // The stream handles are owned by the file and end with it.
    return writer->aviFile->Close();
}

} // namespace tavrik
