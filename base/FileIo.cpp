#include "base/FileIo.h"

#include "base/UserError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <vector>

namespace tavrik {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The errno of the first failure writing `bytes` to `fd`, or 0.
int WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// New files of at least this size may go to the disk past the page cache.
constexpr std::size_t directMinimum = std::size_t{1} << 20;
// Direct writes start, end and come from multiples of the disk's block
// size: this one fits every common one.
constexpr std::size_t directAlignment = 4096;
constexpr std::size_t directChunk = std::size_t{1} << 20;

struct AlignedDeleter {
    void operator()(char* p) const { ::operator delete[](p, std::align_val_t{directAlignment}); }
};
using AlignedBuffer = std::unique_ptr<char[], AlignedDeleter>;

// Chunk buffers are kept for the next file, so that their pages stay
// backed: writers are threads of their frame and come and go.
class ChunkBuffers {
public:
    AlignedBuffer take()
    {
        const std::lock_guard lock(mutex_);
        if (free_.empty())
            return AlignedBuffer(new (std::align_val_t{directAlignment}) char[directChunk]);
        AlignedBuffer buffer = std::move(free_.back());
        free_.pop_back();
        return buffer;
    }
    void give(AlignedBuffer buffer)
    {
        const std::lock_guard lock(mutex_);
        free_.push_back(std::move(buffer));
    }

private:
    std::mutex mutex_;
    std::vector<AlignedBuffer> free_;
};

ChunkBuffers& chunkBuffers()
{
    static ChunkBuffers buffers;
    return buffers;
}

// The errno of the first failure writing `pieces` to `fd`, or 0: through
// direct writes of whole chunks where the file system takes them, the last
// part of a block with an ordinary write.
int WriteAllDirect(int fd, std::span<const std::string_view> pieces)
{
    bool direct = ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_DIRECT) == 0;
    AlignedBuffer chunk = chunkBuffers().take();
    std::size_t filled = 0;
    int error = 0;
    const auto flush = [&](std::size_t bytes) {
        std::string_view part(chunk.get(), bytes);
        // A file system may take direct writes only of other sizes; the
        // file offset has not moved then.
        if (direct && error == 0 && (error = WriteAll(fd, part)) == EINVAL) {
            direct = false;
            error = ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_DIRECT) == 0 ? 0 : errno;
        }
        if (!direct && error == 0)
            error = WriteAll(fd, part);
    };
    for (std::string_view piece : pieces) {
        while (!piece.empty() && error == 0) {
            const std::size_t n = std::min(piece.size(), directChunk - filled);
            std::memcpy(chunk.get() + filled, piece.data(), n);
            filled += n;
            piece.remove_prefix(n);
            if (filled == directChunk) {
                flush(filled);
                filled = 0;
            }
        }
    }
    const std::size_t whole = filled / directAlignment * directAlignment;
    if (whole > 0)
        flush(whole);
    if (filled > whole && error == 0) {
        if (direct && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_DIRECT) != 0)
            error = errno;
        if (error == 0)
            error = WriteAll(fd, std::string_view(chunk.get() + whole, filled - whole));
    }
    chunkBuffers().give(std::move(chunk));
    return error;
}

