#pragma once

#include "video/AviLayout.h"
#include "video/AviResult.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// 32-bit RIFF readers accept files up to 2 GiB; AviFile refuses to grow a
// file beyond that.
inline constexpr std::uint64_t kMaxAviFileBytes = std::uint64_t{1} << 31;

// Handle of one stream of an AviFile: its number in creation order, which
// is also the number in its sample chunks' ids.
struct AviStream {
    std::size_t index = 0;
    friend bool operator==(const AviStream&, const AviStream&) = default;
};

// An AVI file being written: the streams it holds, their descriptions and
// formats, and their samples. Sample chunks go to the file as they come (one
// chunk per write, no copy of the data); the index and the headers with the
// final counts are written by Close, so the file is complete only then. A
// failed write leaves the file as it was before it, and Close still finishes
// a valid file with everything written up to then.
//
// The bytes go to a temporary file beside `path` (`path` + ".partial"),
// which Close renames to `path` once it is finished: a file already under
// that name survives a failed or killed write, and no half-written file
// ever stands under it. Only a `path` that names something other than a
// regular file (a device) is written in place.
class AviFile {
public:
    // Creates the file for writing. The finished file will not exceed
    // `maxFileBytes` (at most kMaxAviFileBytes). Returns null and sets
    // `result` to AVIERR_FILEOPEN, `errno` telling why, when it cannot be
    // created.
    static std::unique_ptr<AviFile> Create(const std::string& path, std::uint64_t maxFileBytes,
                                           AviResult& result);

    // Without Close the temporary file is removed and `path` left as it was.
    ~AviFile();
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    // Adds a stream described by `info` and sets `stream` to it. It starts
    // with no samples (length 0) and an empty format until SetFormat. AVIERR_BADPARAM for a scale or rate of 0 (no
    // reader can time such a stream); AVIERR_BADSIZE when the headers would
    // no longer fit the file's header space.
    AviResult CreateStream(const AviStreamInfo& info, AviStream& stream);

    // Layers a compressing stream using compressor `handler` on `source` and
    // returns it. The only compressor, and so the only `handler`, is
    // kHandlerDib, which stores device-independent bitmaps as they are: the
    // compressed stream writes straight into `source`, whose description then
    // names the handler.
    AviStream MakeCompressedStream(AviStream source, std::uint32_t handler);

    // Sets the format of `stream` (before its first sample). AVIERR_BADSIZE
    // when the headers would no longer fit.
    AviResult SetFormat(AviStream stream, std::span<const std::uint8_t> format);
    std::span<const std::uint8_t> Format(AviStream stream) const;
    const AviStreamInfo& Info(AviStream stream) const;

    // Writes `samples` samples held in `data` at sample position `start`,
    // which must be the stream's length so far, as one chunk whose index
    // entry carries `flags`. AVIERR_ERROR when the finished file would grow
    // beyond its size limit, AVIERR_FILEWRITE when the file refuses the
    // bytes; either way the stream stays as it was.
    AviResult Write(AviStream stream, std::uint32_t start, std::uint32_t samples,
                    std::span<const std::uint8_t> data, std::uint32_t flags);

    // Bytes a chunk written next may hold, its pad byte included, within
    // the size limit.
    std::uint64_t RoomLeft() const;

    // The errno of the last write that failed, 0 when none did.
    int WriteError() const { return writeError_; }

    // Writes the index and the headers with the final counts, closes the
    // file and puts it under its name. AVIERR_FILEWRITE when any of it
    // fails; the temporary file is then removed. Call once.
    AviResult Close();

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    AviFile(std::string path, std::string writtenPath, std::FILE* file, std::uint64_t maxFileBytes);
    AviStreamHeaders& Stream(AviStream stream);
    const AviStreamHeaders& Stream(AviStream stream) const;

    std::string path_;
    // Where the bytes go: the temporary file, or path_ itself for a device.
    std::string writtenPath_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::uint64_t maxFileBytes_;
    std::vector<AviStreamHeaders> streams_;
    std::vector<AviIndexEntry> index_;
    // File offset just past the last chunk written completely.
    std::uint64_t chunksEnd_ = kAviFirstChunkOffset;
    // A write failed part-way: bytes past chunksEnd_ may be a torn chunk.
    bool tornWrite_ = false;
    int writeError_ = 0;
};

} // namespace tavrik
