// TEMPORARY placeholder during parallel development; replaced by the real command.
#include "cli/Command.h"
namespace tavrik::cli {
Command AddAviCommand(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand("avi", "(not built yet)");
    return {sub, [] { return exitFailure; }};
}
} // namespace tavrik::cli
