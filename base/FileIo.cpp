#include "base/FileIo.h"

#include "base/UserError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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
    // An existing file is written over in place and cut to its new length
    // afterwards instead of being emptied first: its cached pages are reused,
    // and the file system does not flush the old contents at close as it does
    // for a file emptied and written again. Sequences are often rendered
    // again into the same folder.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        throw CannotCreateFileError(path, errno);
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    // The first failure's errno is the one that says why.
    int error = 0;
    off_t written = 0;
    for (const std::string_view piece : pieces) {
        error = WriteAll(fd, piece);
        if (error != 0)
            break;
        written += static_cast<off_t>(piece.size());
    }
    // A failed write leaves no earlier contents behind what it wrote either.
    if (regular && (error != 0 || status.st_size > written) && ::ftruncate(fd, written) != 0 && error == 0)
        error = errno;
    // close reports delayed write errors (NFS, full disk) too.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        throw CannotCreateFileError(path, error);
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes)
{
    WriteWholeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void WriteWholeFile(const std::string& path, std::string_view text)
{
    WriteFilePieces(path, std::span(&text, 1));
}

void PrepareOutputFolder(const std::string& folder, const std::string& firstFile)
{
    std::error_code ignored; // a failure shows in the probe below
    std::filesystem::create_directory(folder, ignored);
    // A probe file of a name no job writes, created exclusively so that it
    // never touches an existing file.
    const std::string probe =
        (std::filesystem::path(folder) / (".tavrik-write-check-" + std::to_string(::getpid()))).string();
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
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
