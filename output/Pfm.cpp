#include "output/Pfm.h"

#include "base/Check.h"
#include "base/LittleEndian.h"

#include <bit>
#include <string>

namespace tavrik {

std::vector<std::uint8_t> EncodePfm(std::span<const float> topRowFirst, int width, int height)
{
    TAVRIK_CHECK(width > 0 && height > 0);
    const std::size_t w = static_cast<std::size_t>(width);
    TAVRIK_CHECK_EQ(topRowFirst.size(), w * static_cast<std::size_t>(height));

    const std::string header = "Pf\n" + std::to_string(width) + " " + std::to_string(height) + "\n-1.0\n";
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.reserve(header.size() + topRowFirst.size() * 4);
    for (int row = height - 1; row >= 0; --row)
        for (const float value : topRowFirst.subspan(static_cast<std::size_t>(row) * w, w))
            AppendLittleEndian(bytes, std::bit_cast<std::uint32_t>(value));
    return bytes;
}

} // namespace tavrik
