#include "base/FileIo.h"

#include "base/UserError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

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
    for (const std::string_view piece : pieces) {
        if (error != 0)
            break;
        error = WriteAll(fd, piece);
        written += static_cast<off_t>(piece.size());
    }
    if (error == 0 && reuse && existing.st_size > written && ::ftruncate(fd, written) != 0)
        error = errno;
    // close reports delayed write errors (NFS, full disk) too.
    if (::close(fd) != 0 && error == 0)
        error = errno;
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
