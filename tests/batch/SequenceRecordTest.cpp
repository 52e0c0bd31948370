#include "batch/SequenceRecord.h"

#include "base/FileIo.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

TEST(SequenceRecord, TextListsEveryFileAndReadsBack)
{
    const SequenceRecord record{"0badf00d", 3, {{"a.bmp", 10, 0x1234abcd}, {"b c.txt", 0, 0}}};
    const std::string text = RecordText(record);
    EXPECT_EQ(text, "tavrik sequence record\ntask 0badf00d\nframes 3\n1234abcd 10 a.bmp\n00000000 0 b c.txt\n");
    EXPECT_EQ(ParseRecord(text), record);
    EXPECT_FALSE(ParseRecord(text.substr(0, 30)));
    EXPECT_FALSE(ParseRecord("tavrik sequence record\ntask x\nframes 1\n12 3 a\n"));
}

// Anything but the very files recorded, byte for byte, is not a finished sequence.
struct Damage {
    const char* name;
    std::function<void(const fs::path&)> apply;
    bool complete;
};

class SequenceDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(SequenceDamageTest, DecidesWhetherTheFolderIsComplete)
{
    const fs::path folder = test::ScratchFolder();
    WriteWholeFile((folder / "left_0000.bmp").string(), std::string_view("image bytes"));
    WriteWholeFile((folder / "scene.txt").string(), std::string_view("EGO; 0; 0; 0; 0; 0; 0\r\n"));
    const std::string path = folder.string() + "/";
    WriteWholeFile(path + recordFileName, RecordText(RecordOfFolder(path, "key1", 1)));
    GetParam().apply(folder);
    EXPECT_EQ(SequenceComplete(path, "key1"), GetParam().complete);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SequenceDamageTest,
    ::testing::Values(
        Damage{"Untouched", [](const fs::path&) {}, true},
        Damage{"ChangedByte", [](const fs::path& f) { WriteWholeFile((f / "scene.txt").string(), std::string_view("EGO; 0; 0; 1; 0; 0; 0\r\n")); }, false},
        Damage{"Truncated", [](const fs::path& f) { fs::resize_file(f / "left_0000.bmp", 5); }, false},
        Damage{"Missing", [](const fs::path& f) { fs::remove(f / "scene.txt"); }, false},
        Damage{"Extra", [](const fs::path& f) { WriteWholeFile((f / "x.pfm").string(), std::string_view("")); }, false},
        Damage{"NoRecord", [](const fs::path& f) { fs::remove(f / recordFileName); }, false},
        Damage{"OtherTask", [](const fs::path& f) {
            WriteWholeFile((f / recordFileName).string(), RecordText(RecordOfFolder(f.string() + "/", "key2", 1)));
        }, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavrik
