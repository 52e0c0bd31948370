#pragma once

#include <CLI/CLI.hpp>

#include <functional>

namespace tavrik::cli {

// Exit codes of tavrik-cli.
enum ExitCode : int {
    exitOk = 0,
    exitFailure = 1, // the job ran into input or output errors
    exitUsage = 2,   // bad arguments or an unreadable input file
};

// Each command adds its subcommand to the program and returns it together
// with what runs it once the arguments are parsed. The runner returns the
// exit code; a UserError it throws is printed on stderr and ends the program
// with exitFailure.
struct Command {
    CLI::App* subcommand;
    std::function<int()> run;
};

Command AddCheckCommand(CLI::App& app);
Command AddEgoCommand(CLI::App& app);
Command AddRenderCommand(CLI::App& app);
Command AddAviCommand(CLI::App& app);
Command AddScoreCommand(CLI::App& app);
Command AddExportCommand(CLI::App& app);
Command AddSceneCommand(CLI::App& app);
Command AddBatchCommand(CLI::App& app);

} // namespace tavrik::cli
