#pragma once

#include <CLI/CLI.hpp>

namespace tavrik::cli {

// A whole number option read in decimal only: an optional sign and digits.
// Leading zeros are dropped ("012" is 12, where C's base detection would read
// octal 10) and any other form ("0x10", "1e3", "12.0") is refused. Apply it
// first, before the option's range check.
CLI::Validator DecimalInteger();

} // namespace tavrik::cli
