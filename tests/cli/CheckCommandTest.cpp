#include "tests/cli/CliRunner.h"
#include "tests/ScratchFolder.h"

#include "base/FileIo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tavrik {
namespace {

TEST(CheckCommand, TheBuiltInAndTheBundledDefaultSceneHaveNineObjectsAndFiveFrames)
{
    for (const char* scene : {"--default", "'" TAVRIK_ASSET_DIR "/scenes/default.scene'"}) {
        const auto result = test::RunCli(std::string("check ") + scene);
        EXPECT_EQ(result.exitCode, 0) << scene;
        EXPECT_EQ(result.out, "objects: 9\nframes: 5\n") << scene;
        EXPECT_EQ(result.err, "") << scene;
    }
}

TEST(CheckCommand, ConvertErrorsAndWarningsNameTheirLinesAndErrorsFailTheCheck)
{
    const auto folder = test::ScratchFolder();
    WriteWholeFile((folder / "scene.txt").string(),
                   std::string_view("//scene\r\nSPHERE; 1; texture: 11; 1;1;1; 0;0;0; 0;0;0; 1\r\n\r\n"
                                    "QUAD; 2; 0; 1E3\nEGO; 0;0;0.1;0;0;0\n"));
    const auto result = test::RunCli("check scene.txt", folder);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "objects: 2\nframes: 1\n");
    EXPECT_EQ(result.err,
              "line 2: warning: texture number 11 is beyond the texture list (11 textures); the object is untextured\n"
              "line 4: Convert error: ' 1 3' is not a valid floating point value (field 3: \" 1E3\")\n"
              "line 4: warning: QUAD takes 17 numbers, the line has 3: the missing ones are 0\n");
}

TEST(CheckCommand, WarningsAloneDoNotFailTheCheck)
{
    const auto folder = test::ScratchFolder();
    WriteWholeFile((folder / "scene.txt").string(), std::string_view("CUBOID; 1; 12\n"));
    const auto result = test::RunCli("check scene.txt", folder);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "objects: 1\nframes: 0\n");
}

TEST(CheckCommand, AnUnreadableOrOversizedFileIsAUsageError)
{
    const auto folder = test::ScratchFolder();
    const auto missing = test::RunCli("check missing.txt", folder);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "tavrik-cli: Cannot open file missing.txt\n");
    EXPECT_EQ(missing.out, "");

    WriteWholeFile((folder / "big.txt").string(), std::string((16u << 20) + 1, '\n'));
    const auto big = test::RunCli("check big.txt", folder);
    EXPECT_EQ(big.exitCode, 2);
    EXPECT_EQ(big.err, "tavrik-cli: Text exceeds memo capacity: big.txt holds more than 16 MiB\n");
    std::filesystem::remove(folder / "big.txt");
}

TEST(CheckCommand, LinesThatLookMeantButAreIgnoredWarnWithoutFailing)
{
    const auto folder = test::ScratchFolder();
    // A byte-order mark first, as some editors save UTF-8.
    WriteWholeFile((folder / "scene.txt").string(),
                   std::string_view("\xEF\xBB\xBFSPHERE; 1; 0; 1;1;1; 0;0;0; 0;0;0; 1\n"
                                    "//sphere; 1\n"
                                    "sphere; 1; 0; 1;1;1; 0;0;0; 0;0;0; 1\n"
                                    "EGO; 0;0;0.1\n"));
    const auto result = test::RunCli("check scene.txt", folder);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "objects: 1\nframes: 1\n");
    EXPECT_EQ(result.err,
              "line 3: warning: keyword \"sphere\" is not \"SPHERE\" (keywords are exact capitals without a blank or "
              "tab before them): the line is ignored\n"
              "line 4: warning: an EGO line with 3 numbers is neither the short form (6) nor the long form (11 or "
              "more): T and W are read from numbers 6 to 11, the missing ones 0\n");
}

TEST(CheckCommand, OutputThatCannotBeWrittenFails)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const auto result = test::RunCli("check --default", test::ScratchFolder(), {}, "/dev/full");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tavrik-cli: cannot write to standard output: No space left on device\n");
}

TEST(CheckCommand, NeedsExactlyOneOfAFileAndDefault)
{
    const auto folder = test::ScratchFolder();
    EXPECT_EQ(test::RunCli("check", folder).exitCode, 2);
    EXPECT_EQ(test::RunCli("check scene.txt --default", folder).exitCode, 2);
    const auto help = test::RunCli("check --help", folder);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--default"), std::string::npos);
}

} // namespace
} // namespace tavrik
