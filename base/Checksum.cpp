#include "base/Checksum.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>

namespace tavrik {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc)
{
    // zlib takes at most a uInt of bytes at a time.
    while (!bytes.empty()) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), UINT_MAX);
        crc = static_cast<std::uint32_t>(::crc32(crc, bytes.data(), static_cast<uInt>(n)));
        bytes = bytes.subspan(n);
    }
    return crc;
}

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc)
{
    return Crc32(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), crc);
}

std::string Crc32Text(std::uint32_t crc)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(crc));
    return text;
}

std::string Fnv1a64Text(std::string_view bytes)
{
    std::uint64_t hash = 14695981039346656037u;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211u;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace tavrik
