#include "cli/Command.h"

#include "base/UserError.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

// Whatever went to stdout must have reached it: a script that reads the
// output must never take a cut-off text for the whole.
int CheckedStdout(int exitCode)
{
    std::cout.flush();
    if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout.good())
        return exitCode;
    const int error = errno;
    std::cerr << "tavrik-cli: cannot write to standard output: " << std::strerror(error) << '\n';
    return tavrik::cli::exitFailure;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace tavrik::cli;
    // A file-size limit (ulimit -f) then fails the write that meets it, which
    // is reported, instead of killing the program half-way through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"Tavrik: synthetic stereo image sequences with exact ground truth", "tavrik-cli"};
    app.set_version_flag("--version", "tavrik-cli " TAVRIK_VERSION);
    app.require_subcommand(1);

    const std::vector<Command> commands{
        AddCheckCommand(app),
        AddEgoCommand(app),
        AddRenderCommand(app),
        AddAviCommand(app),
        AddScoreCommand(app),
        AddExportCommand(app),
        AddSceneCommand(app),
        AddBatchCommand(app),
    };

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return exitUsage;
    }

    for (const Command& command : commands) {
        if (!command.subcommand->parsed())
            continue;
        try {
            return CheckedStdout(command.run());
        } catch (const tavrik::UserError& e) {
            std::cerr << "tavrik-cli: " << e.what() << '\n';
            return CheckedStdout(exitFailure);
        } catch (const std::exception& e) {
            // Not the user's doing, but a message and an exit code serve a
            // script better than an abort after the work.
            std::cerr << "tavrik-cli: internal error: " << e.what() << '\n';
            return CheckedStdout(exitFailure);
        }
    }
    return exitUsage;
}
