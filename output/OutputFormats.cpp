#include "output/OutputFormats.h"

#include "base/UserError.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace tavrik {

namespace {

constexpr std::array<std::pair<std::string_view, OutputFormat>, 8> formatNames{{
    {"spec", OutputFormat::classic},
    {"pfm", OutputFormat::pfm},
    {"kitti", OutputFormat::kitti},
    {"depth", OutputFormat::depth},
    {"occlusion", OutputFormat::occlusion},
    {"flow", OutputFormat::flow},
    {"poses", OutputFormat::poses},
    {"dispchange", OutputFormat::dispchange},
}};

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::vector<std::string> OutputFormats::names() const
{
    std::vector<std::string> names;
    for (const auto& [name, format] : formatNames)
        if (has(format))
            names.emplace_back(name);
    return names;
}

OutputFormats ParseOutputFormats(std::string_view list)
{
    std::optional<OutputFormats> formats;
    const auto add = [&formats](OutputFormat format) {
        if (formats)
            formats->add(format);
        else
            formats = OutputFormats(format);
    };
    while (true) {
        const auto comma = list.find(',');
        const std::string_view name = Trimmed(list.substr(0, comma));
        const auto named = std::ranges::find(formatNames, name, &std::pair<std::string_view, OutputFormat>::first);
        if (name == "all") {
            for (const auto& entry : formatNames)
                add(entry.second);
        } else if (named != formatNames.end()) {
            add(named->second);
        } else {
            throw UserError("unknown format '" + std::string(name)
                            + "'; choose from spec, pfm, kitti, depth, occlusion, flow, poses, dispchange, all");
        }
        if (comma == std::string_view::npos)
            return *formats;
        list.remove_prefix(comma + 1);
    }
}

} // namespace tavrik
