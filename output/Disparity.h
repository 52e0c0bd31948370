#pragma once

#include "output/Image.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// Near and far distances of the perspective projection every frame is
// rendered with (scene units). The depth buffer is linearised with these, so
// they must equal the projection's.
inline constexpr double nearDistance = 0.5;
inline constexpr double farDistance = 34.0;

// Distance Z (scene units) of a depth-buffer value w in [0, 1]:
// Z = (far·near/(near−far)) / (w − far/(far−near)), i.e. 17 / (34 − 33.5·w);
// w = 0 gives 0.5, w = 1 gives 34.
// Inline: it runs for every pixel of several maps a frame.
inline double DepthToDistance(double w)
{
    return (farDistance * nearDistance / (nearDistance - farDistance)) / (w - farDistance / (farDistance - nearDistance));
}

// Disparity in pixels of a point at distance z for a stereo rig of the given
// baseline (scene units) and focal length (pixels): D = B·F/Z.
inline double DisparityFromDistance(double z, double baseline, double focalLength)
{
    return baseline * focalLength / z;
}

// Whole-pixel disparity N: ⌊d⌋, or ⌈d⌉ when the fraction exceeds 0.5, so an
// exact half rounds down (2.5 → 2, 2.51 → 3). Saturates at the int range;
// NaN gives 0.
int WholePixelDisparity(double d);

// Grey levels: 255 levels for 60 pixels of disparity, capped at 255,
// negative disparities black. Whole-pixel grey is n·255/60 in integer
// arithmetic (1 → 4); fine grey is d·255/60 truncated (12.3 → 52).
std::uint8_t WholePixelGrey(int n);
std::uint8_t FineGrey(double d);

// The disparity outputs of one frame, all top row first.
struct DisparityOutputs {
    RgbImage fine;              // (g, g, g) per pixel, g = FineGrey(D)
    RgbImage whole;             // (p, p, p) per pixel, p = WholePixelGrey(N)
    std::vector<double> values; // D of pixel (x, y) at index y·width + x
};

// Converts a depth buffer, width·height values as OpenGL delivers them (bottom
// row first), into the disparity outputs: window row j becomes row
// height − 1 − j.
DisparityOutputs ConvertDepth(std::span<const float> depth, int width, int height,
                              double baseline, double focalLength);

// The disparity text file, width·height + 3 lines each ending in CR LF: the
// width, the height, one value per pixel in the order of `values` (top row
// first, left to right) written as printf's "%.18g" would, then an empty line.
// Frames hold hundreds of thousands of values, so the text is formatted on
// every core, a slice of values each, and kept in those pieces: written one
// after another (WriteFilePieces) they make the file without being joined.
class DisparityText {
public:
    DisparityText() = default;
    DisparityText(std::span<const double> values, int width, int height);
    // Makes the text of `values` in place of the one held. Its buffers are
    // reused: they take megabytes a frame, and fresh memory costs a page
    // fault per page.
    void Format(std::span<const double> values, int width, int height);
    // The text, piece after piece; valid until the next Format.
    std::vector<std::string_view> pieces() const;

private:
    // An int has at most 11 characters ("-2147483648").
    static constexpr std::size_t maxIntChars = 11;
    struct Buffer {
        std::unique_ptr<char[]> chars;
        std::size_t capacity = 0;
        std::size_t length = 0;
        // Where the lines of the last width values begin, by column.
        std::vector<std::size_t> lineStarts;
    };
    std::array<char, 2 * (maxIntChars + 2)> sizeLines_{};
    std::size_t sizeLinesLength_ = 0;
    std::vector<Buffer> slices_;
};

// The whole of DisparityText's text in one string.
std::string FormatDisparityText(std::span<const double> values, int width, int height);

} // namespace tavrik
