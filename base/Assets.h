#pragma once

#include <string>

namespace tavrik {

// The folder of the bundled textures (textures/) and example scenes
// (scenes/): share/tavrik beside an installed program's bin/ when it is
// there, else the assets/ folder of the source tree the program was built from.
std::string BundledAssetFolder();

} // namespace tavrik
