// TEMPORARY placeholder during parallel development; replaced by the real command.
#include "cli/Command.h"
namespace tavrik::cli {
Command AddRenderCommand(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand("render", "(not built yet)");
    return {sub, [] { return exitFailure; }};
}
} // namespace tavrik::cli
