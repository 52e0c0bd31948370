#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

// TAVRIK_CHECK(expr): an internal consistency check that stays on in every
// build. When `expr` is false it prints
//   Assertion failed: <expr>, file <source file name>, line <N>
// on stderr and aborts the program. Only a bug can make it fail; errors a user
// can cause are UserErrors instead.
#define TAVRIK_CHECK(expr) \
    ((expr) ? static_cast<void>(0) : ::tavrik::CheckFailed(#expr, __FILE__, __LINE__))

namespace tavrik {

[[noreturn]] inline void CheckFailed(const char* expression, const char* file, int line)
{
    // The source unit is named by its file name alone: build folders differ
    // from machine to machine.
    std::string_view name(file);
    if (const auto slash = name.find_last_of("/\\"); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::fprintf(stderr, "Assertion failed: %s, file %.*s, line %d\n", expression,
                 static_cast<int>(name.size()), name.data(), line);
    std::fflush(stderr);
    std::abort();
}

} // namespace tavrik
