#pragma once

#include <string>

namespace tavrik::gui {

// The output folder as stored from a chosen folder path: no trailing "/"
// (however many) except for the root "/" itself.
std::string StoredFolderPath(std::string path);

} // namespace tavrik::gui
