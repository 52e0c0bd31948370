#include "video/AviLayout.h"

#include "base/LittleEndian.h"

#include <algorithm>
#include "base/Check.h"
#include <limits>

namespace tavrik {

namespace {

constexpr std::size_t kMainHeaderBytes = 56;
constexpr std::size_t kStreamHeaderBytes = 56;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kListHeaderBytes = 12;

std::size_t Padded(std::size_t size)
{
    return size + (size & 1);
}

// Appends a chunk header whose size EndChunk fills in; returns its position.
std::size_t BeginChunk(std::vector<std::uint8_t>& out, std::uint32_t chunkId)
{
    const std::size_t start = out.size();
    AppendLittleEndian(out, chunkId);
    AppendLittleEndian(out, std::uint32_t{0});
    return start;
}

std::size_t BeginList(std::vector<std::uint8_t>& out, std::uint32_t listType)
{
    const std::size_t start = BeginChunk(out, MakeFourCc("LIST"));
    AppendLittleEndian(out, listType);
    return start;
}

// Sets the size of the chunk begun at `start` to everything after its header
// and pads its data to an even size.
void EndChunk(std::vector<std::uint8_t>& out, std::size_t start)
{
    const std::size_t size = out.size() - start - kChunkHeaderBytes;
    PutLittleEndian(out.data() + start + 4, static_cast<std::uint32_t>(size));
    if (size & 1)
        out.push_back(0);
}

std::uint32_t ClampToU32(std::uint64_t value)
{
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

// Bytes per second a reader must sustain for this stream: whole samples of
// a fixed size, or the largest chunk per sample for streams of varying size.
std::uint64_t BytesPerSecond(const AviStreamInfo& info)
{
    if (info.scale == 0)
        return 0;
    const std::uint64_t sampleBytes = info.sampleSize != 0 ? info.sampleSize : info.suggestedBufferSize;
    return (sampleBytes * info.rate + info.scale - 1) / info.scale;
}

void AppendMainHeader(std::vector<std::uint8_t>& out, std::span<const AviStreamHeaders> streams)
{
    const auto video = std::find_if(streams.begin(), streams.end(), [](const AviStreamHeaders& s) {
        return s.info.type == kStreamTypeVideo;
    });
    AviStreamInfo videoInfo;
    if (video != streams.end())
        videoInfo = video->info;

    std::uint64_t bytesPerSecond = 0;
    std::uint32_t suggestedBufferSize = 0;
    for (const AviStreamHeaders& stream : streams) {
        bytesPerSecond += BytesPerSecond(stream.info);
        suggestedBufferSize = std::max(suggestedBufferSize, stream.info.suggestedBufferSize);
    }
    // Microseconds per frame = 10^6 * scale / rate, rounded to nearest.
    const std::uint32_t microSecondsPerFrame = videoInfo.rate == 0
        ? 0
        : ClampToU32((std::uint64_t{1000000} * videoInfo.scale + videoInfo.rate / 2) / videoInfo.rate);

    const std::size_t start = BeginChunk(out, MakeFourCc("avih"));
    AppendLittleEndian(out, microSecondsPerFrame);
    AppendLittleEndian(out, ClampToU32(bytesPerSecond));
    AppendLittleEndian(out, std::uint32_t{0}); // padding granularity
    AppendLittleEndian(out, AVIF_HASINDEX);
    AppendLittleEndian(out, videoInfo.length); // total frames
    AppendLittleEndian(out, std::uint32_t{0}); // initial frames
    AppendLittleEndian(out, static_cast<std::uint32_t>(streams.size()));
    AppendLittleEndian(out, suggestedBufferSize);
    AppendLittleEndian(out, static_cast<std::uint32_t>(videoInfo.frame.right - videoInfo.frame.left));
    AppendLittleEndian(out, static_cast<std::uint32_t>(videoInfo.frame.bottom - videoInfo.frame.top));
    for (int i = 0; i < 4; ++i)
        AppendLittleEndian(out, std::uint32_t{0}); // reserved
    EndChunk(out, start);
}

void AppendStreamList(std::vector<std::uint8_t>& out, const AviStreamHeaders& stream)
{
    const AviStreamInfo& info = stream.info;
    const std::size_t list = BeginList(out, MakeFourCc("strl"));
    const std::size_t header = BeginChunk(out, MakeFourCc("strh"));
    AppendLittleEndian(out, info.type);
    AppendLittleEndian(out, info.handler);
    AppendLittleEndian(out, info.flags);
    AppendLittleEndian(out, info.priority);
    AppendLittleEndian(out, info.language);
    AppendLittleEndian(out, info.initialFrames);
    AppendLittleEndian(out, info.scale);
    AppendLittleEndian(out, info.rate);
    AppendLittleEndian(out, info.start);
    AppendLittleEndian(out, info.length);
    AppendLittleEndian(out, info.suggestedBufferSize);
    AppendLittleEndian(out, info.quality);
    AppendLittleEndian(out, info.sampleSize);
    AppendLittleEndian(out, info.frame.left);
    AppendLittleEndian(out, info.frame.top);
    AppendLittleEndian(out, info.frame.right);
    AppendLittleEndian(out, info.frame.bottom);
    EndChunk(out, header);
    const std::size_t format = BeginChunk(out, MakeFourCc("strf"));
    out.insert(out.end(), stream.format.begin(), stream.format.end());
    EndChunk(out, format);
    EndChunk(out, list);
}

// Bytes of the RIFF header and the header list of `streams`.
std::size_t HeaderListEnd(std::span<const AviStreamHeaders> streams)
{
    std::size_t size = 2 * kListHeaderBytes + kChunkHeaderBytes + kMainHeaderBytes;
    for (const AviStreamHeaders& stream : streams)
        size += kListHeaderBytes + kChunkHeaderBytes + kStreamHeaderBytes + kChunkHeaderBytes
            + Padded(stream.format.size());
    return size;
}

} // namespace

std::uint32_t StreamChunkId(std::size_t streamIndex, std::uint32_t streamType)
{
    TAVRIK_CHECK_LT(streamIndex, 100u);
    const char text[5] = {static_cast<char>('0' + streamIndex / 10), static_cast<char>('0' + streamIndex % 10),
                          streamType == kStreamTypeAudio ? 'w' : 'd', 'b', '\0'};
    return MakeFourCc(text);
}

bool AviHeadersFit(std::span<const AviStreamHeaders> streams)
{
    return HeaderListEnd(streams) + kChunkHeaderBytes <= kAviMoviListOffset;
}

std::array<std::uint8_t, 8> EncodeChunkHeader(std::uint32_t chunkId, std::uint32_t size)
{
    std::array<std::uint8_t, 8> header;
    PutLittleEndian(header.data(), chunkId);
    PutLittleEndian(header.data() + 4, size);
    return header;
}

std::vector<std::uint8_t> EncodeAviHeaders(std::span<const AviStreamHeaders> streams,
                                           std::uint32_t chunkBytes,
                                           std::size_t indexEntries)
{
    TAVRIK_CHECK(AviHeadersFit(streams));
    const std::uint64_t fileSize = std::uint64_t{kAviFirstChunkOffset} + chunkBytes + kChunkHeaderBytes
        + std::uint64_t{kAviIndexEntryBytes} * indexEntries;
    TAVRIK_CHECK_LE(fileSize, std::numeric_limits<std::uint32_t>::max());

    std::vector<std::uint8_t> out;
    out.reserve(kAviFirstChunkOffset);
    AppendLittleEndian(out, MakeFourCc("RIFF"));
    AppendLittleEndian(out, static_cast<std::uint32_t>(fileSize - kChunkHeaderBytes));
    AppendLittleEndian(out, MakeFourCc("AVI "));

    const std::size_t headerList = BeginList(out, MakeFourCc("hdrl"));
    AppendMainHeader(out, streams);
    for (const AviStreamHeaders& stream : streams)
        AppendStreamList(out, stream);
    EndChunk(out, headerList);

    const std::size_t junk = BeginChunk(out, MakeFourCc("JUNK"));
    out.resize(kAviMoviListOffset, 0);
    EndChunk(out, junk);

    AppendLittleEndian(out, MakeFourCc("LIST"));
    AppendLittleEndian(out, static_cast<std::uint32_t>(4 + chunkBytes));
    AppendLittleEndian(out, MakeFourCc("movi"));
    TAVRIK_CHECK_EQ(out.size(), kAviFirstChunkOffset);
    return out;
}

std::vector<std::uint8_t> EncodeAviIndex(std::span<const AviIndexEntry> entries)
{
    std::vector<std::uint8_t> out;
    out.reserve(kChunkHeaderBytes + kAviIndexEntryBytes * entries.size());
    const std::size_t start = BeginChunk(out, MakeFourCc("idx1"));
    for (const AviIndexEntry& entry : entries) {
        AppendLittleEndian(out, entry.chunkId);
        AppendLittleEndian(out, entry.flags);
        AppendLittleEndian(out, entry.offset);
        AppendLittleEndian(out, entry.size);
    }
    EndChunk(out, start);
    return out;
}

} // namespace tavrik
