#include "render/Reprojection.h"

#include "base/Check.h"
#include "base/Slices.h"
#include "base/VectorPair.h"
#include "output/Disparity.h"
#include "output/GroundTruth.h"
#include "output/Pfm.h"
#include "output/Png.h"

#include <algorithm>
#include <array>
#include <bit>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace tavrik {

namespace {

// Every lane set to `value`.
template <typename Vector, typename Value>
[[gnu::always_inline]] inline Vector Splat(Value value)
{
    return Vector{} + value;
}

// The samples on either side of positions `v` (pixel centres at whole
// numbers) along an axis of `size` pixels, as whole numbers: one sample
// when v is within 1/1000 pixel of its centre, so that a point landing on a
// pixel is compared with that pixel alone. A position outside the axis,
// from −0.5 to size − 0.5 (the landing test), is taken as −0.75 (the first
// two samples), and so is NaN, which passes the landing test by failing all
// of its comparisons.
template <typename Doubles>
[[gnu::always_inline]] inline std::pair<Doubles, Doubles> SamplesAround(Doubles v, int size)
{
    const Doubles zero = {};
    const Doubles one = Splat<Doubles>(1.0);
    const Doubles last = Splat<Doubles>(static_cast<double>(size - 1));
    v = (v >= -0.5) & (v < size - 0.5) ? v : Splat<Doubles>(-0.75);
    // ⌊v⌋ and the nearest whole number without a library call: adding and
    // taking away 1.5·2^52 rounds v to a whole number (its sum has no bits
    // below the units); v − ⌊v⌋ is exact. Near a half the nearest may be
    // either neighbour, which takes the two-sample branch all the same.
    const Doubles wholeShift = Splat<Doubles>(0x1.8p52);
    const Doubles rounded = (v + wholeShift) - wholeShift;
    const Doubles floor = rounded - (rounded > v ? one : zero);
    const Doubles nearest = floor + (v - floor >= 0.5 ? one : zero);
    const Doubles offCentre = v - nearest;
    const auto onCentre = (offCentre <= 1e-3) & (offCentre >= -1e-3);
    const Doubles only = nearest < 0.0 ? zero : nearest > last ? last : nearest;
    const Doubles below = floor < 0.0 ? zero : floor > last ? last : floor;
    const Doubles above = below + 1.0 > last ? last : below + 1.0;
    return {onCentre ? only : below, onCentre ? only : above};
}

// The window indexes (x0, j0), (x1, j0), (x0, j1), (x1, j1) of the depth
// samples around the landing points (x, j) of the pixels from `at` on,
// into `indexes`.
template <int lanes>
[[gnu::always_inline]] inline void SampleIndexes(const double* x, const double* j, int width, int height,
                                                 std::size_t at, std::int32_t* const (&indexes)[4])
{
    using Doubles = typename VectorLanes<lanes>::Doubles;
    using Ints = typename VectorLanes<lanes>::Ints;
    const auto [x0, x1] = SamplesAround(LoadPair<Doubles>(x + at), width);
    const auto [j0, j1] = SamplesAround(LoadPair<Doubles>(j + at), height);
    // Stored one by one: made an array, they went through the stack.
    StorePair(indexes[0] + at, __builtin_convertvector(j0 * width + x0, Ints));
    StorePair(indexes[1] + at, __builtin_convertvector(j0 * width + x1, Ints));
    StorePair(indexes[2] + at, __builtin_convertvector(j1 * width + x0, Ints));
    StorePair(indexes[3] + at, __builtin_convertvector(j1 * width + x1, Ints));
}

// The farthest of four depth samples of `depth`, at indexes (x0, j0),
// (x1, j0), (x0, j1), (x1, j1) around a landing point. A surface that bends
// away between samples (the crease where a wall meets the floor) lies beyond
// the samples' interpolation there, so only something in front of all of
// them counts as covering the point.
[[gnu::always_inline]] inline float FarthestDepth(const float* depth, std::int32_t below0, std::int32_t below1,
                                                  std::int32_t above0, std::int32_t above1)
{
    // The first largest, as std::max of the four in this order picks it.
    float farthest = depth[below0];
    farthest = std::max(farthest, depth[below1]);
    farthest = std::max(farthest, depth[above0]);
    return std::max(farthest, depth[above1]);
}

// Rotation and translation of a rigid eye-coordinate transform, turned from
// OpenGL's eye axes (x right, y up, z backward) into x right, y down,
// z forward: C · m · C with C = diag(1, −1, −1).
CameraPose VisionPose(const Mat4& m)
{
    const double flip[3] = {1.0, -1.0, -1.0};
    CameraPose pose{};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            pose[static_cast<std::size_t>(row * 4 + column)] =
                flip[row] * m(row, column) * (column < 3 ? flip[column] : 1.0);
    return pose;
}

// The inverse of a rigid motion [R | t]: [Rᵀ | −Rᵀ·t], exact where a
// general inverse would leave rounding residue.
Mat4 RigidInverse(const Mat4& m)
{
    Mat4 inverse = Mat4::Identity();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            inverse(row, column) = m(column, row);
        inverse(row, 3) = -(m(0, row) * m(0, 3) + m(1, row) * m(1, 3) + m(2, row) * m(2, 3));
    }
    return inverse;
}

