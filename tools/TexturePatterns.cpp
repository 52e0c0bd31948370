#include "tools/TexturePatterns.h"

#include <algorithm>
#include "base/Check.h"
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tavrik {

namespace {

constexpr int kSize = kTextureSize;

// A colour with channels on the 0..255 scale, unclamped while it is mixed.
struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
};

Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour operator-(Colour a, Colour b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
Colour operator*(Colour a, double s) { return {a.r * s, a.g * s, a.b * s}; }

Colour Blend(Colour a, Colour b, double t) { return a + (b - a) * t; }

constexpr Colour Hex(std::uint32_t rgb)
{
    return {static_cast<double>(rgb >> 16 & 0xFF), static_cast<double>(rgb >> 8 & 0xFF),
            static_cast<double>(rgb & 0xFF)};
}

Colour Grey(double level) { return {level, level, level}; }

std::uint8_t ToByte(double v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0) + 0.5);
}

double Clamp01(double t) { return std::clamp(t, 0.0, 1.0); }

// Integer hashing: the only source of randomness, identical on every machine.
std::uint32_t Scramble(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

std::uint32_t Hash(int x, int y, std::uint32_t seed)
{
    const std::uint32_t hx = Scramble(static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ seed);
    return Scramble(hx ^ static_cast<std::uint32_t>(y) * 0xD8163841u);
}

// Uniform in [0, 1), a fixed function of (x, y, seed).
double Unit(int x, int y, std::uint32_t seed)
{
    return Hash(x, y, seed) * (1.0 / 4294967296.0);
}

// A sequence of uniform numbers.
class Sequence {
public:
    explicit Sequence(std::uint32_t seed) : seed_(seed) {}
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Unit(count_++, 0, seed_); }

private:
    std::uint32_t seed_;
    int count_ = 0;
};

double Smooth(double t) { return t * t * (3 - 2 * t); }

// Smoothly interpolated lattice noise in [0, 1); features about one unit
// wide. The lattice values are hashed, so nothing repeats.
double ValueNoise(double x, double y, std::uint32_t seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double tx = Smooth(x - fx);
    const double ty = Smooth(y - fy);
    const double top = Unit(ix, iy, seed) + (Unit(ix + 1, iy, seed) - Unit(ix, iy, seed)) * tx;
    const double bottom = Unit(ix, iy + 1, seed) + (Unit(ix + 1, iy + 1, seed) - Unit(ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

// Fractal sum of `octaves` noise layers, each twice the frequency and half
// the weight of the one before; in [0, 1), mostly near 0.5.
double Fbm(double x, double y, std::uint32_t seed, int octaves)
{
    double sum = 0;
    double weight = 0.5;
    double total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * ValueNoise(x, y, seed + 977u * static_cast<std::uint32_t>(o));
        total += weight;
        weight *= 0.5;
        x *= 2;
        y *= 2;
    }
    return sum / total;
}

// A sine-like wave of period 1 in [-1, 1], made of two parabolas.
double Wave(double t)
{
    const double u = t - std::floor(t);
    return u < 0.5 ? 16 * u * (0.5 - u) : -16 * (u - 0.5) * (1 - u);
}

// Hue, saturation and value in [0, 1] (hue wraps) to a colour.
Colour Hsv(double hue, double saturation, double value)
{
    const double h = (hue - std::floor(hue)) * 6;
    const int sector = std::min(static_cast<int>(h), 5);
    const double f = h - sector;
    const double v = value * 255;
    const double p = v * (1 - saturation);
    const double q = v * (1 - saturation * f);
    const double t = v * (1 - saturation * (1 - f));
    switch (sector) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
    }
}

// The colour at t in [0, 1] of a ramp through equally spaced stops.
Colour Ramp(std::initializer_list<Colour> stops, double t)
{
    TAVRIK_CHECK_GE(stops.size(), 2u);
    const double scaled = Clamp01(t) * static_cast<double>(stops.size() - 1);
    const std::size_t i = std::min(static_cast<std::size_t>(scaled), stops.size() - 2);
    return Blend(stops.begin()[i], stops.begin()[i + 1], scaled - static_cast<double>(i));
}

// Per-pixel grey noise of the given peak-to-peak amplitude: fine detail on
// every pixel for a stereo matcher.
Colour Grain(int x, int y, std::uint32_t seed, double amplitude)
{
    return Grey((Unit(x, y, seed) - 0.5) * amplitude);
}

// Bands of random widths in [minWidth, maxWidth) along one axis, covering
// the texture with a margin on both sides.
class Strips {
public:
    struct Place {
        int index;      // counted from the first band, left of the texture
        double offset;  // from the band's start
        double width;
    };

    Strips(std::uint32_t seed, double minWidth, double maxWidth)
    {
        Sequence random(seed);
        double edge = -maxWidth - random.Uniform(0, minWidth);
        edges_.push_back(edge);
        while (edge < kSize + maxWidth) {
            edge += random.Uniform(minWidth, maxWidth);
            edges_.push_back(edge);
        }
    }

    Place Locate(double p) const
    {
        TAVRIK_CHECK(p >= edges_.front() && p < edges_.back());
        const auto next = std::upper_bound(edges_.begin(), edges_.end(), p);
        const std::size_t i = static_cast<std::size_t>(next - edges_.begin()) - 1;
        return {static_cast<int>(i), p - edges_[i], edges_[i + 1] - edges_[i]};
    }

private:
    std::vector<double> edges_;
};

// Distances to the nearest and second nearest of points scattered one per
// `cell` x `cell` square, and the square of the nearest.
struct Cells {
    double nearest;
    double second;
    int cellX;
    int cellY;
};

Cells Voronoi(double x, double y, double cell, std::uint32_t seed)
{
    const int cx = static_cast<int>(std::floor(x / cell));
    const int cy = static_cast<int>(std::floor(y / cell));
    Cells result{1e30, 1e30, 0, 0};
    for (int j = cy - 2; j <= cy + 2; ++j) {
        for (int i = cx - 2; i <= cx + 2; ++i) {
            const double dx = (i + Unit(i, j, seed)) * cell - x;
            const double dy = (j + Unit(i, j, seed + 1)) * cell - y;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d < result.nearest) {
                result = {d, result.nearest, i, j};
            } else if (d < result.second) {
                result.second = d;
            }
        }
    }
    return result;
}

