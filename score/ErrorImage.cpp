#include "score/ErrorImage.h"

#include "base/Check.h"

#include <array>
#include <cmath>

namespace tavrik {

namespace {

// Bin k holds n up to 2^(k − 4); the last bin everything beyond. The
// colours are a diverging blue-to-red ramp, cool below the outlier bound,
// warm above it.
constexpr std::array<Rgb, 10> binColours{{
    {49, 54, 149},
    {69, 117, 180},
    {116, 173, 209},
    {171, 217, 233},
    {224, 243, 248},
    {254, 224, 144},
    {253, 174, 97},
    {244, 109, 67},
    {215, 48, 39},
    {165, 0, 38},
}};

} // namespace

Rgb ErrorColour(double error, double truthMagnitude)
{
    double n = error / 3.0;
    if (truthMagnitude > 0.0)
        n = std::fmin(n, error / (0.05 * truthMagnitude));
    double bound = 1.0 / 16.0;
    for (const Rgb& colour : std::span(binColours).first(binColours.size() - 1)) {
        if (n <= bound)
            return colour;
        bound *= 2.0;
    }
    return binColours.back();
}

RgbImage ErrorImage(const FrameScore& score, std::span<const std::uint8_t> occlusion, int width, int height)
{
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    TAVRIK_CHECK_EQ(score.error.size(), count);
    TAVRIK_CHECK(occlusion.empty() || occlusion.size() == count);
    RgbImage image(width, height);
    for (std::size_t i = 0; i < count; ++i) {
        if (std::isnan(score.error[i]))
            continue;
        Rgb colour = ErrorColour(score.error[i], score.truthMagnitude[i]);
        if (!occlusion.empty() && occlusion[i] == 128)
            colour = {static_cast<std::uint8_t>(colour.red / 2), static_cast<std::uint8_t>(colour.green / 2),
                      static_cast<std::uint8_t>(colour.blue / 2)};
        image.set(static_cast<int>(i % width), static_cast<int>(i / width), colour);
    }
    return image;
}

} // namespace tavrik
