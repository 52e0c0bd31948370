#include "scene/SceneText.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace tavrik {
namespace {

using Lines = std::vector<std::string>;

std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct SplitCase {
    const char* text;
    Lines lines;
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, EndsLinesAtCrLfLoneCrAndLoneLf)
{
    EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(SceneText, Split,
                         ::testing::Values(SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\r\nb", {"a", "b"}},
                                           SplitCase{"a\rb\nc\r\n", {"a", "b", "c"}}, SplitCase{"a\n\n", {"a", ""}},
                                           SplitCase{"\n", {""}}, SplitCase{"\r\n\r\n", {"", ""}},
                                           // LF then CR is two line ends; so is CR then CR LF.
                                           SplitCase{"a\n\rb", {"a", "", "b"}}, SplitCase{"a\r\r\nb", {"a", "", "b"}},
                                           SplitCase{" x ;\t", {" x ;\t"}}));

TEST(SceneText, SaveWritesCrLfAfterEveryLineAndLoadGivesTheLinesBack)
{
    const auto folder = test::ScratchFolder();
    for (const Lines& lines : {Lines{"SPHERE; 1", "", "EGO; 0;0;0;0;0;0", ""}, Lines{""}, Lines{}, Lines{"  a  "}}) {
        const std::string path = (folder / "scene.txt").string();
        WriteSceneFile(path, lines);
        EXPECT_EQ(ReadSceneFile(path), lines);
    }
    WriteSceneFile((folder / "two.txt").string(), {"a", "b"});
    EXPECT_EQ(FileBytes(folder / "two.txt"), "a\r\nb\r\n");
}

TEST(SceneText, AByteOrderMarkAtTheStartIsDropped)
{
    const auto folder = test::ScratchFolder();
    WriteWholeFile((folder / "bom.txt").string(), std::string_view("\xEF\xBB\xBFSPHERE; 1\n\xEF\xBB\xBF\n"));
    // Only at the start of the file: elsewhere it is text like any other.
    EXPECT_EQ(ReadSceneFile((folder / "bom.txt").string()), (Lines{"SPHERE; 1", "\xEF\xBB\xBF"}));
}

TEST(SceneText, LoadReadsBareLfLikeCrLf)
{
    const auto folder = test::ScratchFolder();
    WriteWholeFile((folder / "lf.txt").string(), std::string_view("SPHERE; 1\n\nEGO;\n"));
    WriteWholeFile((folder / "crlf.txt").string(), std::string_view("SPHERE; 1\r\n\r\nEGO;\r\n"));
    EXPECT_EQ(ReadSceneFile((folder / "lf.txt").string()), (Lines{"SPHERE; 1", "", "EGO;"}));
    EXPECT_EQ(ReadSceneFile((folder / "crlf.txt").string()), ReadSceneFile((folder / "lf.txt").string()));
}

void ExpectUserError(const std::function<void()>& action, const std::string& message)
{
    try {
        action();
        ADD_FAILURE() << "no error; expected " << message;
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

TEST(SceneText, FileErrorsCarryTheSystemsMessages)
{
    const auto folder = test::ScratchFolder();
    const std::string missing = (folder / "missing.txt").string();
    ExpectUserError([&] { ReadSceneFile(missing); }, "Cannot open file " + missing);
    ExpectUserError([&] { ReadSceneFile(""); }, "Cannot open file ");
    ExpectUserError([&] { ReadSceneFile(folder.string()); }, "Cannot open file " + folder.string());
    const std::string unwritable = (folder / "no-such-folder" / "scene.txt").string();
    ExpectUserError([&] { WriteSceneFile(unwritable, {"a"}); }, "Cannot create file " + unwritable + ": No such file or directory");

    const std::string large = (folder / "large.txt").string();
    WriteWholeFile(large, std::string(maxSceneFileBytes + 1, ';'));
    ExpectUserError([&] { ReadSceneFile(large); },
                    "Text exceeds memo capacity: " + large + " holds more than 16 MiB");
    WriteWholeFile(large, std::string(maxSceneFileBytes, ';'));
    EXPECT_EQ(ReadSceneFile(large).size(), 1u);
    std::filesystem::remove(large);
}

TEST(SceneText, LineMessagesNameTheLineAndMarkWarnings)
{
    EXPECT_EQ(LineMessageText(3, {ParseMessage::Kind::ConvertError, "Convert error: 'x' is not a valid floating point value"}),
              "line 3: Convert error: 'x' is not a valid floating point value");
    EXPECT_EQ(LineMessageText(12, {ParseMessage::Kind::Warning, "texture 11 does not exist"}),
              "line 12: warning: texture 11 does not exist");
}

TEST(SceneText, ParsingFillsObjectsAndFramesInTextOrderAndNumbersTheMessagesLines)
{
    Scene scene;
    scene.textures = {7, 8};
    scene.objects.push_back(std::make_unique<Kula>(1)); // from an earlier preparation
    const Lines lines{"//comment", "EGO; 1;0;0;0;0;0", "QUAD; 1; texture: 5", "", "SPHERE; x; 1", "EGO; 2;0;0;0;0;0"};
    std::vector<std::string> messages;
    ParseSceneLines(lines, scene.textures, scene, [&](std::size_t line, const ParseMessage& m) {
        messages.push_back(std::to_string(line) + ": " + m.text);
    });
    ASSERT_EQ(scene.objects.size(), 2u);
    EXPECT_EQ(scene.objects[0]->kind, kindQuad);
    EXPECT_EQ(scene.objects[1]->kind, kindSphere);
    ASSERT_EQ(scene.egos.size(), 2u);
    EXPECT_EQ(scene.egos[0]->position[0], 1);
    EXPECT_EQ(scene.egos[1]->position[0], 2);
    EXPECT_EQ(scene.textures, (std::vector<std::uint32_t>{7, 8}));
    EXPECT_EQ(messages,
              (std::vector<std::string>{
                  "3: texture number 5 is beyond the texture list (2 textures); the object is untextured",
                  "5: Convert error: '  ' is not a valid floating point value (field 1: \" x\")"}));

    ParseSceneLines({"EGO;"}, {}, scene, {});
    EXPECT_EQ(scene.objects.size(), 0u);
    EXPECT_EQ(scene.egos.size(), 1u);
}

} // namespace
} // namespace tavrik
