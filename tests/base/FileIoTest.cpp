#include "base/FileIo.h"

#include "base/UserError.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

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

// A device that takes no byte stands for a full disk: the file opens, the
// writes fail, and that must never pass as a written file.
TEST(FileIo, AFullDiskIsAWriteErrorNotAShortFile)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(ErrorOf([] { WriteWholeFile("/dev/full", std::string(100000, 'x')); }),
              "Cannot create file /dev/full: No space left on device");
    EXPECT_EQ(ErrorOf([] { WriteWholeFile("/dev/full", std::string_view("x")); }),
              "Cannot create file /dev/full: No space left on device");
    EXPECT_EQ(ErrorOf([] { WriteWholeFile("/nonexistent-folder/x", std::string_view("x")); }),
              "Cannot create file /nonexistent-folder/x: No such file or directory");
}

// An existing file is written over in place: whatever it held beyond the new
// bytes must be gone, and pieces land one after another.
TEST(FileIo, OverwritingLeavesExactlyTheNewBytes)
{
    const std::string path = (test::ScratchFolder() / "over.txt").string();
    const auto read = [&] {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(path, 100, "too large");
        return std::string(bytes.begin(), bytes.end());
    };
    WriteWholeFile(path, std::string_view("0123456789"));
    const std::string_view pieces[] = {"ab", "", "cd"};
    WriteFilePieces(path, pieces);
    EXPECT_EQ(read(), "abcd");
    WriteWholeFile(path, std::string_view("abcdefghijkl"));
    EXPECT_EQ(read(), "abcdefghijkl");
    WriteWholeFile(path, std::string_view(""));
    EXPECT_EQ(read(), "");
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
}

} // namespace
} // namespace tavrik
