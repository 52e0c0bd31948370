#include "video/AviFile.h"

#include "base/Check.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace tavrik {

namespace {

constexpr std::uint64_t kChunkHeaderBytes = 8;

bool WriteAll(std::FILE* file, std::span<const std::uint8_t> bytes)
{
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool WriteAt(std::FILE* file, std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 && WriteAll(file, bytes);
}

} // namespace

std::unique_ptr<AviFile> AviFile::Create(const std::string& path, std::uint64_t maxFileBytes,
                                         AviResult& result)
{
    TAVRIK_CHECK_LE(maxFileBytes, kMaxAviFileBytes);
    struct stat existing {};
    const bool device = ::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode);
    std::string writtenPath = device ? path : path + ".partial";
    std::FILE* file = std::fopen(writtenPath.c_str(), "wb");
    if (!file) {
        result = AVIERR_FILEOPEN;
        return nullptr;
    }
    result = AVIERR_OK;
    return std::unique_ptr<AviFile>(new AviFile(path, std::move(writtenPath), file, maxFileBytes));
}

AviFile::AviFile(std::string path, std::string writtenPath, std::FILE* file, std::uint64_t maxFileBytes)
    : path_(std::move(path)), writtenPath_(std::move(writtenPath)), file_(file), maxFileBytes_(maxFileBytes)
{
}

AviFile::~AviFile()
{
    if (file_ && writtenPath_ != path_) {
        file_.reset();
        std::remove(writtenPath_.c_str());
    }
}

std::uint64_t AviFile::RoomLeft() const
{
    // The chunk's header, the index's header and one entry more.
    const std::uint64_t taken = chunksEnd_ + 2 * kChunkHeaderBytes + kAviIndexEntryBytes * (index_.size() + 1);
    return taken < maxFileBytes_ ? maxFileBytes_ - taken : 0;
}

AviStreamHeaders& AviFile::Stream(AviStream stream)
{
    TAVRIK_CHECK_LT(stream.index, streams_.size());
    return streams_[stream.index];
}

const AviStreamHeaders& AviFile::Stream(AviStream stream) const
{
    TAVRIK_CHECK_LT(stream.index, streams_.size());
    return streams_[stream.index];
}

AviResult AviFile::CreateStream(const AviStreamInfo& info, AviStream& stream)
{
    TAVRIK_CHECK(file_);
    if (info.scale == 0 || info.rate == 0)
        return AVIERR_BADPARAM;
    std::vector<AviStreamHeaders> grown = streams_;
    grown.push_back({info, {}});
    grown.back().info.length = 0;
    if (!AviHeadersFit(grown))
        return AVIERR_BADSIZE;
    streams_ = std::move(grown);
    stream = {streams_.size() - 1};
    return AVIERR_OK;
}

AviStream AviFile::MakeCompressedStream(AviStream source, std::uint32_t handler)
{
    TAVRIK_CHECK(file_);
    TAVRIK_CHECK_EQ(handler, kHandlerDib);
    Stream(source).info.handler = handler;
    return source;
}

AviResult AviFile::SetFormat(AviStream stream, std::span<const std::uint8_t> format)
{
    TAVRIK_CHECK(file_);
    TAVRIK_CHECK_EQ(Stream(stream).info.length, 0u);
    std::vector<AviStreamHeaders> changed = streams_;
    changed[stream.index].format.assign(format.begin(), format.end());
    if (!AviHeadersFit(changed))
        return AVIERR_BADSIZE;
    streams_ = std::move(changed);
    return AVIERR_OK;
}

std::span<const std::uint8_t> AviFile::Format(AviStream stream) const
{
    return Stream(stream).format;
}

const AviStreamInfo& AviFile::Info(AviStream stream) const
{
    return Stream(stream).info;
}

AviResult AviFile::Write(AviStream stream, std::uint32_t start, std::uint32_t samples,
                         std::span<const std::uint8_t> data, std::uint32_t flags)
{
    TAVRIK_CHECK(file_);
    AviStreamInfo& info = Stream(stream).info;
    TAVRIK_CHECK_EQ(start, info.length);

    const std::uint64_t padding = data.size() & 1;
    const std::uint64_t chunkEnd = chunksEnd_ + kChunkHeaderBytes + data.size() + padding;
    const std::uint64_t finishedSize = chunkEnd + kChunkHeaderBytes + kAviIndexEntryBytes * (index_.size() + 1);
    if (finishedSize > maxFileBytes_)
        return AVIERR_ERROR;

    const std::uint32_t chunkId = StreamChunkId(stream.index, info.type);
    const auto size = static_cast<std::uint32_t>(data.size());
    const std::array<std::uint8_t, 8> header = EncodeChunkHeader(chunkId, size);
    const std::uint8_t pad[1] = {0};
    const bool written = WriteAt(file_.get(), chunksEnd_, header) && WriteAll(file_.get(), data)
        && WriteAll(file_.get(), std::span(pad, padding)) && std::fflush(file_.get()) == 0;
    if (!written) {
        writeError_ = errno;
        tornWrite_ = true;
        return AVIERR_FILEWRITE;
    }

    index_.push_back({chunkId, flags, static_cast<std::uint32_t>(chunksEnd_ - kAviIndexBase), size});
    chunksEnd_ = chunkEnd;
    info.length += samples;
    info.suggestedBufferSize = std::max(info.suggestedBufferSize, size);
    return AVIERR_OK;
}

AviResult AviFile::Close()
{
    TAVRIK_CHECK(file_);
    bool ok = std::fflush(file_.get()) == 0;
    if (tornWrite_) {
        // Cut the torn chunk off; on a full disk this also frees the room
        // the index needs.
        std::error_code error;
        std::filesystem::resize_file(writtenPath_, chunksEnd_, error);
        ok = ok && !error;
    }
    const std::vector<std::uint8_t> index = EncodeAviIndex(index_);
    const std::vector<std::uint8_t> headers = EncodeAviHeaders(
        streams_, static_cast<std::uint32_t>(chunksEnd_ - kAviFirstChunkOffset), index_.size());
    ok = WriteAt(file_.get(), chunksEnd_, index) && ok;
    ok = WriteAt(file_.get(), 0, headers) && ok;
    ok = std::fflush(file_.get()) == 0 && ok;
    // fclose reports delayed write errors too.
    ok = std::fclose(file_.release()) == 0 && ok;
    if (writtenPath_ != path_) {
        ok = ok && std::rename(writtenPath_.c_str(), path_.c_str()) == 0;
        if (!ok)
            std::remove(writtenPath_.c_str());
    }
    return ok ? AVIERR_OK : AVIERR_FILEWRITE;
}

} // namespace tavrik