// Where the drawn pixels of one row of `from` land in the other view, pixel
// x of the row at index x of each array. Where the point is not in front of
// the other view's camera (or nothing was drawn) dx, dy and depthThere are 0.
struct LandedRow {
    int j = 0;                  // window row, bottom row first
    std::size_t imageRow = 0;   // image index of the row's first pixel, top row first
    std::size_t windowRow = 0;  // window index of it (that of the depth buffers and of PFM files)
    const Landing* landing = nullptr;
    const std::uint8_t* inFront = nullptr; // 1 in front of the other view's camera: the values below are known
    const float* dx = nullptr;
    const float* dy = nullptr;
    const double* depthThere = nullptr;
};

// rows(slice, first, last) four pixels at a time, its code made for AVX2;
// processors without it run the rows two at a time. Both give the same
// bits: each lane does the same IEEE operations.
template <typename Rows>
[[gnu::target("avx2")]] void InFourLanes(const Rows& rows, std::size_t slice, std::size_t first, std::size_t last)
{
    rows.template operator()<4>(slice, first, last);
}

// Calls sink.operator()<lanes>(row) for every row of `from`, rows sliced
// over the cores, with the pixels made at a time. Each pixel is reprojected
// as Reproject states; the sink may write only what belongs to its own row.
// Sinks are marked always_inline: the compiler does not inline them into the
// rows made for AVX2 by itself, and a sink left a call reads what it
// captured again after each of its stores.
template <typename Sink>
void ForEachLanding(const DepthView& from, const DepthView& to, int width, int height, double depthTolerance,
                    const Sink& sink)
{
    TAVRIK_CHECK(width > 0 && height > 0);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    TAVRIK_CHECK_EQ(from.depth.size(), count);
    TAVRIK_CHECK_EQ(to.depth.size(), count);

    // Normalised device coordinates of `from` straight to clip coordinates
    // of `to`, term for term as Mat4::Apply sums them: the x terms of each
    // column and the y terms of each row are the same products made once.
    const Mat4 t = to.camera * Inverse(from.camera);
    const std::size_t columns = static_cast<std::size_t>(width);
    const std::size_t rows = static_cast<std::size_t>(height);
    const std::size_t slices = std::min(SliceCount(count), rows);
    // The column terms and every slice's row arrays in a few buffers made
    // once a pass: 4 column terms, then 6 row arrays of doubles per slice.
    // The row arrays are made four pixels at a time at most and have room
    // for a whole number of fours; the pixels past the row are undrawn.
    const std::size_t padded = (columns + 3) / 4 * 4;
    std::vector<double> doubles(padded * (4 + 6 * slices));
    std::vector<float> floats(padded * 3 * slices);
    std::vector<std::int32_t> sampleIndexes(padded * 4 * slices);
    std::vector<Landing> landingRows(padded * slices);
    std::vector<std::uint8_t> inFrontRows(padded * slices);
    double* const columnTerms[4] = {doubles.data(), doubles.data() + padded, doubles.data() + 2 * padded,
                                    doubles.data() + 3 * padded};
    for (int r = 0; r < 4; ++r)
        for (int x = 0; x < width; ++x)
            columnTerms[r][x] = t(r, 0) * (2.0 * (x + 0.5) / width - 1.0);
    const float* const toDepth = to.depth.data();
    const double windowWidth = width;
    const double windowHeight = height;
    const auto landRows = [&]<int lanes>(std::size_t slice, std::size_t firstRow,
                                         std::size_t lastRow) __attribute__((always_inline)) {
        using Doubles = typename VectorLanes<lanes>::Doubles;
        using Masks = typename VectorLanes<lanes>::Masks;
        using Ints = typename VectorLanes<lanes>::Ints;
        using Floats = typename VectorLanes<lanes>::Floats;
        double* const depths = doubles.data() + padded * (4 + 6 * slice);
        double* const clipWs = depths + padded;
        double* const xTos = clipWs + padded;
        double* const jTos = xTos + padded;
        double* const wTos = jTos + padded;
        double* const depthThere = wTos + padded;
        float* const dxs = floats.data() + padded * 3 * slice;
        float* const dys = dxs + padded;
        float* const farthests = dys + padded;
        // The window indexes of each pixel's four depth samples in `to`.
        std::int32_t* const samples[4] = {sampleIndexes.data() + padded * 4 * slice,
                                          sampleIndexes.data() + padded * (4 * slice + 1),
                                          sampleIndexes.data() + padded * (4 * slice + 2),
                                          sampleIndexes.data() + padded * (4 * slice + 3)};
        Landing* const landings = landingRows.data() + padded * slice;
        std::uint8_t* const inFronts = inFrontRows.data() + padded * slice;
        std::fill(depths + columns, depths + padded, 1.0);
        Doubles laneColumns{};
        for (int lane = 0; lane < lanes; ++lane)
            laneColumns[lane] = lane;
        for (int j = static_cast<int>(firstRow); j < static_cast<int>(lastRow); ++j) {
            const std::size_t windowRow = static_cast<std::size_t>(j) * width;
            const std::size_t imageRow = static_cast<std::size_t>(height - 1 - j) * width;
            const double ndcY = 2.0 * (j + 0.5) / height - 1.0;
            const double rowTerm[4] = {t(0, 1) * ndcY, t(1, 1) * ndcY, t(2, 1) * ndcY, t(3, 1) * ndcY};
            const double depthTerm[4] = {t(0, 2), t(1, 2), t(2, 2), t(3, 2)};
            const double constantTerm[4] = {t(0, 3), t(1, 3), t(2, 3), t(3, 3)};
            const float* depthRow = from.depth.data() + windowRow;
            // A row's window positions first, several pixels at a time in
            // vector instructions (the same IEEE operations as one at a
            // time); undrawn pixels and those behind the camera get values
            // that are not used. The depths are widened first, so that the
            // last pixels share their vector with the row array's spare room,
            // not the next row.
            for (std::size_t x = 0; x < columns; ++x)
                depths[x] = depthRow[x];
            for (std::size_t x = 0; x < columns; x += lanes) {
                const Doubles ndcZ = 2.0 * LoadPair<Doubles>(depths + x) - 1.0;
                Doubles clip[4];
                for (int r = 0; r < 4; ++r)
                    clip[r] = LoadPair<Doubles>(columnTerms[r] + x) + rowTerm[r] + depthTerm[r] * ndcZ +
                              constantTerm[r];
                // Window position with pixel centres at whole numbers, and depth.
                StorePair(clipWs + x, clip[3]);
                StorePair(xTos + x, (clip[0] / clip[3] + 1.0) * windowWidth / 2.0 - 0.5);
                StorePair(jTos + x, (clip[1] / clip[3] + 1.0) * windowHeight / 2.0 - 0.5);
                StorePair(wTos + x, (clip[2] / clip[3] + 1.0) / 2.0);
            }
            // Then each pixel's landing without a branch on it: which pixels
            // are drawn, in front or inside changes all along a row. Every
            // pixel is compared with samples of `to`, those whose result is
            // not used with the first ones. The samples' indexes and the
            // landings are made in vector instructions, the samples are
            // looked up in a loop of its own.
            for (std::size_t x = 0; x < columns; x += lanes)
                SampleIndexes<lanes>(xTos, jTos, width, height, x, samples);
            for (std::size_t x = 0; x < columns; ++x)
                farthests[x] = FarthestDepth(toDepth, samples[0][x], samples[1][x], samples[2][x], samples[3][x]);
            for (std::size_t x = 0; x < columns; x += lanes) {
                const Doubles xTo = LoadPair<Doubles>(xTos + x);
                const Doubles jTo = LoadPair<Doubles>(jTos + x);
                const Doubles wTo = LoadPair<Doubles>(wTos + x);
                // The depth buffer's float compared as a double: IsDrawn.
                const Masks drawn = LoadPair<Doubles>(depths + x) < 1.0;
                const Masks inFront = drawn & (LoadPair<Doubles>(clipWs + x) > 0.0);
                const Masks outside = (xTo < -0.5) | (xTo >= width - 0.5) | (jTo < -0.5) | (jTo >= height - 0.5)
                                    | (wTo < 0.0) | (wTo > 1.0);
                const Masks compared = inFront & ~outside;
                const Doubles farthest = __builtin_convertvector(LoadPair<Floats>(farthests + x), Doubles);
                const Masks seen = wTo <= farthest + depthTolerance;
                // nothingDrawn, outside, hidden and visible are 0 to 3 (a
                // true mask is −1).
                const Masks landing = -(drawn + compared + (compared & seen));
                const Doubles column = laneColumns + static_cast<double>(x);
                const Ints inFrontFloats = __builtin_convertvector(inFront, Ints);
                StorePair(dxs + x, inFrontFloats ? __builtin_convertvector(xTo - column, Floats) : Floats{});
                StorePair(dys + x, inFrontFloats ? __builtin_convertvector(j - jTo, Floats) : Floats{});
                StorePair(depthThere + x, inFront ? wTo : Doubles{});
                for (int lane = 0; lane < lanes; ++lane) {
                    landings[x + lane] = static_cast<Landing>(landing[lane]);
                    inFronts[x + lane] = static_cast<std::uint8_t>(inFront[lane] & 1);
                }
            }
            sink.template operator()<lanes>(LandedRow{j, imageRow, windowRow, landings, inFronts, dxs, dys, depthThere});
        }
    };
    const bool four = ReprojectionLanes() == 4;
    InSlices(rows, slices, [&](std::size_t slice, std::size_t firstRow, std::size_t lastRow) {
        if (four)
            InFourLanes(landRows, slice, firstRow, lastRow);
        else
            landRows.template operator()<2>(slice, firstRow, lastRow);
    });
}

