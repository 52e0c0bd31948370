#include "app/FolderPath.h"

namespace tavrik::gui {

std::string StoredFolderPath(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace tavrik::gui
