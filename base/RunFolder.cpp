#include "base/RunFolder.h"

#include "base/FileIo.h"

namespace tavrik {

const std::string& RunFolder::Prepared(const std::string& folder, const std::string& firstFile)
{
    PrepareOutputFolder(folder, firstFile);
    return folder;
}

RunFolder::RunFolder(const std::string& folder, const std::string& firstFile)
    : lock_(Prepared(folder, firstFile))
{
    // Only while the lock is held: no running writer's temporary file goes.
    RemoveUnfinishedFiles(folder);
}

} // namespace tavrik
