#include "base/UserError.h"

#include <cstring>

namespace tavrik {

UserError InvalidFloatError(const std::string& text)
{
    return UserError("'" + text + "' is not a valid floating point value");
}

UserError CannotCreateFileError(const std::string& path, int systemError)
{
    std::string text = "Cannot create file " + path;
    if (systemError != 0)
        text += std::string(": ") + std::strerror(systemError);
    return UserError(text);
}

UserError CannotOpenFileError(const std::string& path)
{
    return UserError("Cannot open file " + path);
}

} // namespace tavrik