template <class Pattern>
RgbImage Render(Pattern pattern)
{
    RgbImage image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const Colour c = pattern(x, y);
            image.set(x, y, {ToByte(c.r), ToByte(c.g), ToByte(c.b)});
        }
    }
    return image;
}

// Domain-warped fractal clouds through a five-colour ramp.
RgbImage Clouds()
{
    return Render([](int x, int y) {
        const double warpX = Fbm(x / 32.0, y / 32.0, 11, 4);
        const double warpY = Fbm(x / 32.0 + 5.2, y / 32.0 + 1.3, 12, 4);
        const double t = Fbm(x / 24.0 + 2 * warpX, y / 24.0 + 2 * warpY, 13, 5);
        const Colour base = Ramp({Hex(0x1B2A6B), Hex(0x1F8A8A), Hex(0xE8D39A), Hex(0xB8452A), Hex(0x5A2250)},
                                 (t - 0.25) / 0.5);
        return base * (0.7 + 0.6 * Fbm(x / 8.0, y / 8.0, 14, 3)) + Grain(x, y, 15, 24);
    });
}

// Running-bond bricks of random lengths and row offsets, wavy mortar joints,
// per-brick colour and mottling.
RgbImage Bricks()
{
    constexpr double rowHeight = 12;
    constexpr double mortar = 2;
    std::vector<Strips> rows;
    for (int row = -1; row <= kSize / rowHeight + 1; ++row)
        rows.emplace_back(2000u + static_cast<std::uint32_t>(row + 1), 18, 32);
    return Render([&](int x, int y) {
        const double px = x + (ValueNoise(x / 5.0, y / 5.0, 21) - 0.5) * 2.4;
        const double py = y + (ValueNoise(x / 5.0, y / 5.0, 22) - 0.5) * 2.4;
        const int row = static_cast<int>(std::floor(py / rowHeight));
        const double v = py - row * rowHeight;
        const Strips::Place brick = rows[static_cast<std::size_t>(row + 1)].Locate(px);
        if (brick.offset < mortar || v < mortar) {
            return Hex(0xB8B2A6) * (0.72 + 0.5 * ValueNoise(x / 2.0, y / 2.0, 28)) + Grain(x, y, 29, 30);
        }
        const double pick = Unit(brick.index, row, 25);
        Colour c = pick < 0.15 ? Hex(0x5A2A22) : Blend(Hex(0x8E3B2A), Hex(0xC2693F), Unit(brick.index, row, 24));
        c = c * (0.75 + 0.5 * Fbm(x / 4.0, y / 4.0, 26, 3));
        // Worn, darker edges next to the joints.
        const double edge = std::min({brick.offset - mortar, v - mortar, brick.width - brick.offset,
                                      rowHeight - v});
        if (edge < 1.5)
            c = c * (0.8 + 0.2 * edge / 1.5);
        if (Unit(x, y, 27) > 0.94)
            c = Blend(c, Hex(0xE0C0A0), 0.5);
        return c + Grain(x, y, 23, 20);
    });
}

