#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tavrik::test {

// An empty folder of the running test's own under the build's scratch folder,
// named after its suite and test (with `name` below that when one test needs
// several), so that tests may run in parallel. Whatever an earlier run left
// in it is removed first.
inline std::filesystem::path ScratchFolder(const std::string& name = {})
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    auto folder = std::filesystem::path(TAVRIK_TEST_TMP) / info->test_suite_name() / info->name();
    if (!name.empty())
        folder /= name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace tavrik::test
