#include "output/Disparity.h"

#include "base/Check.h"
#include "base/Slices.h"
#include "output/GeneralDecimal.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cstring>
#include <cmath>
#include <memory>
#include <vector>

namespace tavrik {

int WholePixelDisparity(double d)
{
    // Saturating first keeps the conversion to int defined; NaN gives 0. The
    // floor comes from the truncated value, which avoids a library call per
    // pixel.
    constexpr double lowest = INT_MIN;
    constexpr double highest = INT_MAX;
    const double limited = std::isnan(d) ? 0.0 : std::min(std::max(d, lowest), highest);
    const int truncated = static_cast<int>(limited);
    const int below = truncated - (static_cast<double>(truncated) > limited); // ⌊d⌋
    return below + (limited - below > 0.5);
}

std::uint8_t WholePixelGrey(int n)
{
    // From 60 on the level reaches 255; clamping first also keeps n·255 from
    // overflowing.
    return static_cast<std::uint8_t>(std::clamp(n, 0, 60) * 255 / 60);
}

std::uint8_t FineGrey(double d)
{
    const double g = d * 255 / 60;
    // Negative levels and NaN become 0.
    const double limited = g > 0 ? std::min(g, 255.0) : 0.0;
    return static_cast<std::uint8_t>(static_cast<int>(limited));
}

DisparityOutputs ConvertDepth(std::span<const float> depth, int width, int height,
                              double baseline, double focalLength)
{
    TAVRIK_CHECK(width >= 0 && height >= 0);
    const std::size_t w = static_cast<std::size_t>(width);
    TAVRIK_CHECK_EQ(depth.size(), w * static_cast<std::size_t>(height));

    DisparityOutputs out{RgbImage(width, height), RgbImage(width, height),
                         std::vector<double>(depth.size())};
    std::uint8_t* fine = out.fine.bytes().data();
    std::uint8_t* whole = out.whole.bytes().data();
    double* values = out.values.data();
    // Whole rows per slice.
    const std::size_t rows = static_cast<std::size_t>(height);
    InSlices(rows, std::clamp<std::size_t>(SliceCount(depth.size()), 1, std::max<std::size_t>(rows, 1)),
             [&](std::size_t, std::size_t firstRow, std::size_t lastRow) {
        for (std::size_t j = firstRow; j < lastRow; ++j) {
            const float* windowRow = depth.data() + j * w;
            const std::size_t imageRow = (static_cast<std::size_t>(height) - 1 - j) * w;
            std::uint8_t* fineRow = fine + imageRow * 3;
            std::uint8_t* wholeRow = whole + imageRow * 3;
            for (std::size_t x = 0; x < w; ++x) {
                const double d = DisparityFromDistance(DepthToDistance(windowRow[x]), baseline, focalLength);
                const std::uint8_t g = FineGrey(d);
                const std::uint8_t p = WholePixelGrey(WholePixelDisparity(d));
                values[imageRow + x] = d;
                fineRow[3 * x] = fineRow[3 * x + 1] = fineRow[3 * x + 2] = g;
                wholeRow[3 * x] = wholeRow[3 * x + 1] = wholeRow[3 * x + 2] = p;
            }
        }
    });
    return out;
}

DisparityText::DisparityText(std::span<const double> values, int width, int height)
{
    Format(values, width, height);
}

void DisparityText::Format(std::span<const double> values, int width, int height)
{
    TAVRIK_CHECK(width >= 0 && height >= 0);
    TAVRIK_CHECK_EQ(values.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));

    const auto endLine = [](char* out) {
        *out++ = '\r';
        *out++ = '\n';
        return out;
    };
    char* out = sizeLines_.data();
    for (const int size : {width, height})
        out = endLine(std::to_chars(out, out + maxIntChars, size).ptr);

    // Each slice's buffer holds the largest text its lines can take, a value
    // being at most general18MaxChars long.
    constexpr std::size_t maxLineChars = general18MaxChars + 2;
    const std::size_t slices = SliceCount(values.size());
    slices_.resize(slices);
    const std::size_t w = static_cast<std::size_t>(width);
    for (std::size_t s = 0; s < slices; ++s) {
        const std::size_t lines = values.size() * (s + 1) / slices - values.size() * s / slices;
        if (slices_[s].capacity < lines * maxLineChars) {
            slices_[s].capacity = lines * maxLineChars;
            slices_[s].chars = std::make_unique_for_overwrite<char[]>(slices_[s].capacity);
        }
        slices_[s].lineStarts.resize(w);
    }
    sizeLinesLength_ = static_cast<std::size_t>(out - sizeLines_.data());
    // Most values repeat the one above or to the left (the depth buffer's
    // steps are coarse): such a line is copied from the line of that value,
    // as the same bits give the same text.
    const auto bits = [&](std::size_t i) { return std::bit_cast<std::uint64_t>(values[i]); };
    InSlices(values.size(), slices, [&](std::size_t s, std::size_t first, std::size_t last) {
        char* const start = slices_[s].chars.get();
        std::size_t* const lineStarts = slices_[s].lineStarts.data();
        char* end = start;
        for (std::size_t i = first; i < last; ++i) {
            char* const line = end;
            const std::size_t column = i % w;
            const bool above = i >= first + w && bits(i) == bits(i - w);
            const bool left = !above && i > first && bits(i) == bits(i - 1);
            if (above || left) {
                const char* const from = start + (above ? lineStarts[column] : lineStarts[column == 0 ? w - 1 : column - 1]);
                const auto length = static_cast<std::size_t>(std::find(from, from + maxLineChars, '\n') - from) + 1;
                std::memcpy(line, from, length);
                end = line + length;
            } else {
                end = endLine(FormatGeneral18(values[i], line));
            }
            lineStarts[column] = static_cast<std::size_t>(line - start);
        }
        slices_[s].length = static_cast<std::size_t>(end - start);
    });
}

std::vector<std::string_view> DisparityText::pieces() const
{
    std::vector<std::string_view> pieces{std::string_view(sizeLines_.data(), sizeLinesLength_)};
    for (const Buffer& slice : slices_)
        pieces.emplace_back(slice.chars.get(), slice.length);
    pieces.emplace_back("\r\n");
    return pieces;
}

std::string FormatDisparityText(std::span<const double> values, int width, int height)
{
    const DisparityText formatted(values, width, height);
    std::string text;
    for (const std::string_view piece : formatted.pieces())
        text += piece;
    return text;
}

} // namespace tavrik
