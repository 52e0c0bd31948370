#include "cli/Command.h"

#include "base/UserError.h"
#include "scene/DefaultScene.h"
#include "scene/SceneText.h"

#include <iostream>
#include <numeric>
#include <string>
#include <vector>

namespace tavrik::cli {

namespace {

// The texture numbers a scene may use: the eleven bundled textures 0 to 10.
// No GL is needed to check a scene, so they stand in as the names 1 to 11.
std::vector<std::uint32_t> PlaceholderTextures()
{
    std::vector<std::uint32_t> names(11);
    std::iota(names.begin(), names.end(), 1u);
    return names;
}

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

        bool convertErrors = false;
        Scene scene;
        ParseSceneLines(lines, PlaceholderTextures(), scene, [&](std::size_t line, const ParseMessage& message) {
            const bool isError = message.kind == ParseMessage::Kind::ConvertError;
            convertErrors = convertErrors || isError;
            std::cerr << LineMessageText(line, message) << '\n';
        });
        std::cout << "objects: " << scene.objects.size() << '\n' << "frames: " << scene.egos.size() << '\n';
        return convertErrors ? exitFailure : exitOk;
    };
    return {sub, run};
}

} // namespace tavrik::cli
