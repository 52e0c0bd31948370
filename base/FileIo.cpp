#include "base/FileIo.h"

#include "base/UserError.h"

#include <fcntl.h>
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

void WriteBytes(const std::string& path, const void* data, std::size_t size)
{
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw CannotCreateFileError(path, errno);
    // The first failure's errno is the one that says why.
    int error = 0;
    if (size != 0 && std::fwrite(data, 1, size, file.get()) != size)
        error = errno;
    if (std::fflush(file.get()) != 0 && error == 0)
        error = errno;
    // fclose reports delayed write errors (NFS, full disk) too.
    if (std::fclose(file.release()) != 0 && error == 0)
        error = errno;
    if (error != 0)
        throw CannotCreateFileError(path, error);
}

} // namespace

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes)
{
    WriteBytes(path, bytes.data(), bytes.size());
}

void WriteWholeFile(const std::string& path, std::string_view text)
{
    WriteBytes(path, text.data(), text.size());
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