// Planks of different widths, each cut from its own log: stretched growth
// rings bent by noise and by a knot, with fibres along the grain.
RgbImage Wood()
{
    static constexpr double seams[] = {0, 33, 71, 102, kSize};
    return Render([](int x, int y) {
        int plank = 0;
        while (y >= seams[plank + 1])
            ++plank;
        const std::uint32_t seed = 300u + 10u * static_cast<std::uint32_t>(plank);
        const double centreX = -150 + 400 * Unit(plank, 0, seed);
        const double centreY = (seams[plank] + seams[plank + 1]) / 2 + 50 + 60 * Unit(plank, 1, seed);
        const double dx = (x - centreX) * 0.15;
        const double dy = y - centreY;
        const double knotX = x - (20 + 90 * Unit(plank, 2, seed));
        const double knotY = y - (seams[plank] + 6 + (seams[plank + 1] - seams[plank] - 12) * Unit(plank, 3, seed));
        const double knot = 3.0 / (1 + (knotX * knotX / 6 + knotY * knotY) / 10);
        const double ring = std::sqrt(dx * dx + dy * dy) / 5 + 1.2 * Fbm(x / 40.0, y / 12.0, seed + 1, 3) + knot;
        const double r = ring - std::floor(ring);
        const double late = r < 0.7 ? r / 0.7 : (1 - r) / 0.3;
        Colour c = Blend(Hex(0x5E3519), Hex(0xC89259), late);
        c = c * (0.82 + 0.36 * ValueNoise(x / 9.0, y * 0.9, seed + 2)) * (0.9 + 0.2 * Unit(plank, 4, seed));
        if (y == static_cast<int>(seams[plank]))
            c = c * 0.45;
        return c + Grain(x, y, seed + 3, 18);
    });
}

// Pale, clouded marble with broad turbulent veins and a net of fine ones.
RgbImage Marble()
{
    return Render([](int x, int y) {
        const double turbulence = Fbm(x / 24.0, y / 24.0, 31, 5);
        const double v = Wave((x * 0.35 + y * 0.94) / 40 + 2.6 * turbulence);
        double vein = 1 - std::abs(v);
        vein *= vein;
        vein *= vein; // (1 - |v|)^4
        const double fine = 1 - std::abs(Wave((x * 0.9 - y * 0.4) / 30 + 3 * Fbm(x / 12.0, y / 12.0, 33, 4)));
        double fineVein = fine * fine;
        fineVein *= fineVein;
        fineVein *= fineVein; // ^8
        Colour c = Ramp({Hex(0xF4EFE8), Hex(0xE3D2C8), Hex(0xC9B7AE), Hex(0xEDE4D6)},
                        (Fbm(x / 10.0, y / 10.0, 32, 4) - 0.25) / 0.5);
        c = Blend(c, Hex(0x7F8A86), 0.55 * fineVein);
        c = Blend(c, Hex(0x2F4038), 0.9 * vein);
        return c + Grain(x, y, 34, 16);
    });
}