// Grey level of a landing in the occlusion mask: 0 nothing drawn, 128
// hidden or outside, 255 visible.
constexpr std::array<std::uint8_t, 4> occlusionLevels = {0, 128, 128, 255};

// Disparity change of a pixel of depth `now` whose point has depth
// `there` in the next frame.
[[gnu::always_inline]] inline float DisparityChangeOf(double now, double there, double baseline, double focalLength)
{
    const double before = DisparityFromDistance(DepthToDistance(now), baseline, focalLength);
    const double after = DisparityFromDistance(DepthToDistance(there), baseline, focalLength);
    return static_cast<float>(after - before);
}

constexpr float infinity = std::numeric_limits<float>::infinity();

// u0 v0 u1 v1 … of the lanes' u and v.
template <typename Floats>
[[gnu::always_inline]] inline auto InterleavedFlo(Floats u, Floats v)
{
    if constexpr (sizeof(Floats) == 8)
        return __builtin_shufflevector(u, v, 0, 2, 1, 3);
    else
        return __builtin_shufflevector(u, v, 0, 4, 1, 5, 2, 6, 3, 7);
}

// R G B of each lane's samples as 16-bit big-endian values, the lanes one
// after another, padded to a whole vector.
template <int lanes>
[[gnu::always_inline]] inline auto BigEndianRgb16(const KittiFlowLanes<lanes>& samples)
{
    using Shorts = typename VectorLanes<lanes>::Shorts;
    const Shorts red = __builtin_convertvector(samples.red, Shorts);
    const Shorts green = __builtin_convertvector(samples.green, Shorts);
    const Shorts blue = __builtin_convertvector(samples.blue, Shorts);
    const auto swapped = [](auto v) __attribute__((always_inline)) { return (v >> 8) | (v << 8); };
    if constexpr (lanes == 2) {
        const auto redGreen = __builtin_shufflevector(red, green, 0, 2, 1, 3);
        const auto blueBlue = __builtin_shufflevector(blue, blue, 0, 1, 0, 1);
        return swapped(__builtin_shufflevector(redGreen, blueBlue, 0, 1, 4, 2, 3, 5, 6, 7));
    } else {
        const auto redGreen = __builtin_shufflevector(red, green, 0, 4, 1, 5, 2, 6, 3, 7);
        const auto blueBlue = __builtin_shufflevector(blue, blue, 0, 1, 2, 3, 0, 1, 2, 3);
        return swapped(__builtin_shufflevector(redGreen, blueBlue, 0, 1, 8, 2, 3, 9, 4, 5, 10, 6, 7, 11, 12, 13, 14, 15));
    }
}

} // namespace

