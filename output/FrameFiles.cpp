#include "output/FrameFiles.h"

#include "base/Check.h"

#include <algorithm>
#include <array>
#include <string_view>

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
    const auto name = [&](const char* prefix, const char* extension) {
        return sequenceFolder + prefix + tag + extension;
    };
    if (rightCamera)
        return {name("right_", ".bmp"), name("disp_", ".bmp"), name("disp_p_", ".bmp"),
                name("bindisp_", ".dat"), name("seg_r_", ".bmp")};
    return {name("left_", ".bmp"), name("ldisp_", ".bmp"), name("ldisp_p_", ".bmp"),
            name("lbindisp_", ".dat"), name("seg_l_", ".bmp")};
}

std::size_t CountStaleFrameFiles(const std::vector<std::string>& fileNames, bool rightCamera, int frameCount)
{
    const FrameFiles pattern = FrameFileNames("", 0, rightCamera);
    const std::array<std::string_view, 5> names{pattern.colour, pattern.fineDisparity, pattern.wholeDisparity,
                                                pattern.disparityText, pattern.segmentation};
    constexpr std::size_t tagLength = 4; // "0000"
    constexpr std::size_t extensionLength = 4;
    // Frame numbers of more digits than this lie beyond any run.
    constexpr std::size_t maxDigits = 9;
    return static_cast<std::size_t>(std::ranges::count_if(fileNames, [&](std::string_view name) {
        return std::ranges::any_of(names, [&](std::string_view frame0) {
            const std::string_view prefix = frame0.substr(0, frame0.size() - tagLength - extensionLength);
            const std::string_view extension = frame0.substr(frame0.size() - extensionLength);
            if (name.size() < frame0.size() || !name.starts_with(prefix) || !name.ends_with(extension))
                return false;
            const std::string_view digits =
                name.substr(prefix.size(), name.size() - prefix.size() - extensionLength);
            if (!std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }))
                return false; // another prefix that begins alike: "ldisp_" and "ldisp_p_"
            return digits.size() > maxDigits || std::stoi(std::string(digits)) >= frameCount;
        });
    }));
}

} // namespace tavrik
