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

constexpr auto exactPowersOfTen = [] {
    std::array<double, 23> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 10;
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
// exponents whose scaling would not fit 128 bits). Inlined, as the compiler
// would keep it and EightDigits as calls, which costs a tenth of the time.
[[gnu::always_inline]] inline bool Digits18(double value, u64& n, int& x)
{
    const u64 bits = std::bit_cast<u64>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0)
        return false; // subnormal
    const u64 m = (bits & ((u64{1} << 52) - 1)) | (u64{1} << 52);
    const int e = biased - 1075; // value = m · 2^e, 2^52 ≤ m < 2^53
    x = FloorLog10OfPowerOfTwo(e + 52); // 10^x ≤ 2^(e+52) ≤ value < 10^(x+2)
    // Where 10^(x+1) is a double, comparing with it settles x without a branch.
    if (x >= -1 && x < 22)
        x += value >= exactPowersOfTen[static_cast<std::size_t>(x + 1)];
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

// The eight decimal digits of v < 10^8, first digit in the lowest byte, as
// byte values 0 to 9: the halves, quarters and single digits are split off
// in all lanes of one 64-bit word at once.
[[gnu::always_inline]] inline u64 EightDigits(u32 v)
{
    const u64 halves = (v / 10000) | (static_cast<u64>(v % 10000) << 32);
    const u64 hundreds = ((halves * 5243) >> 19) & 0x0000007F0000007Full; // lane / 100 for lanes below 43699
    const u64 quarters = hundreds | ((halves - hundreds * 100) << 16);
    const u64 tens = ((quarters * 103) >> 10) & 0x000F000F000F000Full; // lane / 10 for lanes below 179
    return tens | ((quarters - tens * 10) << 8);
}

constexpr u64 asciiZeros = 0x3030303030303030ull;

} // namespace

char* FormatGeneral18(double value, char* out)
{
    u64 n = 0;
    int x = 0;
    if (value == 0.0 || !std::isfinite(value) || !Digits18(std::abs(value), n, x))
        return std::to_chars(out, out + general18MaxChars, value, std::chars_format::general, digits).ptr;
    if (value < 0)
        *out++ = '-';
    const u32 first = static_cast<u32>(n / 10'000'000'000'000'000ull);
    const u64 rest = n % 10'000'000'000'000'000ull;
    const u64 middle = EightDigits(static_cast<u32>(rest / 100'000'000));
    const u64 last = EightDigits(static_cast<u32>(rest % 100'000'000));
    // Trailing zero digits are zero bytes at the top of the words.
    const int significant = last != 0 ? digits - std::countl_zero(last) / 8
                          : middle != 0 ? 10 - std::countl_zero(middle) / 8
                          : first % 10 != 0 ? 2 : 1;
    // The text is stored from registers, never read back: a load of bytes
    // just stored in other sizes would wait for the stores to drain.
    const char firstDigit = static_cast<char>('0' + first / 10);
    const char secondDigit = static_cast<char>('0' + first % 10);
    const u64 middleChars = middle | asciiZeros;
    const u64 lastChars = last | asciiZeros;
    const auto storeDigits = [&](char* to) {
        to[0] = firstDigit;
        to[1] = secondDigit;
        std::memcpy(to + 2, &middleChars, 8);
        std::memcpy(to + 10, &lastChars, 8);
    };
    if (x >= 0 && x < digits) {
        const int integerDigits = x + 1;
        storeDigits(out);
        if (significant <= integerDigits)
            return out + integerDigits;
        // The digits after the point move up by one.
        if (integerDigits == 1) {
            out[2] = secondDigit;
            std::memcpy(out + 3, &middleChars, 8);
        } else if (integerDigits < 10) {
            const u64 shifted = middleChars >> (8 * (integerDigits - 2));
            std::memcpy(out + integerDigits + 1, &shifted, 8);
        }
        if (integerDigits < 10)
            std::memcpy(out + 11, &lastChars, 8);
        else
            std::memmove(out + integerDigits + 1, out + integerDigits, static_cast<std::size_t>(digits - integerDigits));
        out[integerDigits] = '.';
        return out + significant + 1;
    }
    if (x < 0 && x >= -4) {
        std::memcpy(out, "0.0000", 6);
        storeDigits(out + 1 - x);
        return out + 1 - x + significant;
    }
    storeDigits(out + 1);
    out[0] = firstDigit;
    out[1] = '.';
    out += significant > 1 ? significant + 1 : 1;
    *out++ = 'e';
    *out++ = x < 0 ? '-' : '+';
    const int magnitude = std::abs(x);
    if (magnitude < 10)
        *out++ = '0';
    return std::to_chars(out, out + 4, magnitude).ptr;
}

} // namespace tavrik
