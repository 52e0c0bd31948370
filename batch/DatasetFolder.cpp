#include "batch/DatasetFolder.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "batch/Plan.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace tavrik {

namespace {

constexpr std::string_view temporaryPrefix = ".tmp-";

std::optional<std::string> ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Written under a name of this process and renamed, so a reader never sees
// half of it, also when several array tasks write it at once.
void ReplaceFile(const std::string& path, const std::string& text)
{
    const std::string partial = path + ".partial-" + ShortHostName() + "-" + std::to_string(getpid());
    WriteWholeFile(partial, text);
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(partial.c_str());
        throw CannotCreateFileError(path, error);
    }
}

bool ProcessGone(long pid)
{
    return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

std::string ShortHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    std::string host = name;
    return host.substr(0, host.find('.'));
}

std::optional<TemporaryOwner> TemporaryFolderOwner(const std::string& folderName)
{
    if (folderName.rfind(temporaryPrefix, 0) != 0)
        return std::nullopt;
    const std::string rest = folderName.substr(temporaryPrefix.size());
    const std::size_t first = rest.find('-');
    const std::size_t last = rest.rfind('-');
    if (first == std::string::npos || last <= first + 1 || last + 1 >= rest.size())
        return std::nullopt;
    TemporaryOwner owner{rest.substr(0, first), rest.substr(first + 1, last - first - 1), 0};
    const std::string pid = rest.substr(last + 1);
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid.size() > 9)
        return std::nullopt;
    owner.pid = std::stol(pid);
    return owner;
}

DatasetFolder::DatasetFolder(std::string folder) : folder_(std::move(folder))
{
    while (folder_.size() > 1 && folder_.back() == '/')
        folder_.pop_back();
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error || !fs::is_directory(folder_))
        throw CannotCreateFileError(folder_ + "/plan.json", error.value());
}

void DatasetFolder::AdoptPlan(const std::string& planText, const std::string& canonical, bool force) const
{
    const std::string path = folder_ + "/plan.json";
    if (const std::optional<std::string> stored = ReadText(path)) {
        std::string storedCanonical;
        try {
            storedCanonical = ParsePlan(*stored, path).canonical;
        } catch (const UserError&) {
            // A plan that no longer reads is another plan.
        }
        if (storedCanonical == canonical)
            return;
        if (!force)
            throw UserError(folder_ + " was made from another plan (" + path
                            + "); --force renders this plan into it, redoing the sequences it changes");
    }
    ReplaceFile(path, planText);
}

std::string DatasetFolder::SequencePath(const std::string& name) const
{
    return folder_ + "/" + name + "/";
}

std::vector<std::string> DatasetFolder::RemoveStaleTemporaries() const
{
    std::vector<std::string> removed;
    const std::string host = ShortHostName();
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        const std::optional<TemporaryOwner> owner = TemporaryFolderOwner(name);
        // Another host's process cannot be asked whether it lives.
        if (!owner || owner->host != host || !ProcessGone(owner->pid))
            continue;
        const int fd = open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fs::remove_all(entry.path(), error);
            if (!error)
                removed.push_back(name);
        }
        close(fd);
    }
    return removed;
}

void DatasetFolder::RecordFailure(const std::string& name, const std::string& reason) const
{
    std::error_code error;
    fs::create_directories(folder_ + "/failed", error);
    ReplaceFile(folder_ + "/failed/" + name + ".txt", reason + "\n");
}

void DatasetFolder::ClearFailure(const std::string& name) const
{
    std::error_code error;
    fs::remove(folder_ + "/failed/" + name + ".txt", error);
}

std::optional<std::string> DatasetFolder::Failure(const std::string& name) const
{
    std::optional<std::string> text = ReadText(folder_ + "/failed/" + name + ".txt");
    if (text && !text->empty() && text->back() == '\n')
        text->pop_back();
    return text;
}

SequenceInProgress::SequenceInProgress(const DatasetFolder& dataset, const std::string& name)
    : dataset_(dataset), name_(name),
      folder_(dataset.path() + "/" + std::string(temporaryPrefix) + name + "-" + ShortHostName() + "-"
              + std::to_string(getpid()))
{
    std::error_code error;
    fs::remove_all(folder_, error); // left by a process gone long ago that had this pid
    if (!fs::create_directory(folder_, error))
        throw CannotCreateFileError(folder_, error.value());
    lock_ = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ < 0 || flock(lock_, LOCK_EX) != 0)
        throw CannotCreateFileError(folder_, errno);
}

SequenceInProgress::~SequenceInProgress()
{
    std::error_code error;
    if (!folder_.empty())
        fs::remove_all(folder_, error);
    if (lock_ >= 0)
        close(lock_);
}

void SequenceInProgress::Commit()
{
    const std::string target = dataset_.SequencePath(name_);
    const std::string finished = target.substr(0, target.size() - 1);
    std::error_code error;
    // An outdated or broken folder of the same name goes aside first: the
    // rename below cannot replace a folder that holds files.
    if (fs::exists(finished, error)) {
        fs::rename(finished, folder_ + "/old", error);
        if (error)
            throw CannotCreateFileError(finished, error.value());
    }
    fs::rename(contentFolder(), finished, error);
    if (error)
        throw CannotCreateFileError(finished, error.value());
    fs::remove_all(folder_, error);
    folder_.clear();
}

} // namespace tavrik
