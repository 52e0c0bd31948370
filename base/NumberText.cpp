#include "base/NumberText.h"

#include "base/UserError.h"

#include <algorithm>
#include <array>
#include "base/Check.h"
#include <charconv>
#include <cmath>
#include <langinfo.h>
#include <locale.h>

namespace tavrik {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Checks `text` against the number grammar and rewrites it in the form
// std::from_chars reads ("-I.F" or "-I.FeX", with "0" standing in for missing
// integer or fraction digits). Returns false when the grammar does not hold.
bool Canonicalise(std::string_view text, char separator, std::string& canonical)
{
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && text[i] == ' ')
            ++i;
    };
    const auto takeDigits = [&] {
        const std::size_t start = i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        return text.substr(start, i - start);
    };

    skipBlanks();
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        if (text[i] == '-')
            canonical += '-';
        ++i;
    }
    const std::string_view integer = takeDigits();
    bool hasSeparator = false;
    std::string_view fraction;
    if (i < text.size() && text[i] == separator) {
        hasSeparator = true;
        ++i;
        fraction = takeDigits();
    }
    if (integer.empty() && fraction.empty() && !hasSeparator)
        return false;
    canonical += integer.empty() ? std::string_view("0") : integer;
    canonical += '.';
    canonical += fraction.empty() ? std::string_view("0") : fraction;

    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        canonical += 'e';
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            canonical += text[i++];
        const std::string_view exponent = takeDigits();
        if (exponent.empty())
            return false;
        canonical += exponent;
    }
    skipBlanks();
    return i == text.size();
}

// A finite, non-zero magnitude as decimal digits: value = 0.d1d2d3... x 10^(exponent + 1),
// that is d1 stands at the place 10^exponent. The digits are the shortest ones
// that read back as the same double, so they are the decimal text a person
// wrote (12.75, 0.0005, 2.675), not the binary value's long expansion.
struct DecimalDigits {
    std::string digits;
    int exponent = 0;
};

DecimalDigits ShortestDigits(double magnitude)
{
    TAVRIK_CHECK(std::isfinite(magnitude) && magnitude > 0);
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                         std::chars_format::scientific);
    TAVRIK_CHECK_EQ(ec, std::errc());
    // The form is d[.ddd]e(+|-)dd.
    const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    const std::size_t e = text.find('e');
    DecimalDigits result;
    for (const char c : text.substr(0, e))
        if (IsDigit(c))
            result.digits += c;
    const std::string_view exponent = text.substr(e + 1);
    const bool negative = exponent.front() == '-';
    std::from_chars(exponent.data() + 1, exponent.data() + exponent.size(), result.exponent);
    if (negative)
        result.exponent = -result.exponent;
    return result;
}

} // namespace

char LocaleDecimalSeparator()
{
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    const char separator = radix != nullptr && radix[0] == ',' ? ',' : '.';
    freelocale(locale);
    return separator;
}

std::string NormalizeDecimalSeparator(std::string_view text, char separator)
{
    std::string result(text);
    for (char& c : result)
        if (c == '.' || c == ',')
            c = separator;
    return result;
}

double ParseDecimal(std::string_view text, char separator)
{
    std::string canonical;
    double value = 0;
    if (!Canonicalise(text, separator, canonical))
        throw InvalidFloatError(std::string(text));
    // Values beyond a double's range, too large or too small to be told from
    // zero, are not numbers this system can hold: they fail like bad text.
    const auto [end, ec] = std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
    if (ec != std::errc() || end != canonical.data() + canonical.size())
        throw InvalidFloatError(std::string(text));
    return value;
}

double ParsePointOrComma(std::string_view text)
{
    try {
        return ParseDecimal(NormalizeDecimalSeparator(std::string(text), '.'), '.');
    } catch (const UserError&) {
        throw InvalidFloatError(std::string(text));
    }
}

std::string FormatFixedPoint(double value, char separator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";

    // Rounded magnitude = kept x 10^lastPlace, where the last kept place is
    // the third significant digit but never finer than the thousandths.
    long long kept = 0;
    int lastPlace = -3;
    if (value != 0) {
        const DecimalDigits d = ShortestDigits(std::fabs(value));
        lastPlace = std::max(d.exponent - 2, -3);
        const int keptCount = d.exponent - lastPlace + 1; // at most 3, below 1 for tiny values
        const auto digitAt = [&](int index) { // index 0 is the first significant digit
            return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[index] - '0' : 0;
        };
        for (int index = 0; index < keptCount; ++index)
            kept = kept * 10 + digitAt(index);
        // Half away from zero on the magnitude: the first dropped digit
        // decides. A value two or more places below the last kept place
        // (keptCount < 0) has no dropped digit that can reach 5.
        if (keptCount >= 0 && digitAt(keptCount) >= 5)
            ++kept;
    }

    if (kept == 0)
        return std::string("0") + separator + "000";
    const std::string sign = value < 0 ? "-" : "";

    // Below 1000: a whole number of thousandths.
    if (lastPlace <= 0) {
        long long thousandths = kept;
        for (int place = -3; place < lastPlace; ++place)
            thousandths *= 10;
        if (thousandths < 1000000) {
            std::string fraction = std::to_string(thousandths % 1000);
            fraction.insert(0, 3 - fraction.size(), '0');
            return sign + std::to_string(thousandths / 1000) + separator + fraction;
        }
    }

    // 1000 and more: short scientific form with the significant digits
    // stripped of trailing zeros.
    std::string digits = std::to_string(kept);
    const int exponent = lastPlace + static_cast<int>(digits.size()) - 1;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string text = sign + digits.front();
    if (digits.size() > 1)
        text += separator + digits.substr(1);
    return text + "E" + std::to_string(exponent);
}

} // namespace tavrik
