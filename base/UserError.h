#pragma once

#include <stdexcept>
#include <string>

namespace tavrik {

// An error the user can cause (a bad number, a missing or unwritable file).
// It carries the system's own message text and is caught at the edge: the
// GUI's message box, the command line's stderr and exit code.
class UserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "'%s' is not a valid floating point value"
UserError InvalidFloatError(const std::string& text);
// "Cannot create file %s", followed by ": " and the system's text of
// `systemError` (an errno value) unless that is 0.
UserError CannotCreateFileError(const std::string& path, int systemError = 0);
// "Cannot open file %s"
UserError CannotOpenFileError(const std::string& path);

} // namespace tavrik