// Which way the next large new file is written: the one that took less
// time per byte lately, the other now and then to see whether that has
// changed. Filling new cache pages costs from a fifth of a direct write (a
// machine with memory to spare) to four times it (a virtual machine whose
// host backs each new page on its first touch), and one machine moves
// between the two as it runs. A trial of the slower way costs its whole
// difference (a direct write waits for the disk), so each trial that
// leaves the choice as it was waits twice as long for the next one.
class WriteWays {
public:
    bool nextDirect()
    {
        const std::lock_guard lock(mutex_);
        const unsigned n = files_++;
        if (secondsPerByte_[0] == 0 || secondsPerByte_[1] == 0)
            return secondsPerByte_[0] != 0;
        const bool directFaster = secondsPerByte_[1] < secondsPerByte_[0];
        if (directFaster != directWasFaster_) {
            directWasFaster_ = directFaster;
            trialInterval_ = firstTrialInterval;
            nextTrial_ = n + trialInterval_;
        }
        if (n < nextTrial_)
            return directFaster;
        trialInterval_ = std::min(2 * trialInterval_, lastTrialInterval);
        nextTrial_ = n + trialInterval_;
        return !directFaster;
    }
    void record(bool direct, std::size_t bytes, std::chrono::steady_clock::duration took)
    {
        const double perByte = std::chrono::duration<double>(took).count() / static_cast<double>(bytes);
        const std::lock_guard lock(mutex_);
        double& average = secondsPerByte_[direct ? 1 : 0];
        // Fast enough to follow the machine, slow enough to pass over one
        // write that waited for a core.
        average = average == 0 ? perByte : 0.75 * average + 0.25 * perByte;
    }

private:
    static constexpr unsigned firstTrialInterval = 16;
    static constexpr unsigned lastTrialInterval = 512;
    std::mutex mutex_;
    unsigned files_ = 0;
    double secondsPerByte_[2] = {0, 0}; // buffered, direct; 0 until measured
    bool directWasFaster_ = false;
    unsigned trialInterval_ = firstTrialInterval;
    unsigned nextTrial_ = 0;
};

WriteWays& writeWays()
{
    static WriteWays ways;
    return ways;
}

// Keeps new files from taking page-cache pages the machine has never
// touched: each file's writeback starts as soon as it is written, and the
// pages of the file written `lag` files before (clean by then, unless the
// disk has fallen behind) are dropped from the cache, so the next files
// take pages just freed. On a virtual machine the first touch of a page
// costs ten times the copy into it. Nothing here waits for the disk.
class WriteBehind {
public:
    // Takes a descriptor of a file just written in full; closes it later.
    void add(int fd)
    {
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        int oldest = -1;
        {
            const std::lock_guard lock(mutex_);
            // A forked process has the descriptors, not the files' order.
            if (pid_ != ::getpid()) {
                pid_ = ::getpid();
                files_.clear();
            }
            files_.push_back(fd);
            if (files_.size() > lag) {
                oldest = files_.front();
                files_.erase(files_.begin());
            }
        }
        if (oldest >= 0) {
            ::posix_fadvise(oldest, 0, 0, POSIX_FADV_DONTNEED);
            ::close(oldest);
        }
    }

private:
    static constexpr std::size_t lag = 8;
    std::mutex mutex_;
    pid_t pid_ = 0;
    std::vector<int> files_;
};

WriteBehind& writeBehind()
{
    static WriteBehind behind;
    return behind;
}

} // namespace

