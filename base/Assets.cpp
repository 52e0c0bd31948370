#include "base/Assets.h"

#include <filesystem>
#include <system_error>

namespace tavrik {

std::string BundledAssetFolder()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto installed = exe.parent_path().parent_path() / "share" / "tavrik";
        if (std::filesystem::exists(installed / "textures" / "tex0.bmp", error))
            return installed.string();
    }
    return TAVRIK_ASSET_DIR;
}

} // namespace tavrik
