#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <type_traits>

// TAVRIK_CHECK(expr): an internal consistency check that stays on in every
// build. When `expr` is false it prints
//   Assertion failed: <expr>, file <source file name>, line <N>
// on stderr and aborts the program. Only a bug can make it fail; errors a user
// can cause are UserErrors instead.
#define TAVRIK_CHECK(expr) \
    ((expr) ? static_cast<void>(0) : ::tavrik::CheckFailed(#expr, __FILE__, __LINE__))

// TAVRIK_CHECK_EQ(a, b) and its siblings: the same check for a comparison,
// whose message also shows both values ("... (3 vs 4)"). Each operand is
// evaluated once.
#define TAVRIK_CHECK_OP(a, op, b)                                                                     \
    [&](const auto& lhs_, const auto& rhs_) {                                                         \
        if (!(lhs_ op rhs_))                                                                          \
            ::tavrik::CheckFailed(#a " " #op " " #b, __FILE__, __LINE__,                              \
                                  ::tavrik::CheckValueText(lhs_) + " vs " + ::tavrik::CheckValueText(rhs_)); \
    }((a), (b))
#define TAVRIK_CHECK_EQ(a, b) TAVRIK_CHECK_OP(a, ==, b)
#define TAVRIK_CHECK_NE(a, b) TAVRIK_CHECK_OP(a, !=, b)
#define TAVRIK_CHECK_LT(a, b) TAVRIK_CHECK_OP(a, <, b)
#define TAVRIK_CHECK_LE(a, b) TAVRIK_CHECK_OP(a, <=, b)
#define TAVRIK_CHECK_GE(a, b) TAVRIK_CHECK_OP(a, >=, b)

namespace tavrik {

[[noreturn]] inline void CheckFailed(const char* expression, const char* file, int line,
                                     const std::string& values = {})
{
    // The source unit is named by its file name alone: build folders differ
    // from machine to machine.
    std::string_view name(file);
    if (const auto slash = name.find_last_of("/\\"); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::fprintf(stderr, "Assertion failed: %s%s%s%s, file %.*s, line %d\n", expression,
                 values.empty() ? "" : " (", values.c_str(), values.empty() ? "" : ")",
                 static_cast<int>(name.size()), name.data(), line);
    std::fflush(stderr);
    std::abort();
}

// A value of a failed comparison as text: numbers and truth values as such,
// anything else as "?".
template <typename T>
std::string CheckValueText(const T& value)
{
    if constexpr (std::is_same_v<T, bool>)
        return value ? "true" : "false";
    else if constexpr (std::is_floating_point_v<T>) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", static_cast<double>(value));
        return text;
    } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>)
        return std::to_string(static_cast<long long>(value));
    else if constexpr (std::is_integral_v<T>)
        return std::to_string(static_cast<unsigned long long>(value));
    else
        return "?";
}

} // namespace tavrik
