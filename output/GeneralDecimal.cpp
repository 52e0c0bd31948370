#include "output/GeneralDecimal.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tavrik {

namespace {

using u64 = std::uint64_t;
// GCC and Clang both offer 128-bit integers on 64-bit targets.
__extension__ typedef unsigned __int128 u128;

constexpr int digits = 18;
constexpr u64 lowest18 = 100'000'000'000'000'000ull; // 10^17
constexpr u64 above18 = 1'000'000'000'000'000'000ull; // 10^18

constexpr std::array<u64, 28> PowersOfFive()
{
    std::array<u64, 28> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 5;
    return p;
}
constexpr auto powersOfFive = PowersOfFive();

// The integer part and whether the rest is below, at or above one half, of
// m · 2^e · 10^k for 0 ≤ k < 28, computed exactly.
struct Scaled {
    u64 integer;
    int half; // −1 below one half, 0 exactly one half, +1 above
};

bool Scale(u64 m, int e, int k, Scaled& result)
{
    // m · 5^k < 2^53 · 2^63 fits in 128 bits; 10^k = 5^k · 2^k.
    const u128 product = static_cast<u128>(m) * powersOfFive[static_cast<std::size_t>(k)];
    const int shift = -(e + k);
    if (shift <= 0) {
        // Keeps the shift from overflowing m · 5^k < 2^116.
        if (-shift > 10)
            return false;
        const u128 whole = product << -shift;
        if (whole >= above18 * static_cast<u128>(10))
            return false;
        result = {static_cast<u64>(whole), -1};
        return true;
    }
    if (shift >= 127)
        return false;
    const u128 whole = product >> shift;
    const u128 rest = product - (whole << shift);
    const u128 half = static_cast<u128>(1) << (shift - 1);
    if (whole >= above18 * static_cast<u128>(10))
        return false;
    result = {static_cast<u64>(whole), rest < half ? -1 : rest == half ? 0 : 1};
    return true;
}

// The 18 significant digits n (10^17 ≤ n < 10^18) and decimal exponent x of
// a positive finite value, rounded to nearest with ties to even, or false
// when the value lies outside the range done here.
bool Digits18(double value, u64& n, int& x)
{
    int binaryExponent = 0;
    const double fraction = std::frexp(value, &binaryExponent); // value = fraction · 2^binaryExponent
    const u64 m = static_cast<u64>(std::ldexp(fraction, 53));
    const int e = binaryExponent - 53;
    // First guess of floor(log10(value)); corrected below.
    x = static_cast<int>(std::floor((binaryExponent - 1) * 0.30102999566398120));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int k = digits - 1 - x;
        if (k < 0 || k >= static_cast<int>(powersOfFive.size()))
            return false;
        Scaled s{};
        if (!Scale(m, e, k, s))
            return false;
        if (s.integer >= above18) {
            ++x;
            continue;
        }
        if (s.integer < lowest18) {
            --x;
            continue;
        }
        n = s.integer;
        if (s.half > 0 || (s.half == 0 && (n & 1)))
            ++n;
        if (n == above18) {
            n = lowest18;
            ++x;
        }
        return true;
    }
    return false;
}

constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void WriteDigits18(u64 n, char* out)
{
    for (int i = digits - 2; i >= 0; i -= 2) {
        const unsigned pair = static_cast<unsigned>(n % 100);
        n /= 100;
        std::memcpy(out + i, digitPairs + 2 * pair, 2);
    }
}

} // namespace

char* FormatGeneral18(double value, char* out)
{
    if (value == 0.0 || !std::isfinite(value))
        return std::to_chars(out, out + general18MaxChars, value, std::chars_format::general, digits).ptr;
    u64 n = 0;
    int x = 0;
    if (!Digits18(std::abs(value), n, x))
        return std::to_chars(out, out + general18MaxChars, value, std::chars_format::general, digits).ptr;

    if (value < 0)
        *out++ = '-';
    char d[digits];
    WriteDigits18(n, d);
    int significant = digits;
    while (significant > 1 && d[significant - 1] == '0')
        --significant;

    if (x < -4 || x >= digits) {
        *out++ = d[0];
        if (significant > 1) {
            *out++ = '.';
            std::memcpy(out, d + 1, static_cast<std::size_t>(significant - 1));
            out += significant - 1;
        }
        *out++ = 'e';
        *out++ = x < 0 ? '-' : '+';
        const int magnitude = std::abs(x);
        if (magnitude < 10)
            *out++ = '0';
        return std::to_chars(out, out + 4, magnitude).ptr;
    }
    if (x < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = -1; i > x; --i)
            *out++ = '0';
        std::memcpy(out, d, static_cast<std::size_t>(significant));
        return out + significant;
    }
    const int integerDigits = x + 1;
    std::memcpy(out, d, static_cast<std::size_t>(integerDigits));
    out += integerDigits;
    if (significant > integerDigits) {
        *out++ = '.';
        std::memcpy(out, d + integerDigits, static_cast<std::size_t>(significant - integerDigits));
        out += significant - integerDigits;
    }
    return out;
}

} // namespace tavrik
