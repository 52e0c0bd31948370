#include "cli/Command.h"

#include "export/DatasetExport.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace tavrik::cli {

Command AddExportCommand(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(
        "export", "Build from a sequence or dataset folder the tree and encodings a dataset loader reads");
    struct Options {
        std::string source;
        std::string layout;
        std::string out;
    };
    auto options = std::make_shared<Options>();
    std::vector<std::string> names;
    for (const ExportLayout& layout : ExportLayouts())
        names.emplace_back(layout.name);
    sub->add_option("SRC", options->source, "Sequence folder (holding tavrik.json) or a folder of sequence folders")
        ->required();
    sub->add_option("--layout", options->layout, "Layout to build")->required()->check(CLI::IsMember(names));
    sub->add_option("--out", options->out, "Folder the layout's tree is made in")->required();

    const auto run = [options]() -> int {
        const ExportReport report = ExportDataset(options->source, *FindExportLayout(options->layout), options->out);
        std::cout << "exported " << report.samples << " samples of " << report.sequences << " sequence"
                  << (report.sequences == 1 ? "" : "s") << " as " << options->layout << " to " << options->out << ": "
                  << report.linked << " linked, " << report.copied << " copied, " << report.converted
                  << " converted\n";
        return exitOk;
    };
    return {sub, run};
}

} // namespace tavrik::cli
