#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tavrik {
namespace {

namespace fs = std::filesystem;

// Only the desktop program knows every window: the editor includes no file
// of app/, and the helpers below both include neither.
TEST(IncludeDirection, NoWindowFolderIncludesOneAboveIt)
{
    const struct {
        const char* folder;
        const char* above;
    } arrows[] = {{"editor", "app/"}, {"gui", "app/"}, {"gui", "editor/"}};
    for (const auto& arrow : arrows)
        for (const auto& entry : fs::directory_iterator(fs::path(TAVRIK_ASSET_DIR).parent_path() / arrow.folder)) {
            std::ifstream in(entry.path());
            for (std::string line; std::getline(in, line);)
                EXPECT_EQ(line.find(std::string("#include \"") + arrow.above), std::string::npos) << entry.path();
        }
}

} // namespace
} // namespace tavrik