Reprojection Reproject(const DepthView& from, const DepthView& to, int width, int height, double depthTolerance)
{
    const std::size_t count = from.depth.size();
    Reprojection out{std::vector<float>(count, 0.0f), std::vector<float>(count, 0.0f),
                     std::vector<Landing>(count, Landing::nothingDrawn), std::vector<double>(count, 0.0),
                     std::vector<std::uint8_t>(count, 0)};
    const std::size_t w = static_cast<std::size_t>(width);
    ForEachLanding(from, to, width, height, depthTolerance, [&]<int>(const LandedRow& row) __attribute__((always_inline)) {
        std::copy_n(row.dx, w, out.dx.begin() + row.imageRow);
        std::copy_n(row.dy, w, out.dy.begin() + row.imageRow);
        std::copy_n(row.landing, w, out.landing.begin() + row.imageRow);
        std::copy_n(row.depthThere, w, out.depthThere.begin() + row.imageRow);
        std::copy_n(row.inFront, w, out.inFront.begin() + row.imageRow);
    });
    return out;
}

namespace {

bool HasAvx2()
{
    // Asked while static objects are made, perhaps before the library's own
    // probe of the processor has run.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

std::atomic<int> reprojectionLanes = HasAvx2() ? 4 : 2;

} // namespace

int ReprojectionLanes()
{
    return reprojectionLanes;
}

void SetReprojectionLanes(int lanes)
{
    TAVRIK_CHECK(lanes == 2 || (lanes == 4 && HasAvx2()));
    reprojectionLanes = lanes;
}

double DepthTolerance(int depthBits)
{
    TAVRIK_CHECK(depthBits > 0 && depthBits <= 32);
    return 16.0 / std::ldexp(1.0, depthBits);
}

FlowField OpticalFlow(Reprojection toOther, int width, int height)
{
    FlowField flow{width, height, std::move(toOther.dx), std::move(toOther.dy),
                   std::vector<std::uint8_t>(toOther.landing.size())};
    std::ranges::transform(toOther.landing, flow.valid.begin(),
                           [](Landing landing) { return static_cast<std::uint8_t>(landing == Landing::visible); });
    return flow;
}

std::vector<float> DisparityChange(const Reprojection& toNext, std::span<const float> depth, int width, int height,
                                   double baseline, double focalLength)
{
    TAVRIK_CHECK_EQ(depth.size(), toNext.inFront.size());
    std::vector<float> change(depth.size(), std::numeric_limits<float>::infinity());
    for (int j = 0; j < height; ++j)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(height - 1 - j) * width + x;
            if (toNext.inFront[i] == 0)
                continue;
            change[i] = DisparityChangeOf(depth[static_cast<std::size_t>(j) * width + x], toNext.depthThere[i], baseline,
                                          focalLength);
        }
    return change;
}

