#pragma once

#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <type_traits>
#include <vector>

namespace tavrik {

// The integer stored little-endian in the sizeof(T) bytes at `p`; the caller
// has checked that they lie inside its buffer.
template <std::integral T>
T GetLittleEndian(const std::uint8_t* p)
{
    std::make_unsigned_t<T> value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<std::make_unsigned_t<T>>(p[i]) << (8 * i);
    return static_cast<T>(value);
}

// Stores `value` little-endian into the sizeof(T) bytes at `p`.
template <std::integral T>
void PutLittleEndian(std::uint8_t* p, T value)
{
    const auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

// Stores the float32 `value` little-endian at `p`: on a little-endian
// machine one plain store, which a loop over a row's pixels can make in
// vector instructions.
inline void PutLittleEndianFloat(std::uint8_t* p, float value)
{
    if constexpr (std::endian::native == std::endian::little)
        std::memcpy(p, &value, sizeof value);
    else
        PutLittleEndian(p, std::bit_cast<std::uint32_t>(value));
}

// The integer stored little-endian at `offset` of `bytes`, or nullopt when
// its sizeof(T) bytes do not all lie inside `bytes`.
template <std::integral T>
std::optional<T> LoadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T))
        return std::nullopt;
    return GetLittleEndian<T>(bytes.data() + offset);
}

// Appends `value` to `out` as sizeof(T) little-endian bytes.
template <std::integral T>
void AppendLittleEndian(std::vector<std::uint8_t>& out, T value)
{
    out.resize(out.size() + sizeof(T));
    PutLittleEndian(out.data() + out.size() - sizeof(T), value);
}

} // namespace tavrik
