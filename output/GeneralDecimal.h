#pragma once

namespace tavrik {

// Longest text FormatGeneral18 writes: "-1.23456789012345678e-308".
inline constexpr int general18MaxChars = 25;

// Writes `value` exactly as printf's "%.18g" does in the C locale (18
// significant digits of the exact binary value, ties to even; trailing zeros
// and a trailing point dropped; exponent form below 1e-4 and from 1e18 on)
// to `out` and returns the end of what it wrote. Disparity files hold
// hundreds of thousands of values per frame, so the common range is done
// with integer arithmetic instead of a general-purpose formatter.
char* FormatGeneral18(double value, char* out);

} // namespace tavrik