// Hundreds of outlined coloured discs of random sizes over mottled slate.
RgbImage Dots()
{
    struct Disc {
        double x, y, radius;
        Colour colour;
    };
    std::vector<Disc> discs;
    Sequence random(42);
    for (int i = 0; i < 260; ++i) {
        const double x = random.Uniform(-4, kSize + 4);
        const double y = random.Uniform(-4, kSize + 4);
        const double radius = random.Uniform(1.5, 6.5);
        const double hue = random.Uniform(0, 1);
        const double saturation = random.Uniform(0.55, 1);
        discs.push_back({x, y, radius, Hsv(hue, saturation, random.Uniform(0.7, 1))});
    }
    return Render([&](int x, int y) {
        Colour c = Blend(Hex(0x36404F), Hex(0x7A8597), Fbm(x / 16.0, y / 16.0, 41, 4));
        const double cx = x + 0.5;
        const double cy = y + 0.5;
        for (const Disc& d : discs) {
            const double dist2 = (cx - d.x) * (cx - d.x) + (cy - d.y) * (cy - d.y);
            if (dist2 <= d.radius * d.radius) {
                const double inner = d.radius - 1;
                c = inner > 0 && dist2 > inner * inner ? d.colour * 0.55 : d.colour;
            }
        }
        return c + Grain(x, y, 43, 16);
    });
}

// A checkerboard whose columns and rows have random widths, each square
// tinted and mottled on its own.
RgbImage Checker()
{
    const Strips columns(51, 10, 22);
    const Strips rows(52, 10, 22);
    return Render([&](int x, int y) {
        const int i = columns.Locate(x + 0.5).index;
        const int j = rows.Locate(y + 0.5).index;
        const Colour base = (i + j) % 2 == 0 ? Hex(0xE6DCC8) : Hex(0x2D2A35);
        Colour c = Blend(base, Hsv(Unit(i, j, 54), 0.8, 0.8), 0.25);
        c = c * (0.82 + 0.36 * Fbm(x / 6.0, y / 6.0, 53, 3));
        return c + Grain(x, y, 55, 22);
    });
}

// Glass cells in many colours, bright at their centres, with dark leading.
RgbImage StainedGlass()
{
    constexpr double cell = 14;
    return Render([](int x, int y) {
        const Cells v = Voronoi(x + 0.5, y + 0.5, cell, 61);
        const Colour glass = Hsv(Unit(v.cellX, v.cellY, 62), 0.7, 0.9);
        Colour c = glass * (1 - 0.45 * Clamp01(v.nearest / cell)) * (0.82 + 0.36 * Fbm(x / 5.0, y / 5.0, 63, 3));
        const double border = v.second - v.nearest;
        if (border < 1.6)
            c = Blend(Hex(0x1A1A1A), c, border / 1.6 * 0.5);
        return c + Grain(x, y, 64, 16);
    });
}

// Rounded stones of varied tone set in dark grout, on a slightly wavy grid.
RgbImage Cobblestones()
{
    constexpr double cell = 22;
    return Render([](int x, int y) {
        const double px = x + 8 * (Fbm(x / 16.0, y / 16.0, 71, 3) - 0.5);
        const double py = y + 8 * (Fbm(x / 16.0, y / 16.0, 75, 3) - 0.5);
        const Cells v = Voronoi(px, py, cell, 72);
        const double border = v.second - v.nearest;
        if (border < 2.2)
            return Hex(0x3B352C) * (0.7 + 0.6 * Unit(x, y, 74));
        const Colour stone = Ramp({Hex(0x6E6A64), Hex(0x8F8678), Hex(0xA39B8C), Hex(0x7A6E5E)},
                                  Unit(v.cellX, v.cellY, 73));
        const double bevel = std::sqrt(Clamp01((border - 2.2) / 6));
        return stone * (0.55 + 0.45 * bevel) * (0.75 + 0.5 * Fbm(x / 3.0, y / 3.0, 76, 3))
            + Grain(x, y, 77, 18);
    });
}

// Plain weave of threads of random widths: blue warp with red tracer threads
// under and over a straw weft with green ones, each thread rounded and
// fibrous.
RgbImage Fabric()
{
    const Strips warp(81, 3, 6);
    const Strips weft(82, 3, 6);
    return Render([&](int x, int y) {
        const Strips::Place across = warp.Locate(x + 0.5);
        const Strips::Place down = weft.Locate(y + 0.5);
        const double u = across.offset / across.width * 2 - 1; // -1..1 across a warp thread
        const double w = down.offset / down.width * 2 - 1;     // -1..1 across a weft thread
        Colour c;
        if ((across.index + down.index) % 2 == 0) {
            c = Unit(across.index, 1, 83) < 0.15
                ? Hex(0xB03030)
                : Blend(Hex(0x2B4A7A), Hex(0x6F8FBF), Unit(across.index, 0, 83));
            c = c * (0.5 + 0.5 * std::sqrt(1 - u * u)) * (0.78 + 0.22 * std::sqrt(1 - w * w))
                * (0.85 + 0.3 * ValueNoise(x * 0.8, y / 3.0, 85));
        } else {
            c = Unit(down.index, 1, 84) < 0.15
                ? Hex(0x3A7A3A)
                : Blend(Hex(0xC9B26A), Hex(0xF2E6B8), Unit(down.index, 0, 84));
            c = c * (0.5 + 0.5 * std::sqrt(1 - w * w)) * (0.78 + 0.22 * std::sqrt(1 - u * u))
                * (0.85 + 0.3 * ValueNoise(x / 3.0, y * 0.8, 86));
        }
        return c + Grain(x, y, 87, 16);
    });
}

