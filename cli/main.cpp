#include "cli/Command.h"

#include "base/UserError.h"

#include <iostream>
#include <vector>

int main(int argc, char** argv)
{
    using namespace tavrik::cli;
    CLI::App app{"Tavrik: synthetic stereo image sequences with exact ground truth", "tavrik-cli"};
    app.set_version_flag("--version", "tavrik-cli " TAVRIK_VERSION);
    app.require_subcommand(1);

    const std::vector<Command> commands{
        AddCheckCommand(app),
        AddEgoCommand(app),
        AddRenderCommand(app),
        AddAviCommand(app),
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
            return command.run();
        } catch (const tavrik::UserError& e) {
            std::cerr << "tavrik-cli: " << e.what() << '\n';
            return exitFailure;
        }
    }
    return exitUsage;
}
