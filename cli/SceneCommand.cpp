#include "cli/Command.h"

#include "scene/RandomScene.h"

#include <iostream>
#include <memory>
#include <string>

namespace tavrik::cli {

Command AddSceneCommand(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand("scene", "Make scene texts");
    sub->require_subcommand(1);
    CLI::App* random = sub->add_subcommand("random", "Print a random scene: the same seed and options give the "
                                                     "same text on every machine");
    struct Options {
        RandomSceneOptions scene;
        std::string motion = "medium";
    };
    auto options = std::make_shared<Options>();
    random->add_option("--seed", options->scene.seed, "Seed of the scene")->required();
    random->add_option("--objects", options->scene.objects, "Number of objects, 1 to 255 (default: 20 to 40)")
        ->check(CLI::Range(1, 255));
    random->add_option("--frames", options->scene.frames, "Number of EGO lines, 1 to 10000")
        ->check(CLI::Range(1, 10000))
        ->capture_default_str();
    random->add_option("--motion", options->motion,
                       "Motion per frame: small (0.02 units, 0.3 degrees per axis), medium (0.05, 1), large "
                       "(0.12, 2.5)")
        ->check(CLI::IsMember({"small", "medium", "large"}))
        ->capture_default_str();
    random->add_flag("--floor", options->scene.floorPlane, "Add a floor plane under the rig");
    return {sub, [options] {
                RandomSceneOptions scene = options->scene;
                scene.motion = MotionPresetNamed(options->motion);
                for (const std::string& line : RandomSceneLines(scene))
                    std::cout << line << '\n';
                return exitOk;
            }};
}

} // namespace tavrik::cli
