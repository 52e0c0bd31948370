#include "output/FrameFiles.h"

#include "base/Check.h"

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

} // namespace tavrik