std::vector<std::uint8_t> OcclusionMask(const DepthView& view, const DepthView& otherCamera, int width, int height,
                                        double depthTolerance)
{
    std::vector<std::uint8_t> mask;
    MakeOcclusionMask(view, otherCamera, width, height, depthTolerance, mask);
    return mask;
}

void MakeOcclusionMask(const DepthView& view, const DepthView& otherCamera, int width, int height,
                       double depthTolerance, std::vector<std::uint8_t>& mask)
{
    mask.resize(view.depth.size());
    const std::size_t w = static_cast<std::size_t>(width);
    ForEachLanding(view, otherCamera, width, height, depthTolerance, [&]<int>(const LandedRow& row) __attribute__((always_inline)) {
        std::uint8_t* const out = mask.data() + row.imageRow;
        for (std::size_t x = 0; x < w; ++x)
            out[x] = occlusionLevels[static_cast<std::size_t>(row.landing[x])];
    });
}

void MakeFlowFiles(const DepthView& from, const DepthView& to, int width, int height, double depthTolerance,
                   const std::optional<DisparityChangeOptics>& disparityChange, FlowFileBytes& files)
{
    const std::size_t count = from.depth.size();
    files.flo.resize(floHeaderBytes + 8 * count);
    PutFloHeader(files.flo.data(), width, height);
    std::uint8_t* const flo = files.flo.data() + floHeaderBytes;
    files.kittiPng.resize(6 * count);
    std::uint8_t* const png = files.kittiPng.data();
    std::uint8_t* change = nullptr;
    if (disparityChange)
        change = StartPfmFile(files.disparityChangePfm, width, height, 1);
    const std::size_t w = static_cast<std::size_t>(width);
    ForEachLanding(from, to, width, height, depthTolerance, [&]<int lanes>(const LandedRow& row) __attribute__((always_inline)) {
        using Ints = typename VectorLanes<lanes>::Ints;
        using Floats = typename VectorLanes<lanes>::Floats;
        // Everything the loops read is held in locals: their byte stores
        // could change anything in memory, so the compiler would read it
        // again after each one.
        const std::size_t columns = w;
        const Landing* const landing = row.landing;
        const float* const dx = row.dx;
        const float* const dy = row.dy;
        std::uint8_t* const floRow = flo + 8 * row.imageRow;
        std::uint8_t* const pngRow = png + 6 * row.imageRow;
        // `lanes` pixels at a time; of the row's last ones only `stored`
        // (the row arrays have room for a whole vector).
        const auto putPixels = [&](std::size_t x, std::size_t stored) __attribute__((always_inline)) {
            Ints landings{};
            for (int lane = 0; lane < lanes; ++lane)
                landings[lane] = static_cast<int>(landing[x + static_cast<std::size_t>(lane)]);
            const Ints visible = landings == static_cast<int>(Landing::visible);
            const Floats u = LoadPair<Floats>(dx + x);
            const Floats v = LoadPair<Floats>(dy + x);
            const Floats unknown = Floats{} + unknownFlow;
            const Floats floU = visible ? u : unknown;
            const Floats floV = visible ? v : unknown;
            const KittiFlowLanes<lanes> samples = KittiFlowLaneSamples<lanes>(visible, u, v);
            if (std::endian::native == std::endian::little && stored == lanes) {
                // The pixels' bytes in a few wide stores: .flo u and v side
                // by side, the PNG's 16-bit red, green and blue big-endian.
                StorePair(floRow + 8 * x, InterleavedFlo(floU, floV));
                const auto rgb = BigEndianRgb16(samples);
                std::memcpy(pngRow + 6 * x, &rgb, 6 * lanes);
                return;
            }
            for (std::size_t lane = 0; lane < stored; ++lane) {
                PutLittleEndianFloat(floRow + 8 * (x + lane), floU[lane]);
                PutLittleEndianFloat(floRow + 8 * (x + lane) + 4, floV[lane]);
                std::uint8_t* const out = pngRow + 6 * (x + lane);
                PutPngSample16(out, static_cast<std::uint16_t>(samples.red[lane]));
                PutPngSample16(out + 2, static_cast<std::uint16_t>(samples.green[lane]));
                PutPngSample16(out + 4, static_cast<std::uint16_t>(samples.blue[lane]));
            }
        };
        const std::size_t whole = columns - columns % lanes;
        for (std::size_t x = 0; x < whole; x += lanes)
            putPixels(x, lanes);
        if (whole < columns)
            putPixels(whole, columns - whole);
        if (!change)
            return;
        // PFM rows run bottom to top, as the depth buffer's do. Every pixel's
        // change is made, in vector instructions, and those not in front of
        // the next camera are then given +INF.
        const double baseline = disparityChange->baseline;
        const double focalLength = disparityChange->focalLength;
        const float* const depthRow = from.depth.data() + row.windowRow;
        const double* const depthThere = row.depthThere;
        const std::uint8_t* const inFront = row.inFront;
        std::uint8_t* const changeRow = change + 4 * row.windowRow;
        for (std::size_t x = 0; x < columns; ++x) {
            const float value = DisparityChangeOf(depthRow[x], depthThere[x], baseline, focalLength);
            PutPfmValue(changeRow + 4 * x, inFront[x] ? value : infinity);
        }
    });
}

