#include "base/FolderLock.h"

#include "base/UserError.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

namespace tavrik {
namespace {

// A second holder, in this process or another, is refused while the first
// holds the folder; once it is released the folder is free and clean again.
TEST(FolderLock, OneHolderAtATimeAndNoLockFileAfterwards)
{
    const std::string folder = test::ScratchFolder().string();
    std::optional<FolderLock> first(std::in_place, folder);
    try {
        FolderLock second(folder);
        ADD_FAILURE() << "a second lock was taken";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()), "Folder " + folder + " is in use by another run");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            FolderLock other(folder);
        } catch (const UserError&) {
            ::_exit(3);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 3);

    first.reset();
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    FolderLock again(folder);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / FolderLock::lockFileName));
}

} // namespace
} // namespace tavrik
