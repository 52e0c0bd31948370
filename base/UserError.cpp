#include "base/UserError.h"

namespace tavrik {

UserError InvalidFloatError(const std::string& text)
{
    return UserError("'" + text + "' is not a valid floating point value");
}

UserError CannotCreateFileError(const std::string& path)
{
    return UserError("Cannot create file " + path);
}

UserError CannotOpenFileError(const std::string& path)
{
    return UserError("Cannot open file " + path);
}

} // namespace tavrik
