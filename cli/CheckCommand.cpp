#include "cli/Command.h"

#include "base/UserError.h"
#include "scene/DefaultScene.h"
#include "scene/SceneText.h"
#include "scene/SceneWarnings.h"

#include <iostream>
#include <string>
#include <vector>

namespace tavrik::cli {

namespace {

// The texture numbers a scene may use: the eleven bundled textures 0 to 10.
constexpr std::size_t textureCount = 11;

} // namespace

Command AddCheckCommand(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(
        "check", "Parse a scene text and report its object and frame counts, convert errors and warnings");
    struct Options {
        std::string path;
        bool useDefault = false;
    };
    auto options = std::make_shared<Options>();
    CLI::Option_group* source = sub->add_option_group("scene", "The scene text to check (one of)");
    source->add_option("SCENE", options->path, "Scene file to check");
    source->add_flag("--default", options->useDefault, "Check the built-in default scene");
    source->require_option(1);

    const auto run = [options]() -> int {
        std::vector<std::string> lines;
        if (options->useDefault) {
            lines = DefaultSceneLines();
        } else {
            try {
                lines = ReadSceneFile(options->path);
            } catch (const UserError& e) {
                std::cerr << "tavrik-cli: " << e.what() << '\n';
                return exitUsage;
            }
        }

        const SceneCheck check = CheckSceneText(lines, textureCount);
        for (const SceneLineMessage& m : check.messages)
            std::cerr << LineMessageText(m.lineNumber, m.message) << '\n';
        std::cout << "objects: " << check.objects << '\n' << "frames: " << check.frames << '\n';
        return check.convertErrors ? exitFailure : exitOk;
    };
    return {sub, run};
}

} // namespace tavrik::cli
