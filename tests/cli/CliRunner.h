#pragma once

#include "tests/ScratchFolder.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tavrik::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs tavrik-cli with `arguments` (a shell-quoted text) in `folder` and
// collects its exit code, stdout and stderr.
inline CliResult RunCli(const std::string& arguments, const std::filesystem::path& folder = ScratchFolder("cli"))
{
    std::filesystem::create_directories(folder);
    const auto out = folder / "cli-stdout.txt";
    const auto err = folder / "cli-stderr.txt";
    const std::string command = "cd '" + folder.string() + "' && '" + std::string(TAVRIK_CLI_PATH) + "' "
        + arguments + " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
    const int status = std::system(command.c_str());
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadText(out);
    result.err = ReadText(err);
    return result;
}

} // namespace tavrik::test
