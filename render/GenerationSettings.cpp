#include "render/GenerationSettings.h"

#include "base/Assets.h"
#include "base/UserError.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tavrik {

std::string DefaultOutputFolder()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : folder.string();
}

std::string DefaultTexturesFolder()
{
    std::error_code error;
    if (std::filesystem::exists("tex0.bmp", error))
        return ".";
    return BundledAssetFolder() + "/textures";
}

ViewSize ViewSizeOfChoice(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= viewSizes.size())
        return viewSizes.front();
    return viewSizes[static_cast<std::size_t>(index)];
}

namespace {

// Six significant digits are enough to recognise the value typed.
std::string NumberText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

void Validate(const GenerationSettings& settings)
{
    for (const int value : {settings.backgroundRed, settings.backgroundGreen, settings.backgroundBlue})
        if (value < 0 || value > 255)
            throw UserError("Background colour " + std::to_string(value) + " is outside 0 to 255");
    if (settings.sequenceNumber < 0 || settings.sequenceNumber > maxSequenceNumber)
        throw UserError("Sequence number " + std::to_string(settings.sequenceNumber) + " is outside 0 to "
                        + std::to_string(maxSequenceNumber));
    // Written as negations so that not-a-number fails them too.
    if (!(settings.focalLength >= minFocalLength && settings.focalLength <= maxFocalLength))
        throw UserError("Focal length " + NumberText(settings.focalLength) + " is outside 1 to 100000 pixels");
    if (!(std::fabs(settings.baseline) <= maxBaseline))
        throw UserError("Baseline " + NumberText(settings.baseline) + " is outside -1000 to 1000 scene units");
}

} // namespace tavrik
