#include "base/FileIo.h"

#include "base/UserError.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <functional>
#include <string>

namespace tavrik {
namespace {

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const UserError& e) {
        return e.what();
    }
    return "no error";
}

std::string Read(const std::filesystem::path& path)
{
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path.string(), 8 << 20, "too large");
    return std::string(bytes.begin(), bytes.end());
}

// A file-size limit stands for a full disk: the writes fail part-way, which
// must never pass as a written file nor leave a torn one under the name (the
// old file was being written over; nothing at all is left).
TEST(FileIo, AFullDiskIsAWriteErrorAndLeavesNoTornFile)
{
    const std::filesystem::path folder = test::ScratchFolder();
    const std::string path = (folder / "full.txt").string();
    WriteWholeFile(path, std::string_view("old"));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = ErrorOf([&] { WriteWholeFile(path, std::string(100000, 'x')); });
    // A large new file goes past the page cache; it fails the same way part-way.
    small.rlim_cur = 1'500'000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string large = (folder / "large.txt").string();
    const std::string largeError = ErrorOf([&] { WriteWholeFile(large, std::string(3'000'000, 'x')); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(error, "Cannot create file " + path + ": File too large");
    EXPECT_EQ(largeError, "Cannot create file " + large + ": File too large");
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(ErrorOf([] { WriteWholeFile("/nonexistent-folder/x", std::string_view("x")); }),
              "Cannot create file /nonexistent-folder/x: No such file or directory");
}

// An existing file is replaced: whatever it held beyond the new bytes must be
// gone, pieces land one after another, and another hard link to the old
// file (a snapshot) keeps the old bytes.
TEST(FileIo, ReplacingLeavesExactlyTheNewBytesAndSparesOtherLinks)
{
    const std::filesystem::path folder = test::ScratchFolder();
    const std::string path = (folder / "over.txt").string();
    WriteWholeFile(path, std::string_view("0123456789"));
    std::filesystem::create_hard_link(path, folder / "snapshot.txt");
    const std::string_view pieces[] = {"ab", "", "cd"};
    WriteFilePieces(path, pieces);
    EXPECT_EQ(Read(path), "abcd");
    EXPECT_EQ(Read(folder / "snapshot.txt"), "0123456789");
    WriteWholeFile(path, std::string_view("abcdefghijkl"));
    EXPECT_EQ(Read(path), "abcdefghijkl");
    WriteWholeFile(path, std::string_view(""));
    EXPECT_EQ(Read(path), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
}

// New files of megabytes are written in two ways, each tried among the
// first files: their bytes, in pieces of every alignment, arrive all and in
// order either way.
TEST(FileIo, LargeNewFilesHoldExactlyTheirPieces)
{
    const std::filesystem::path folder = test::ScratchFolder();
    std::string bytes(3'000'003, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7919 % 251);
    const std::string_view all(bytes);
    const std::string_view pieces[] = {all.substr(0, 3), all.substr(3, 1 << 20), all.substr(3 + (1 << 20))};
    for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
        WriteFilePieces((folder / name).string(), pieces);
        const std::string read = Read(folder / name);
        ASSERT_EQ(read.size(), bytes.size()) << name;
        EXPECT_TRUE(read == bytes) << name; // not printed: megabytes
    }
}

// Each new file's pages leave the cache some files later, through a
// descriptor kept until then: all files keep their bytes, and only the few
// latest descriptors stay open.
TEST(FileIo, ManyNewFilesKeepTheirBytesAndFewDescriptors)
{
    const std::filesystem::path folder = test::ScratchFolder();
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = openDescriptors();
    const auto contents = [](int i) { return std::string(100'000 + i, static_cast<char>('a' + i % 26)); };
    for (int i = 0; i < 40; ++i)
        WriteWholeFile((folder / std::to_string(i)).string(), contents(i));
    EXPECT_LE(openDescriptors(), before + 8);
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(Read(folder / std::to_string(i)) == contents(i)) << i; // not printed: 100 kB
}

// What stands under an output name and is no regular file of the user's own
// is refused at once, and nothing it leads to is touched.
class FileIoRefusal : public testing::TestWithParam<std::string> {};

TEST_P(FileIoRefusal, NothingButTheUsersOwnRegularFileIsReplaced)
{
    namespace fs = std::filesystem;
    const fs::path folder = test::ScratchFolder();
    const fs::path target = folder / "elsewhere.txt";
    WriteWholeFile(target.string(), std::string_view("keep"));
    const fs::path path = folder / "out.txt";
    std::string reason = ": not a regular file (a link, FIFO, device or folder is never written through)";
    if (GetParam() == "symlink") {
        fs::create_symlink(target, path);
    } else if (GetParam() == "fifo") {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    } else if (GetParam() == "folder") {
        fs::create_directory(path);
    } else {
        if (::geteuid() != 0)
            GTEST_SKIP() << "only root can give a file to another user";
        WriteWholeFile(path.string(), std::string_view("theirs"));
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        reason = ": the file belongs to another user";
    }
    EXPECT_EQ(ErrorOf([&] { WriteWholeFile(path.string(), std::string_view("new")); }),
              "Cannot create file " + path.string() + reason);
    EXPECT_EQ(Read(target), "keep");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2); // no temporary file stays
}

INSTANTIATE_TEST_SUITE_P(Targets, FileIoRefusal, testing::Values("symlink", "fifo", "folder", "foreign"));

TEST(FileIo, LeftoversOfKilledWritersAloneAreRemoved)
{
    const std::filesystem::path folder = test::ScratchFolder();
    WriteWholeFile((folder / (std::string(unfinishedFilePrefix) + "77.0.left_0000.bmp")).string(),
                   std::string_view("torn"));
    WriteWholeFile((folder / "left_0000.bmp").string(), std::string_view("whole"));
    RemoveUnfinishedFiles(folder.string());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    EXPECT_EQ(Read(folder / "left_0000.bmp"), "whole");
}

TEST(FileIo, ReadingAllowsExactlyTheCapAndOpenErrorsNameThePath)
{
    const std::string path = (test::ScratchFolder() / "ten.bin").string();
    WriteWholeFile(path, std::string_view("0123456789"));
    EXPECT_EQ(ReadWholeFile(path, 10, "too large").size(), 10u);
    EXPECT_EQ(ErrorOf([&] { ReadWholeFile(path, 9, "too large"); }), "too large");
    EXPECT_EQ(ErrorOf([&] { ReadWholeFile(path + ".missing", 10, "too large"); }),
              "Cannot open file " + path + ".missing");
}

TEST(FileIo, AnOutputFolderIsMadeAndCheckedBeforeTheWork)
{
    const std::filesystem::path root = test::ScratchFolder();
    const std::string folder = (root / "7").string();
    PrepareOutputFolder(folder, folder + "/first.bmp");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_empty(folder)); // the probe is gone
    PrepareOutputFolder(folder, folder + "/first.bmp"); // an existing folder is fine

    const std::string orphan = (root / "missing" / "7").string();
    EXPECT_EQ(ErrorOf([&] { PrepareOutputFolder(orphan, orphan + "/first.bmp"); }),
              "Cannot create file " + orphan + "/first.bmp: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(root / "missing"));

    if (::geteuid() != 0)
        return; // only root can give a folder to another user
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(ErrorOf([&] { PrepareOutputFolder(folder, folder + "/first.bmp"); }),
              "Folder " + folder + " belongs to another user: its files are not written");
}

} // namespace
} // namespace tavrik
