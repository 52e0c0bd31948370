#include "video/AviWriter.h"

#include "base/FileIo.h"
#include "base/LittleEndian.h"
#include "base/UserError.h"
#include "video/WavImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

namespace tavrik {

namespace {

constexpr std::uint32_t kMillisecondsPerSecond = 1000;
// The frame rectangle of a video stream holds 16-bit sides.
constexpr std::int64_t kMaxFrameSide = std::numeric_limits<std::int16_t>::max();

// Byte offsets of the BITMAPINFOHEADER fields that state how the stored
// bytes are laid out.
constexpr std::size_t kHeaderSizeOffset = 0;
constexpr std::size_t kPlanesOffset = 12;
constexpr std::size_t kImageSizeOffset = 20;
constexpr std::size_t kColoursUsedOffset = 32;
constexpr std::uint32_t kBiBitfields = 3;

// The part of `frame`'s colour table its pixels need: the palette of up to
// 8 bits per pixel, the three masks of BI_BITFIELDS. A true-colour bitmap
// may carry a table of suggested display colours of any length; a stream
// format has no room for a long one and no reader needs it, so it is left
// out.
std::span<const std::uint8_t> DecodingColourTable(const Dib& frame)
{
    const std::span<const std::uint8_t> table = frame.colourTable;
    if (frame.bitCount() <= 8)
        return table.first(std::min<std::size_t>(table.size(), std::size_t{4} << frame.bitCount()));
    if (frame.compression() == kBiBitfields)
        return table.first(12);
    return {};
}

// Rows of `frame`, whichever order they are stored in.
std::int64_t Rows(const Dib& frame)
{
    return std::abs(std::int64_t{frame.height()});
}

// Sides of at most kMaxFrameSide keep a frame's pixel bytes within 32 bits.
std::uint32_t FrameBytes(const Dib& frame)
{
    return static_cast<std::uint32_t>(DibPixelBytes(frame));
}

// The stream format of `frame`: its header, stating the 40 bytes it has, one
// plane and `frameBytes` of pixel data whatever the bitmap's header says,
// then its colour table.
std::vector<std::uint8_t> FrameFormat(const Dib& frame, std::uint32_t frameBytes)
{
    std::vector<std::uint8_t> format = frame.header;
    PutLittleEndian(&format[kHeaderSizeOffset], static_cast<std::uint32_t>(frame.header.size()));
    PutLittleEndian(&format[kPlanesOffset], std::uint16_t{1});
    PutLittleEndian(&format[kImageSizeOffset], frameBytes);
    const std::span<const std::uint8_t> table = DecodingColourTable(frame);
    if (frame.bitCount() > 8)
        PutLittleEndian(&format[kColoursUsedOffset], std::uint32_t{0});
    format.insert(format.end(), table.begin(), table.end());
    return format;
}

// Whether `frame` decodes like the first frame, whose stream format is
// `first`: the same size, row order, pixel format and colour table.
bool SameFrameFormat(std::span<const std::uint8_t> first, const Dib& frame)
{
    const std::span<const std::uint8_t> header = first.first(frame.header.size());
    const Dib stored{{header.begin(), header.end()}, {}, {}};
    return stored.width() == frame.width() && stored.height() == frame.height()
        && stored.bitCount() == frame.bitCount() && stored.compression() == frame.compression()
        && std::ranges::equal(first.subspan(header.size()), DecodingColourTable(frame));
}

// Sets `failed` after a file operation returned `result`, with the reason.
AviResult Fail(AviWriter& writer, AviResult result)
{
    writer.failed = true;
    if (result == AVIERR_ERROR)
        writer.problem = "the video would grow beyond the size limit of AVI files ("
            + std::to_string(kMaxAviFileBytes >> 30) + " GiB)";
    else if (result == AVIERR_FILEWRITE)
        writer.problem = std::string("write error: ") + std::strerror(writer.aviFile->WriteError());
    else
        writer.problem = "the video's headers have no room for the stream";
    return result;
}

AviResult Refuse(AviWriter& writer, AviResult result, std::string problem)
{
    writer.problem = std::move(problem);
    return result;
}

// The stream description of a video of frames like `frame`, of `frameBytes`
// bytes each, one per `framePeriod` milliseconds.
AviStreamInfo VideoStreamInfo(const Dib& frame, std::uint32_t frameBytes, std::uint32_t framePeriod)
{
    AviStreamInfo info;
    info.type = kStreamTypeVideo;
    info.scale = framePeriod;
    info.rate = kMillisecondsPerSecond;
    info.suggestedBufferSize = frameBytes;
    info.frame = {0, 0, static_cast<std::int16_t>(frame.width()), static_cast<std::int16_t>(Rows(frame))};
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

// Reads a whole WAV file of at most `maxBytes` bytes; nullopt, with
// `problem` set, when it cannot be read. Its size is looked at first, so
// that neither a device that never ends nor a file that could not fit is
// read.
std::optional<std::vector<std::uint8_t>> ReadWavFile(const std::string& path, std::uint64_t maxBytes,
                                                     std::string& problem)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        problem = "missing";
        return std::nullopt;
    }
    if (error) {
        problem = error.message();
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        problem = "not a regular file";
        return std::nullopt;
    }
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (!error && size > maxBytes) {
        problem = std::to_string(size) + " bytes, more than the " + std::to_string(maxBytes)
            + " bytes the video has room for";
        return std::nullopt;
    }
    try {
        return ReadWholeFile(path, maxBytes, "larger than the " + std::to_string(maxBytes)
                                                 + " bytes the video has room for");
    } catch (const UserError& e) {
        problem = e.what();
        return std::nullopt;
    }
}

} // namespace

