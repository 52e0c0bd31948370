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
// collects its exit code, stdout and stderr. `shellSetup` (such as a ulimit
// command and "&&") runs before it in the same shell. With `stdoutTarget`
// stdout goes there instead (`out` stays empty).
inline CliResult RunCli(const std::string& arguments, const std::filesystem::path& folder = ScratchFolder("cli"),
                        const std::string& shellSetup = {}, std::filesystem::path stdoutTarget = {})
{
    std::filesystem::create_directories(folder);
    const auto out = folder / "cli-stdout.txt";
    const auto err = folder / "cli-stderr.txt";
    std::filesystem::remove(out);
    if (stdoutTarget.empty())
        stdoutTarget = out;
    const std::string command = "cd '" + folder.string() + "' && " + shellSetup + " '" + std::string(TAVRIK_CLI_PATH)
        + "' " + arguments + " >'" + stdoutTarget.string() + "' 2>'" + err.string() + "' </dev/null";
    const int status = std::system(command.c_str());
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadText(out);
    result.err = ReadText(err);
    return result;
}

} // namespace tavrik::test
