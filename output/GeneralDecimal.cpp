#include "output/GeneralDecimal.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tavrik {

namespace {

using u64 = std::uint64_t;
using u32 = std::uint32_t;
// GCC and Clang both offer 128-bit integers on 64-bit targets.
__extension__ typedef unsigned __int128 u128;

constexpr int digits = 18;
constexpr u64 lowest18 = 100'000'000'000'000'000ull;
constexpr u64 above18 = 1'000'000'000'000'000'000ull;
constexpr int maxPowerOfFive = 27; // 5^27 < 2^63, so m · 5^k fits 116 bits

constexpr auto powersOfFive = [] {
    std::array<u64, maxPowerOfFive + 1> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 5;
    return p;
}();

// floor(log10(2^e)) for |e| < 1650.
int FloorLog10OfPowerOfTwo(int e)
{
    return (e * 78913) >> 18;
}

// The 18 significant digits n (10^17 ≤ n < 10^18) and decimal exponent x of
// a positive finite value, rounded to nearest with ties to even, or false
// when the value lies outside the range done here (subnormals, and
// exponents whose scaling would not fit 128 bits).
bool Digits18(double value, u64& n, int& x)
{
    const u64 bits = std::bit_cast<u64>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0)
        return false; // subnormal
    const u64 m = (bits & ((u64{1} << 52) - 1)) | (u64{1} << 52);
    const int e = biased - 1075; // value = m · 2^e, 2^52 ≤ m < 2^53
    x = FloorLog10OfPowerOfTwo(e + 52); // 10^x ≤ 2^(e+52) ≤ value < 10^(x+2)
    const int k = digits - 1 - x;
    if (k < 0 || k > maxPowerOfFive)
        return false;
    const u128 product = static_cast<u128>(m) * powersOfFive[static_cast<std::size_t>(k)];
    const int shift = -(e + k);
    u64 whole;
    int half; // −1 below one half, 0 exactly one half, +1 above
    bool exact; // nothing below the whole
    if (shift <= 0) {
        if (-shift > 10)
            return false;
        const u128 w = product << -shift;
        if (w >= static_cast<u128>(above18) * 10)
            return false;
        whole = static_cast<u64>(w);
        half = -1;
        exact = true;
    } else {
        if (shift >= 128)
            return false;
        const u128 w = product >> shift;
        if (w >= static_cast<u128>(above18) * 10)
            return false;
        const u128 rest = product - (w << shift);
        const u128 halfway = static_cast<u128>(1) << (shift - 1);
        whole = static_cast<u64>(w);
        half = rest < halfway ? -1 : rest == halfway ? 0 : 1;
        exact = rest == 0;
    }
    if (whole >= above18) {
        // One digit too many: drop it, keeping track of what the dropped part was.
        const u64 last = whole % 10;
        whole /= 10;
        ++x;
        half = last < 5 ? -1 : last > 5 || !exact ? 1 : 0;
    }
    n = whole;
    if (half > 0 || (half == 0 && (n & 1)))
        ++n;
    if (n == above18) {
        n = lowest18;
        ++x;
    }
    return true;
}

constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void WriteFour(u32 v, char* out)
{
    std::memcpy(out, digitPairs + 2 * (v / 100), 2);
    std::memcpy(out + 2, digitPairs + 2 * (v % 100), 2);
}

void WriteNine(u32 v, char* out)
{
    out[0] = static_cast<char>('0' + v / 100'000'000);
    v %= 100'000'000;
    WriteFour(v / 10000, out + 1);
    WriteFour(v % 10000, out + 5);
}

} // namespace

char* FormatGeneral18(double value, char* out)
{
    u64 n = 0;
    int x = 0;
    if (value == 0.0 || !std::isfinite(value) || !Digits18(std::abs(value), n, x))
        return std::to_chars(out, out + general18MaxChars, value, std::chars_format::general, digits).ptr;
    if (value < 0)
        *out++ = '-';
    // The 18 digits, then room that lets the fraction be copied in one fixed size.
    char d[digits + digits] = {};
    WriteNine(static_cast<u32>(n / 1'000'000'000), d);
    WriteNine(static_cast<u32>(n % 1'000'000'000), d + 9);
    int significant = digits;
    while (d[significant - 1] == '0')
        --significant;
    if (x >= 0 && x < digits) {
        const int integerDigits = x + 1;
        if (significant <= integerDigits) {
            std::memcpy(out, d, digits);
            return out + integerDigits;
        }
        for (int i = 0; i < integerDigits; ++i)
            out[i] = d[i];
        out[integerDigits] = '.';
        char* const fraction = out + integerDigits + 1;
        // Up to six integer digits, the fixed-size copy stays within general18MaxChars.
        if (integerDigits <= 6)
            std::memcpy(fraction, d + integerDigits, digits - 1);
        else
            std::memcpy(fraction, d + integerDigits, static_cast<std::size_t>(digits - integerDigits));
        return out + significant + 1;
    }
    if (x < 0 && x >= -4) {
        std::memcpy(out, "0.000", static_cast<std::size_t>(1 - x));
        out += 1 - x;
        std::memcpy(out, d, digits);
        return out + significant;
    }
    *out++ = d[0];
    if (significant > 1) {
        *out++ = '.';
        std::memcpy(out, d + 1, digits - 1);
        out += significant - 1;
    }
    *out++ = 'e';
    *out++ = x < 0 ? '-' : '+';
    const int magnitude = std::abs(x);
    if (magnitude < 10)
        *out++ = '0';
    return std::to_chars(out, out + 4, magnitude).ptr;
}

} // namespace tavrik