void WriteFilePieces(const std::string& path, std::span<const std::string_view> pieces)
{
    // Checked before the work so that a FIFO or a planted link is refused at
    // once; renames replace names and never write through one.
    struct stat existing {};
    const bool exists = ::lstat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        throw UserError("Cannot create file " + path
                        + ": not a regular file (a link, FIFO, device or folder is never written through)");
    if (exists && existing.st_uid != ::geteuid())
        throw UserError("Cannot create file " + path + ": the file belongs to another user");
    // A file its owner made read-only stays as it is.
    if (exists && ::access(path.c_str(), W_OK) != 0)
        throw CannotCreateFileError(path, errno);
    const std::filesystem::path target(path);
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        (target.parent_path() / (std::string(unfinishedFilePrefix) + std::to_string(::getpid()) + "."
                                 + std::to_string(counter++) + "." + target.filename().string()))
            .string();
    // A file of this name alone is taken out of the way and written over in
    // place, then put back: its cached pages are reused, and the file system
    // neither allocates new ones nor flushes the old contents as it does for a
    // file replaced or emptied. Sequences are often rendered again into the
    // same folder. Under its real name the file is only ever whole.
    const bool reuse = exists && existing.st_nlink == 1 && ::rename(path.c_str(), temporary.c_str()) == 0;
    // O_NONBLOCK keeps a FIFO swapped in meanwhile from holding the run;
    // O_NOFOLLOW never follows a link, O_EXCL never opens an existing file.
    const int fd = ::open(temporary.c_str(),
                          O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (reuse ? 0 : O_CREAT | O_EXCL), 0666);
    if (fd < 0) {
        const int error = errno;
        if (reuse)
            ::unlink(temporary.c_str());
        throw CannotCreateFileError(path, error);
    }
    struct stat opened {};
    // The first failure's errno is the one that says why.
    int error = 0;
    if (reuse && (::fstat(fd, &opened) != 0 || opened.st_ino != existing.st_ino || opened.st_dev != existing.st_dev))
        error = EBUSY; // the file was swapped while it was out of the way
    off_t written = 0;
    for (const std::string_view piece : pieces)
        written += static_cast<off_t>(piece.size());
    const bool large = !reuse && static_cast<std::size_t>(written) >= directMinimum;
    const bool direct = large && writeWays().nextDirect();
    const auto start = std::chrono::steady_clock::now();
    if (error == 0 && direct) {
        error = WriteAllDirect(fd, pieces);
    } else {
        for (const std::string_view piece : pieces) {
            if (error != 0)
                break;
            error = WriteAll(fd, piece);
        }
    }
    if (error == 0 && large)
        writeWays().record(direct, static_cast<std::size_t>(written), std::chrono::steady_clock::now() - start);
    if (error == 0 && reuse && existing.st_size > written && ::ftruncate(fd, written) != 0)
        error = errno;
    // A file written over in place keeps its pages: the next run into the
    // folder writes over them again.
    const int kept = error == 0 && !direct && !reuse ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    // close reports delayed write errors (NFS, full disk) too.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (kept >= 0) {
        if (error == 0)
            writeBehind().add(kept);
        else
            ::close(kept);
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        throw CannotCreateFileError(path, error);
    }
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes)
{
    WriteWholeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void WriteWholeFile(const std::string& path, std::string_view text)
{
    WriteFilePieces(path, std::span(&text, 1));
}

void RemoveUnfinishedFiles(const std::string& folder)
{
    std::error_code ignored; // a file that cannot go is overwritten by no one
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        if (entry.path().filename().string().starts_with(unfinishedFilePrefix))
            std::filesystem::remove(entry.path(), ignored);
}

void RemoveFileIfPresent(const std::string& path)
{
    // A missing folder on the way holds no file either.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR)
        throw UserError("Cannot remove file " + path + ": " + std::strerror(errno));
}

void PrepareOutputFolder(const std::string& folder, const std::string& firstFile)
{
    std::error_code ignored; // a failure shows in the probe below
    std::filesystem::create_directory(folder, ignored);
    // Both the name and what it names must be the user's own.
    struct stat link {};
    struct stat target {};
    const bool foreign = (::lstat(folder.c_str(), &link) == 0 && link.st_uid != ::geteuid())
        || (::stat(folder.c_str(), &target) == 0 && target.st_uid != ::geteuid());
    if (foreign)
        throw UserError("Folder " + folder + " belongs to another user: its files are not written");
    // A probe file of a name no job writes, created exclusively so that it
    // never touches an existing file.
    const std::string probe =
        (std::filesystem::path(folder) / (std::string(unfinishedFilePrefix) + "probe." + std::to_string(::getpid())))
            .string();
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw CannotCreateFileError(firstFile, errno);
    ::close(fd);
    ::unlink(probe.c_str());
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                        const std::string& tooLargeMessage)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw CannotOpenFileError(path);
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        if (bytes.size() + n > maxBytes)
            throw UserError(tooLargeMessage);
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk)
            break;
    }
    if (std::ferror(file.get()))
        throw CannotOpenFileError(path);
    return bytes;
}

} // namespace tavrik
