#include "output/Pfm.h"

#include "base/Check.h"
#include "base/LittleEndian.h"
#include "base/UserError.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <charconv>
#include <string>

namespace tavrik {

std::uint8_t* StartPfmFile(std::vector<std::uint8_t>& file, int width, int height, int channels)
{
    TAVRIK_CHECK(channels == 1 || channels == 3);
    const std::string header =
        (channels == 1 ? "Pf\n" : "PF\n") + std::to_string(width) + " " + std::to_string(height) + "\n-1.0\n";
    file.resize(header.size() + 4 * static_cast<std::size_t>(channels) * static_cast<std::size_t>(width)
                * static_cast<std::size_t>(height));
    std::ranges::copy(header, file.begin());
    return file.data() + header.size();
}

std::vector<std::uint8_t> EncodePfm(std::span<const float> topRowFirst, int width, int height)
{
    TAVRIK_CHECK(width > 0 && height > 0);
    const std::size_t w = static_cast<std::size_t>(width);
    TAVRIK_CHECK_EQ(topRowFirst.size(), w * static_cast<std::size_t>(height));

    std::vector<std::uint8_t> bytes;
    std::uint8_t* out = StartPfmFile(bytes, width, height, 1);
    for (int row = height - 1; row >= 0; --row)
        for (const float value : topRowFirst.subspan(static_cast<std::size_t>(row) * w, w)) {
            PutPfmValue(out, value);
            out += 4;
        }
    return bytes;
}

namespace {

// One white-space separated header word starting at `at`; `at` ends on the
// white-space byte after it.
std::string HeaderWord(std::span<const std::uint8_t> file, std::size_t& at)
{
    const auto isSpace = [](std::uint8_t c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
    while (at < file.size() && isSpace(file[at]))
        ++at;
    std::string word;
    while (at < file.size() && !isSpace(file[at]) && word.size() < 32)
        word.push_back(static_cast<char>(file[at++]));
    return word;
}

// A positive image side of at most 2^20 pixels, or 0.
int HeaderSide(const std::string& word)
{
    if (word.empty() || word.size() > 7 || word.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int side = std::stoi(word);
    return side <= (1 << 20) ? side : 0;
}

} // namespace

FloatImage DecodePfm(std::span<const std::uint8_t> file, const std::string& fileName)
{
    const auto fail = [&](const std::string& reason) { return UserError(fileName + ": not a PFM file: " + reason); };
    std::size_t at = 0;
    const std::string tag = HeaderWord(file, at);
    if (tag == "PF")
        throw fail("three colour channels, one was expected");
    if (tag != "Pf")
        throw fail("it does not start with Pf");
    FloatImage image;
    image.width = HeaderSide(HeaderWord(file, at));
    image.height = HeaderSide(HeaderWord(file, at));
    if (image.width == 0 || image.height == 0)
        throw fail("bad width or height");
    const std::string scaleWord = HeaderWord(file, at);
    // from_chars, unlike strtod, reads "-1.0" the same in every locale.
    double scale = 0.0;
    const char* wordEnd = scaleWord.data() + scaleWord.size();
    const auto [end, error] = std::from_chars(scaleWord.data(), wordEnd, scale);
    if (error != std::errc() || end != wordEnd || scale == 0.0 || !std::isfinite(scale) || at >= file.size())
        throw fail("bad scale");
    ++at; // the single white-space byte before the values
    const std::size_t w = static_cast<std::size_t>(image.width);
    const std::size_t count = w * static_cast<std::size_t>(image.height);
    if ((file.size() - at) / 4 < count)
        throw fail("fewer values than width × height");
    image.values.resize(count);
    const bool littleEndian = scale < 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = file.data() + at + 4 * i;
        const std::uint32_t bits = littleEndian ? GetLittleEndian<std::uint32_t>(p)
                                                : std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16
                                                      | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
        const std::size_t row = image.height - 1 - i / w;
        image.values[row * w + i % w] = std::bit_cast<float>(bits);
    }
    return image;
}

} // namespace tavrik
