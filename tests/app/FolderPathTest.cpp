#include "app/FolderPath.h"

#include <gtest/gtest.h>

#include <utility>

namespace tavrik::gui {
namespace {

class StoredFolder : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(StoredFolder, KeepsOnlyTheRootsSeparator)
{
    EXPECT_EQ(StoredFolderPath(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Paths, StoredFolder,
                         ::testing::Values(std::pair{"/data", "/data"}, std::pair{"/data/", "/data"},
                                           std::pair{"/data/run//", "/data/run"}, std::pair{"/", "/"},
                                           std::pair{"//", "/"}));

} // namespace
} // namespace tavrik::gui
