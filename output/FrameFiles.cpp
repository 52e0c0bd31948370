#include "output/FrameFiles.h"

#include "base/Check.h"

#include <algorithm>

namespace tavrik {

std::string sequenceFolder(const std::string& outputFolder, int sequenceNumber)
{
    std::string folder = outputFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    folder += std::to_string(sequenceNumber);
    folder += '/';
    return folder;
}

std::string frameTag(int frameIndex)
{
    TAVRIK_CHECK_GE(frameIndex, 0);
    std::string digits = std::to_string(frameIndex);
    if (digits.size() < 4)
        digits.insert(0, 4 - digits.size(), '0');
    return digits;
}

FrameFiles FrameFileNames(const std::string& sequenceFolder, int frameIndex, bool rightCamera)
{
    const std::string tag = frameTag(frameIndex);
    const auto name = [&](const FrameFilePattern& pattern) {
        return sequenceFolder + std::string(rightCamera ? pattern.right : pattern.left) + tag
            + std::string(pattern.extension);
    };
    return {name(frameFilePatterns[0]), name(frameFilePatterns[1]), name(frameFilePatterns[2]),
            name(frameFilePatterns[3]), name(frameFilePatterns[4])};
}

std::size_t CountStaleFrameFiles(const std::vector<std::string>& fileNames, bool rightCamera, int frameCount)
{
    // Frame numbers of more digits than this lie beyond any run.
    constexpr std::size_t maxDigits = 9;
    return static_cast<std::size_t>(std::ranges::count_if(fileNames, [&](std::string_view name) {
        return std::ranges::any_of(frameFilePatterns, [&](const FrameFilePattern& pattern) {
            const std::string_view prefix = rightCamera ? pattern.right : pattern.left;
            constexpr std::size_t tagLength = 4; // "0000"
            if (name.size() < prefix.size() + tagLength + pattern.extension.size() || !name.starts_with(prefix)
                || !name.ends_with(pattern.extension))
                return false;
            const std::string_view digits =
                name.substr(prefix.size(), name.size() - prefix.size() - pattern.extension.size());
            if (!std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }))
                return false; // another prefix that begins alike: "ldisp_" and "ldisp_p_"
            return digits.size() > maxDigits || std::stoi(std::string(digits)) >= frameCount;
        });
    }));
}

} // namespace tavrik