// Stars of many sizes and tints over a purple and blue nebula; the brightest
// carry cross-shaped spikes.
RgbImage Stars()
{
    struct Star {
        double x, y, radius, brightness, spike;
        Colour tint;
    };
    std::vector<Star> stars;
    Sequence random(93);
    for (int i = 0; i < 420; ++i) {
        const double x = random.Uniform(0, kSize);
        const double y = random.Uniform(0, kSize);
        const double big = random.Uniform(0, 1);
        const double radius = big < 0.06 ? random.Uniform(1.5, 2.8) : random.Uniform(0.6, 1.2);
        const double brightness = random.Uniform(0.35, 1);
        const double spike = big < 0.06 ? random.Uniform(4, 9) : 0;
        const Colour tint = Ramp({Hex(0xAFC8FF), Hex(0xFFFFFF), Hex(0xFFE9B0), Hex(0xFFB08A)}, random.Uniform(0, 1));
        stars.push_back({x, y, radius, brightness, spike, tint});
    }
    return Render([&](int x, int y) {
        const double clouds = Clamp01((Fbm(x / 28.0, y / 28.0, 91, 5) - 0.35) * 2.2);
        const double haze = Clamp01((Fbm(x / 14.0 + 7, y / 14.0, 92, 4) - 0.4) * 2.5);
        Colour c = Hex(0x0A0B1A) + Hex(0x6A3290) * clouds + Hex(0x2A6A9A) * haze;
        const double cx = x + 0.5;
        const double cy = y + 0.5;
        for (const Star& s : stars) {
            const double dx = cx - s.x;
            const double dy = cy - s.y;
            const double reach = 2.5 * s.radius;
            double light = 0;
            const double falloff = 1 - (dx * dx + dy * dy) / (reach * reach);
            if (falloff > 0)
                light = falloff * falloff;
            if (s.spike > 0) {
                if (std::abs(dy) < 0.5)
                    light = std::max(light, 0.8 * (1 - std::abs(dx) / s.spike));
                if (std::abs(dx) < 0.5)
                    light = std::max(light, 0.8 * (1 - std::abs(dy) / s.spike));
            }
            if (light > 0)
                c = c + s.tint * (light * s.brightness);
        }
        return c + Grain(x, y, 94, 14);
    });
}

// Hues sweeping across the square, bent by noise, with mottled saturation
// and brightness.
RgbImage Gradient()
{
    return Render([](int x, int y) {
        const double hue = (x * 0.6 + y * 0.25) / kSize + 0.35 * Fbm(x / 20.0, y / 20.0, 101, 4);
        const double saturation = 0.45 + 0.55 * Fbm(x / 9.0, y / 9.0, 102, 3);
        const double value = (0.55 + 0.35 * y / kSize) * (0.8 + 0.4 * ValueNoise(x / 3.0, y / 3.0, 103));
        return Hsv(hue, saturation, Clamp01(value)) + Grain(x, y, 104, 26);
    });
}

} // namespace

RgbImage MakeTexture(int index)
{
    TAVRIK_CHECK(index >= 0 && index < kTextureCount);
    switch (index) {
    case 0: return Clouds();
    case 1: return Bricks();
    case 2: return Wood();
    case 3: return Marble();
    case 4: return Dots();
    case 5: return Checker();
    case 6: return StainedGlass();
    case 7: return Cobblestones();
    case 8: return Fabric();
    case 9: return Stars();
    case 10: return Gradient();
    }
    return {};
}

} // namespace tavrik
