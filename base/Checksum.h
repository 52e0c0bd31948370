#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavrik {

// CRC-32 (the polynomial of zip, PNG and `cksum -a crc32b`) of `bytes`,
// continued from `crc` so that a file can be summed piece by piece: the sum of
// a whole is Crc32(b, Crc32(a)) for its pieces a and b. It tells a complete
// file from a torn or changed one; it is no protection against a file made
// to collide on purpose.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0);

// The sum as eight lower-case hex digits, most significant first.
std::string Crc32Text(std::uint32_t crc);

// FNV-1a, 64 bits (offset basis 14695981039346656037, prime 1099511628211),
// of `bytes` as 16 lower-case hex digits, most significant first: a short
// fingerprint telling two texts apart, such as the scene texts of two runs.
// Like the CRC it is no protection against texts made to collide.
std::string Fnv1a64Text(std::string_view bytes);

} // namespace tavrik
