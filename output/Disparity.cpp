#include "output/Disparity.h"

#include "base/Check.h"
#include "base/Slices.h"
#include "base/VectorPair.h"
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

namespace {

// The grey levels of two pixels are made at once in vector instructions: a
// frame's disparities change from pixel to pixel which way each test goes.
// A true comparison is −1 in every lane type.

// WholePixelDisparity of two disparities.
[[gnu::always_inline]] inline IntPair WholePixelDisparities(DoublePair d)
{
    // Saturating first keeps the conversion to int defined; NaN gives 0. The
    // floor comes from the truncated value, which avoids a library call per
    // pixel.
    const DoublePair lowest = {INT_MIN, INT_MIN};
    const DoublePair highest = {INT_MAX, INT_MAX};
    DoublePair limited = d < lowest ? lowest : d;                 // std::max(d, lowest)
    limited = highest < limited ? highest : limited;              // std::min(limited, highest)
    limited = d != d ? DoublePair{} : limited;
    const IntPair truncated = __builtin_convertvector(limited, IntPair);
    const IntPair below = truncated + __builtin_convertvector(__builtin_convertvector(truncated, DoublePair) > limited,
                                                              IntPair); // ⌊d⌋
    return below - __builtin_convertvector(limited - __builtin_convertvector(below, DoublePair) > 0.5, IntPair);
}

// FineGrey of two disparities, as whole numbers 0 to 255.
[[gnu::always_inline]] inline IntPair FineGreys(DoublePair d)
{
    const DoublePair g = d * 255 / 60;
    const DoublePair top = {255.0, 255.0};
    // Negative levels and NaN become 0.
    const DoublePair limited = g > 0 ? (top < g ? top : g) : DoublePair{};
    return __builtin_convertvector(limited, IntPair);
}

} // namespace

int WholePixelDisparity(double d)
{
    return WholePixelDisparities(DoublePair{d, d})[0];
}

std::uint8_t WholePixelGrey(int n)
{
    // From 60 on the level reaches 255; clamping first also keeps n·255 from
    // overflowing.
    return static_cast<std::uint8_t>(std::clamp(n, 0, 60) * 255 / 60);
}

std::uint8_t FineGrey(double d)
{
    return static_cast<std::uint8_t>(FineGreys(DoublePair{d, d})[0]);
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
            // The disparities first, in a loop of arithmetic alone that the
            // compiler makes two pixels at a time; then their grey levels, two
            // pixels at a time (a last odd pixel paired with itself).
            double* const rowValues = values + imageRow;
            for (std::size_t x = 0; x < w; ++x)
                rowValues[x] = DisparityFromDistance(DepthToDistance(windowRow[x]), baseline, focalLength);
            for (std::size_t x = 0; x < w; x += 2) {
                const std::size_t lanes = std::min<std::size_t>(2, w - x);
                const DoublePair d = {rowValues[x], rowValues[x + lanes - 1]};
                const IntPair fineGreys = FineGreys(d);
                const IntPair wholePixels = WholePixelDisparities(d);
                for (std::size_t lane = 0; lane < lanes; ++lane) {
                    const auto g = static_cast<std::uint8_t>(fineGreys[lane]);
                    const std::uint8_t p = WholePixelGrey(wholePixels[lane]);
                    std::uint8_t* const fineAt = fineRow + 3 * (x + lane);
                    std::uint8_t* const wholeAt = wholeRow + 3 * (x + lane);
                    fineAt[0] = fineAt[1] = fineAt[2] = g;
                    wholeAt[0] = wholeAt[1] = wholeAt[2] = p;
                }
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
