#pragma once

#include "base/LittleEndian.h"
#include "base/VectorPair.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// Optical flow of one frame, top row first: pixel (x, y) of this frame moves
// to (x + u, y + v) in another frame of the same camera, the next one for
// forward flow, the previous one for backward flow (pixels, y down).
// Where `valid` is 0 the flow is unknown and u, v are meaningless.
struct FlowField {
    int width = 0;
    int height = 0;
    std::vector<float> u;
    std::vector<float> v;
    std::vector<std::uint8_t> valid;
};

// The value a .flo file holds for an unknown flow component. Readers take
// any magnitude above 1e9 as unknown, so 1e10 is safely beyond that test.
inline constexpr float unknownFlow = 1e10f;

// The .flo file of `flow`: the tag "PIEH" (202021.25 as a float32), the width
// and height as int32, then per pixel, top row first, u and v as float32,
// all little-endian; unknown flow is `unknownFlow` in both components.
std::vector<std::uint8_t> EncodeFlo(const FlowField& flow);

// The bytes of a .flo file before its values, and their contents: the tag,
// the width and the height.
inline constexpr std::size_t floHeaderBytes = 12;
void PutFloHeader(std::uint8_t* out, int width, int height);

// The 8 bytes of one pixel of a .flo file at `out`: u and v, or
// `unknownFlow` in both where the flow is not known.
inline void PutFloPixel(std::uint8_t* out, bool known, float u, float v)
{
    PutLittleEndianFloat(out, known ? u : unknownFlow);
    PutLittleEndianFloat(out + 4, known ? v : unknownFlow);
}

// The three-channel PFM file of `flow`: the header "PF\n<width> <height>\n-1.0\n",
// then per pixel u, v and 0 as little-endian float32, rows from the bottom
// of the image to its top; unknown flow is `unknownFlow` in u and v.
std::vector<std::uint8_t> EncodeFlowPfm(const FlowField& flow);

// The samples of a 16-bit RGB flow PNG, top row first: red u·64 + 2^15,
// green v·64 + 2^15 (both rounded to the nearest 1/64 pixel), blue 1 for a
// valid pixel. Unknown flow, and flow beyond what 16 bits hold (|u| or |v|
// from 512 pixels on), is (0, 0, 0).
std::vector<std::uint16_t> KittiFlowSamples(const FlowField& flow);

// The samples of `lanes` neighbouring pixels of KittiFlowSamples (see
// VectorLanes): pixel k has flow (u[k], v[k]) and is valid where valid[k]
// is all ones.
template <int lanes>
struct KittiFlowLanes {
    typename VectorLanes<lanes>::Ints red;
    typename VectorLanes<lanes>::Ints green;
    typename VectorLanes<lanes>::Ints blue;
};
template <int lanes>
[[gnu::always_inline]] inline KittiFlowLanes<lanes> KittiFlowLaneSamples(typename VectorLanes<lanes>::Ints valid,
                                                                          typename VectorLanes<lanes>::Floats u,
                                                                          typename VectorLanes<lanes>::Floats v)
{
    using Ints = typename VectorLanes<lanes>::Ints;
    using Floats = typename VectorLanes<lanes>::Floats;
    // The 16 bits hold −512 ≤ flow < 512 in steps of 1/64; NaN fails the
    // range test too. Within that range the sample is rounded half away
    // from zero as std::round does, without its library call per pixel.
    // Floats suffice: u·64 is exact (a power of two), and so is x − trunc(x)
    // for |x| ≤ 2^16. Out of range it is −1, which fails the sample's own
    // range test below. Several pixels at a time in vector instructions:
    // which pixels are valid changes all along a row.
    const auto sample = [](Floats component) __attribute__((always_inline)) -> Ints {
        const Floats x = component * 64.0f;
        const Ints inRange = (x <= 65536.0f) & (x >= -65536.0f);
        const Floats held = inRange ? x : Floats{};
        const Ints truncated = __builtin_convertvector(held, Ints);
        const Floats fraction = held - __builtin_convertvector(truncated, Floats);
        // A true comparison is −1.
        const Ints rounded = truncated - (fraction >= 0.5f) + (fraction <= -0.5f) + 32768;
        return inRange ? rounded : Ints{} - 1;
    };
    const Ints red = sample(u);
    const Ints green = sample(v);
    const Ints held = valid & (red >= 0) & (red <= 65535) & (green >= 0) & (green <= 65535);
    return {red & held, green & held, held & 1};
}

// The flow of a .flo file laid out as above; a pixel is unknown (valid 0)
// where |u| or |v| exceeds 1e9. NaN is kept as a known value for the
// caller to judge. Throws UserError "<fileName>: not a .flo file: <reason>"
// for a wrong tag, a bad size or too few values.
FlowField DecodeFlo(std::span<const std::uint8_t> file, const std::string& fileName);

// The flow of 16-bit RGB flow PNG samples (width·height·3, top row first):
// u = (red − 2^15) / 64, v = (green − 2^15) / 64, known where blue is not 0.
FlowField FlowFromKittiSamples(std::span<const std::uint16_t> samples, int width, int height);

} // namespace tavrik
