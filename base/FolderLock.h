#pragma once

#include <string>

namespace tavrik {

// Holds a folder for one job at a time: an exclusive flock on the file
// `lockFileName` inside it, from construction until destruction. A second
// job on the same folder, in this process or another, is refused at once
// with UserError "Folder %s is in use by another run" rather than waiting, so
// that two runs never write into one folder together. The lock file is removed
// when the lock is released; a folder stays as clean as the job leaves it. A
// killed job's lock goes with its process.
class FolderLock {
public:
    static constexpr const char* lockFileName = ".tavrik.lock";

    // `folder` must exist. Throws UserError "Cannot create file %s" when the
    // lock file cannot be made.
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    std::string path_;
    int fd_ = -1;
};

} // namespace tavrik
