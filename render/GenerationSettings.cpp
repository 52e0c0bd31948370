#include "render/GenerationSettings.h"

#include <filesystem>
#include <system_error>

namespace tavrik {

std::string DefaultOutputFolder()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : folder.string();
}

} // namespace tavrik
