#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

struct Folder {
    const char* name;
    // Folders of the windows it must not include: only the desktop program
    // knows all of them.
    std::vector<std::string> above;
};

class IncludeDirection : public ::testing::TestWithParam<Folder> {};

TEST_P(IncludeDirection, NoWindowFolderIncludesOneAboveIt)
{
    const fs::path folder = fs::path(TAVRIK_ASSET_DIR).parent_path() / GetParam().name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line))
            for (const std::string& above : GetParam().above)
                EXPECT_EQ(line.find("#include \"" + above + "/"), std::string::npos)
                    << entry.path() << ": " << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, IncludeDirection,
                         ::testing::Values(Folder{"editor", {"app"}}, Folder{"gui", {"app", "editor"}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavrik
