#include "base/FolderLock.h"

#include "base/UserError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace tavrik {

FolderLock::FolderLock(const std::string& folder)
    : path_((std::filesystem::path(folder) / lockFileName).string())
{
    // The holder removes the file when done, so the file locked may be one
    // already unlinked: the lock counts only while its file is still the one
    // under the name.
    for (;;) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw CannotCreateFileError(path_, errno);
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd_);
            if (error == EWOULDBLOCK)
                throw UserError("Folder " + folder + " is in use by another run");
            throw CannotCreateFileError(path_, error);
        }
        struct stat locked {};
        struct stat named {};
        if (::fstat(fd_, &locked) == 0 && ::lstat(path_.c_str(), &named) == 0 && locked.st_dev == named.st_dev
            && locked.st_ino == named.st_ino)
            return;
        ::close(fd_);
    }
}

FolderLock::~FolderLock()
{
    // Unlinked while still locked, so no other job can lock this file and
    // believe it holds the folder.
    ::unlink(path_.c_str());
    ::close(fd_);
}

} // namespace tavrik
