#include "output/Disparity.h"

#include "base/FileIo.h"
#include "output/GeneralDecimal.h"

#include <algorithm>
#include "base/Check.h"
#include <charconv>
#include <climits>
#include <cmath>

namespace tavrik {

double DepthToDistance(double w)
{
    return (farDistance * nearDistance / (nearDistance - farDistance))
         / (w - farDistance / (farDistance - nearDistance));
}

double DisparityFromDistance(double z, double baseline, double focalLength)
{
    return baseline * focalLength / z;
}

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
    for (int j = 0; j < height; ++j) {
        const float* windowRow = depth.data() + static_cast<std::size_t>(j) * w;
        const std::size_t imageRow = static_cast<std::size_t>(height - 1 - j) * w;
        double* values = out.values.data() + imageRow;
        std::uint8_t* fineRow = fine + imageRow * 3;
        std::uint8_t* wholeRow = whole + imageRow * 3;
        for (std::size_t x = 0; x < w; ++x) {
            const double d = DisparityFromDistance(DepthToDistance(windowRow[x]), baseline, focalLength);
            const std::uint8_t g = FineGrey(d);
            const std::uint8_t p = WholePixelGrey(WholePixelDisparity(d));
            values[x] = d;
            fineRow[3 * x] = fineRow[3 * x + 1] = fineRow[3 * x + 2] = g;
            wholeRow[3 * x] = wholeRow[3 * x + 1] = wholeRow[3 * x + 2] = p;
        }
    }
    return out;
}

std::string FormatDisparityText(std::span<const double> values, int width, int height)
{
    TAVRIK_CHECK(width >= 0 && height >= 0);
    TAVRIK_CHECK_EQ(values.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));

    // The text is built in place in one allocation of the largest size it can
    // take: an int has at most 11 characters ("-2147483648"), a value
    // general18MaxChars.
    constexpr std::size_t maxIntChars = 11;
    constexpr std::size_t maxValueChars = general18MaxChars;
    constexpr std::size_t lineEndChars = 2;
    std::string text;
    text.resize(2 * (maxIntChars + lineEndChars) + values.size() * (maxValueChars + lineEndChars) + lineEndChars);
    char* out = text.data();
    char* const end = out + text.size();
    const auto endLine = [&out] {
        *out++ = '\r';
        *out++ = '\n';
    };
    for (const int size : {width, height}) {
        out = std::to_chars(out, end, size).ptr;
        endLine();
    }
    for (const double value : values) {
        out = FormatGeneral18(value, out);
        endLine();
    }
    endLine();
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

void WriteDisparityText(const std::string& fileName, std::span<const double> values,
                        int width, int height)
{
    WriteWholeFile(fileName, FormatDisparityText(values, width, height));
}

} // namespace tavrik
