#include "base/NumberText.h"

#include "base/UserError.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace tavrik {
namespace {

struct FixedPointCase {
    double value;
    const char* commaText; // the text with a comma; with a point it differs only there
};

class FixedPointText : public ::testing::TestWithParam<FixedPointCase> {};

TEST_P(FixedPointText, WritesTheRoundedValueWithEitherSeparator)
{
    const FixedPointCase& c = GetParam();
    EXPECT_EQ(FormatFixedPoint(c.value, ','), c.commaText);
    EXPECT_EQ(FormatFixedPoint(c.value, '.'), NormalizeDecimalSeparator(c.commaText, '.'));
}

INSTANTIATE_TEST_SUITE_P(
    NumberText, FixedPointText,
    ::testing::Values(
        // Three decimals below 1000, at most three significant digits.
        FixedPointCase{0.25, "0,250"}, FixedPointCase{1.2345, "1,230"}, FixedPointCase{12.75, "12,800"},
        FixedPointCase{123.456, "123,000"}, FixedPointCase{0.0123, "0,012"}, FixedPointCase{10.25, "10,300"},
        FixedPointCase{-0.25, "-0,250"}, FixedPointCase{5.0, "5,000"}, FixedPointCase{1.0005, "1,000"},
        // Halves round away from zero as the decimal text reads, although the
        // nearest doubles of 0.0005, 0.0125 and 2.675 lie on either side.
        FixedPointCase{0.0005, "0,001"}, FixedPointCase{0.0125, "0,013"}, FixedPointCase{2.675, "2,680"},
        FixedPointCase{-2.675, "-2,680"}, FixedPointCase{0.0004, "0,000"}, FixedPointCase{0.00049999, "0,000"},
        // A value that rounds to zero has no sign.
        FixedPointCase{-0.0004, "0,000"}, FixedPointCase{-0.0, "0,000"}, FixedPointCase{0.0, "0,000"},
        FixedPointCase{5e-324, "0,000"}, FixedPointCase{-1e-300, "0,000"},
        // A carry that adds a digit.
        FixedPointCase{0.9996, "1,000"}, FixedPointCase{99.95, "100,000"}, FixedPointCase{999.4, "999,000"},
        FixedPointCase{-999.4, "-999,000"},
        // 1000 and more in the short scientific form.
        FixedPointCase{999.5, "1E3"}, FixedPointCase{1000.0, "1E3"}, FixedPointCase{1050.0, "1,05E3"},
        FixedPointCase{1250.0, "1,25E3"}, FixedPointCase{-1500.0, "-1,5E3"}, FixedPointCase{1234.0, "1,23E3"},
        FixedPointCase{1235.0, "1,24E3"}, FixedPointCase{99950.0, "1E5"}, FixedPointCase{123456.0, "1,23E5"},
        FixedPointCase{1e20, "1E20"}, FixedPointCase{1.7976931348623157e308, "1,8E308"}));

TEST(NumberText, NonFiniteValuesHaveWordsOfTheirOwn)
{
    EXPECT_EQ(FormatFixedPoint(std::numeric_limits<double>::infinity(), ','), "INF");
    EXPECT_EQ(FormatFixedPoint(-std::numeric_limits<double>::infinity(), ','), "-INF");
    EXPECT_EQ(FormatFixedPoint(std::numeric_limits<double>::quiet_NaN(), ','), "NAN");
}

struct ParseCase {
    const char* text;
    char separator;
    double value;
};

class ParseDecimalValid : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseDecimalValid, ReadsTheNumber)
{
    const ParseCase& c = GetParam();
    const double value = ParseDecimal(c.text, c.separator);
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    NumberText, ParseDecimalValid,
    ::testing::Values(ParseCase{"1.5", '.', 1.5}, ParseCase{"1,5", ',', 1.5}, ParseCase{"  -12.25  ", '.', -12.25},
                      ParseCase{"+5", '.', 5}, ParseCase{"-.5", '.', -0.5}, ParseCase{"5.", '.', 5},
                      ParseCase{".", '.', 0}, ParseCase{"-,", ',', -0.0}, ParseCase{"007", '.', 7},
                      ParseCase{"1E3", '.', 1000}, ParseCase{"2,5e-2", ',', 0.025}, ParseCase{"1e+2", '.', 100},
                      ParseCase{"0.1", '.', 0.1}, ParseCase{"123456789012345678901234567890", '.', 1.2345678901234568e29},
                      ParseCase{"1.7976931348623157e308", '.', 1.7976931348623157e308}));

struct BadText {
    const char* text;
    char separator;
};

class ParseDecimalInvalid : public ::testing::TestWithParam<BadText> {};

TEST_P(ParseDecimalInvalid, ThrowsTheInvalidFloatMessageWithTheTextAsGiven)
{
    const BadText& c = GetParam();
    try {
        ParseDecimal(c.text, c.separator);
        ADD_FAILURE() << "accepted '" << c.text << "'";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()), std::string("'") + c.text + "' is not a valid floating point value");
    }
}

INSTANTIATE_TEST_SUITE_P(NumberText, ParseDecimalInvalid,
                         ::testing::Values(BadText{"", '.'}, BadText{"   ", '.'}, BadText{"-", '.'}, BadText{"1.2.3", '.'},
                                           BadText{"1 2", '.'}, BadText{"5-", '.'}, BadText{"- 5", '.'},
                                           BadText{"--5", '.'}, BadText{"+-5", '.'}, BadText{"1e", '.'},
                                           BadText{"e3", '.'}, BadText{"1e+", '.'}, BadText{"1e 3", '.'},
                                           BadText{"0.25", ','}, BadText{"1,5", '.'}, BadText{"\t5", '.'},
                                           BadText{"0x10", '.'}, BadText{"inf", '.'}, BadText{"nan", '.'},
                                           BadText{"1e400", '.'}, BadText{"-1e400", '.'}, BadText{"1e-400", '.'}));

TEST(NumberText, NormalizeTurnsEveryPointAndCommaIntoTheSeparator)
{
    EXPECT_EQ(NormalizeDecimalSeparator("1.5,2 x.", ','), "1,5,2 x,");
    EXPECT_EQ(NormalizeDecimalSeparator("1.5,2 x.", '.'), "1.5.2 x.");
}

// Runs LocaleDecimalSeparator with LC_ALL set to `name`, restoring the
// environment afterwards.
char SeparatorUnder(const char* name)
{
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old != nullptr ? old : "";
    setenv("LC_ALL", name, 1);
    const char separator = LocaleDecimalSeparator();
    if (old != nullptr)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    return separator;
}

TEST(NumberText, LocaleSeparatorFollowsTheEnvironmentWithoutChangingTheProcessLocale)
{
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    EXPECT_EQ(SeparatorUnder("C"), '.');
    // A locale that is not installed falls back to the point.
    EXPECT_EQ(SeparatorUnder("xx_NOWHERE.UTF-8"), '.');
    EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), before);
}

TEST(NumberText, LocaleSeparatorIsTheCommaOfACommaLocale)
{
    const char* commaLocale = "de_DE.UTF-8";
    locale_t probe = newlocale(LC_NUMERIC_MASK, commaLocale, static_cast<locale_t>(nullptr));
    if (probe == static_cast<locale_t>(nullptr))
        GTEST_SKIP() << commaLocale << " is not installed on this machine";
    freelocale(probe);
    EXPECT_EQ(SeparatorUnder(commaLocale), ',');
}

} // namespace
} // namespace tavrik