std::unique_ptr<AviWriter> OpenAviWriter(const std::string& fileName, std::uint32_t framePeriod,
                                         const std::optional<AudioFormat>& audioFormat,
                                         std::uint64_t maxFileBytes)
{
    if (framePeriod == 0)
        return nullptr;
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
    if (!bitmap || !IsUsableDib(*bitmap) || bitmap->width() > kMaxFrameSide || Rows(*bitmap) > kMaxFrameSide)
        return AVIERR_BADPARAM;
    if (writer->failed)
        return AVIERR_ERROR;

    AviFile& file = *writer->aviFile;
    if (writer->compressedStream && !SameFrameFormat(file.Format(*writer->compressedStream), *bitmap))
        return AVIERR_BADFORMAT;
    const std::uint32_t frameBytes = FrameBytes(*bitmap);
    if (!writer->videoStream) {
        const AviStreamInfo info = VideoStreamInfo(*bitmap, frameBytes, writer->framePeriod);
        AviStream stream;
        if (const AviResult result = file.CreateStream(info, stream))
            return Fail(*writer, result);
        writer->videoStream = stream;
    }
    if (!writer->compressedStream) {
        writer->compressedStream = file.MakeCompressedStream(*writer->videoStream, kHandlerDib);
        if (const AviResult result = file.SetFormat(*writer->compressedStream, FrameFormat(*bitmap, frameBytes)))
            return Fail(*writer, result);
    }
    const std::span<const std::uint8_t> bits = std::span(bitmap->bits).first(frameBytes);
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
        buffer = ReadWavFile(*path, writer->aviFile->RoomLeft(), writer->problem);
        if (!buffer) {
            writer->failed = true;
            return AVIERR_FILEOPEN;
        }
    }
    std::string reason;
    const std::optional<WavImage> wav =
        ParseWavImage(buffer ? std::span<const std::uint8_t>(*buffer) : *memory, &reason);
    if (!wav)
        return Refuse(*writer, AVIERR_BADFORMAT, reason);
    if (writer->audioFormat.channels != 0) {
        if (!SameSampleFormat(writer->audioFormat, wav->format))
            return Refuse(*writer, AVIERR_BADFORMAT, "a sample format that differs from the video's sound");
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
