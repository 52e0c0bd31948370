#include "cli/DecimalInteger.h"

#include <algorithm>
#include <string>

namespace tavrik::cli {

CLI::Validator DecimalInteger()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::size_t signLength = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
            const std::string digits = text.substr(signLength);
            if (digits.empty() || !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }))
                return "'" + text + "' is not a whole number in decimal digits";
            const std::size_t firstNonZero = std::min(digits.find_first_not_of('0'), digits.size() - 1);
            text = text.substr(0, signLength) + digits.substr(firstNonZero);
            return {};
        },
        "DECIMAL");
}

} // namespace tavrik::cli
