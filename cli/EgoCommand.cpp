#include "cli/Command.h"
#include "cli/DecimalInteger.h"

#include "base/NumberText.h"
#include "base/UserError.h"
#include "scene/MovementGenerator.h"
#include "scene/Parser.h"

#include <iostream>
#include <memory>
#include <string>

namespace tavrik::cli {

Command AddEgoCommand(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand("ego", "Print generated EGO lines (one frame of ego motion per line)");
    struct Options {
        MovementSettings settings;
        std::string start = "0.25";
        std::string step = "0.25";
        bool noReturn = false;
        std::string separator{LocaleDecimalSeparator()};
    };
    auto options = std::make_shared<Options>();
    MovementSettings& s = options->settings;
    sub->add_flag("-x", s.x, "Move the translation along x");
    sub->add_flag("-y", s.y, "Move the translation along y");
    sub->add_flag("-z", s.z, "Move the translation along z");
    sub->add_flag("-a", s.a, "Move the rotation about x (degrees)");
    sub->add_flag("-b", s.b, "Move the rotation about y (degrees)");
    sub->add_flag("-g", s.g, "Move the rotation about z (degrees)");
    sub->add_option("--start", options->start, "Value of the first frame")->capture_default_str();
    sub->add_option("--step", options->step, "Increase from one frame to the next")->capture_default_str();
    sub->add_option("--frames", s.frames, "Number of lines, 0 to 100")
        ->transform(DecimalInteger())
        ->check(CLI::Range(0, 100))->capture_default_str();
    sub->add_flag("--no-return", options->noReturn, "No return frame after each frame");
    sub->add_option("--decimal-separator", options->separator, "Decimal point of the printed numbers, '.' or ','")
        ->check(CLI::IsMember({".", ","}))
        ->capture_default_str();

    const auto run = [options]() -> int {
        MovementSettings settings = options->settings;
        settings.returnFrame = !options->noReturn;
        try {
            // The step is read first, so a bad step is the one reported when both are bad.
            settings.step = ParsePointOrComma(options->step);
            settings.start = ParsePointOrComma(options->start);
        } catch (const UserError& e) {
            std::cerr << "tavrik-cli: " << e.what() << '\n';
            return exitUsage;
        }
        const std::vector<std::string> lines = GenerateEgoLines(settings, options->separator.front());
        // Lines are meant for a scene text: each must read back as written.
        // Values from 1000 on take the scientific form and infinities no
        // digits, neither of which the scene parser reads.
        for (const std::string& line : lines) {
            bool readBack = true;
            Analiza().ParseLine(line, {}, [&](const ParseMessage& m) {
                readBack = readBack && m.kind != ParseMessage::Kind::ConvertError;
            });
            if (!readBack) {
                std::cerr << "tavrik-cli: --start and --step give the line \"" << line
                          << "\", which the scene parser cannot read back (values must stay below 1000 in "
                             "magnitude)\n";
                return exitUsage;
            }
        }
        for (const std::string& line : lines)
            std::cout << line << '\n';
        return exitOk;
    };
    return {sub, run};
}

} // namespace tavrik::cli