StereoCalibration RigCalibration(const Mat4& perspective, int width, int height, double baseline, double focalLength)
{
    // From x_ndc = P00·X/Z − P02 and y_ndc = −P11·Y/Z − P12 in vision axes,
    // with image x = (x_ndc + 1)·W/2 − ½ and image y = (1 − y_ndc)·H/2 − ½.
    StereoCalibration c;
    c.fx = perspective(0, 0) * width / 2.0;
    c.fy = perspective(1, 1) * height / 2.0;
    c.cx = (1.0 - perspective(0, 2)) * width / 2.0 - 0.5;
    c.cy = (1.0 + perspective(1, 2)) * height / 2.0 - 0.5;
    c.baseline = baseline;
    c.width = width;
    c.height = height;
    c.ndisp = static_cast<int>(std::ceil(std::abs(baseline * focalLength) / nearDistance));
    return c;
}

CameraPose RelativePose(const Mat4& reference, const Mat4& motion)
{
    // A point in the moved camera's eye coordinates goes back to base-pose
    // eye coordinates through motion⁻¹, then into the reference camera. The
    // reference's own pose is the identity without rounding residue.
    if (motion.m == reference.m)
        return VisionPose(Mat4::Identity());
    return VisionPose(reference * RigidInverse(motion));
}

} // namespace tavrik
