#pragma once

#include <string>
#include <string_view>

namespace tavrik {

// The decimal separator of the user's locale (LC_NUMERIC from the
// environment), '.' or ','. It does not change the process's C locale.
// Programs call this and pass the result on; the rest of the core never reads
// the locale by itself, so its results do not depend on the machine.
char LocaleDecimalSeparator();

// Every "." and every "," of `text` becomes `separator`.
std::string NormalizeDecimalSeparator(std::string_view text, char separator);

// Converts a number text written with `separator` as its decimal point:
// optional blanks, an optional sign directly before the digits, digits,
// optionally the separator and more digits (at least one digit or the
// separator in all; a lone separator reads as 0), an optional exponent
// ("E" or "e", optional sign, digits), optional blanks. Blanks are spaces
// only. The result does not depend on the process locale. Throws UserError
// "'%s' is not a valid floating point value" with `text` as given, also for a
// value beyond the range of a double (too large, or too small to tell from 0).
double ParseDecimal(std::string_view text, char separator);

// A value a user typed with "." or "," as its decimal point, read like
// ParseDecimal; the error quotes `text` as typed.
double ParsePointOrComma(std::string_view text);

// The fixed-point number text used in scene lines and logs: the value rounded
// half away from zero to the smaller of 3 significant digits and 3 decimals;
// below 1000 in magnitude "-", integer digits, separator and exactly three
// decimals (0.25 -> "0,250", 12.75 -> "12,800"); from 1000 on the short
// scientific form (999.5 -> "1E3", -1500 -> "-1,5E3"). A value that rounds to
// zero is written without a sign. The digits are rounded from the shortest
// decimal text of the double, so 2.675 gives "2,680" as it reads.
// Non-finite values are written "INF", "-INF" and "NAN".
std::string FormatFixedPoint(double value, char separator);

} // namespace tavrik
