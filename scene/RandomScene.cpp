#include "scene/RandomScene.h"

#include "base/Check.h"
#include "base/NumberText.h"
#include "base/UserError.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tavrik {

namespace {

// splitmix64: small, fast, and the same sequence on every machine.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1) with 53 random bits.
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Between(double low, double high) { return low + (high - low) * Unit(); }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

using Vec = std::array<double, 3>;

double Length(const Vec& v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// What a scene line holds once written: the parser reads the number text
// back, so every bound is checked on those values.
double Rounded(double value)
{
    return ParseDecimal(FormatFixedPoint(value, '.'), '.');
}

std::string Numbers(std::initializer_list<double> values)
{
    std::string text;
    for (const double v : values) {
        if (!text.empty())
            text += "; ";
        text += FormatFixedPoint(v, '.');
    }
    return text;
}

// A random unit vector, by rejection from the cube so no angle function is needed.
Vec UnitVector(Random& random)
{
    for (;;) {
        const Vec v{random.Between(-1, 1), random.Between(-1, 1), random.Between(-1, 1)};
        const double length = Length(v);
        if (length > 0.1 && length <= 1.0)
            return {v[0] / length, v[1] / length, v[2] / length};
    }
}

// The base camera in world coordinates, and the half-widths of the view
// (tangents) of the narrowest choice at the default focal length (320 × 240
// at 389 pixels), with a margin, so objects are seen at every size.
constexpr Vec baseCamera{0.0, -3.0, 0.0};
constexpr double viewTanX = 0.38;
constexpr double viewTanZ = 0.28;
constexpr double farthestObject = 26.0; // scene units from the base camera
// Closest approach of an object's bounding sphere to any camera position:
// inside the view, a point at that distance lies beyond the near plane (0.5).
constexpr double nearClearance = 0.75;

// One frame's motion, translation (scene units) then rotation (degrees).
using Motion = std::array<double, 6>;

// A damped random walk for each component, pulled back toward the start so
// the rig neither drifts out of its scene nor turns away from it.
std::vector<Motion> EgoPath(Random& random, int frames, const MotionRange& range)
{
    std::vector<Motion> path;
    Motion velocity{};
    Motion total{};
    for (int k = 0; k < frames; ++k) {
        Motion step;
        for (int c = 0; c < 6; ++c) {
            const double limit = c < 3 ? range.translation : range.rotation;
            const double pull = 0.05 * total[c];
            velocity[c] = std::clamp(0.6 * velocity[c] + 0.4 * random.Between(-limit, limit) - pull, -limit, limit);
            step[c] = velocity[c];
            total[c] += step[c];
        }
        path.push_back(step);
    }
    double length = 0.0;
    for (const Motion& m : path)
        length += Length({m[0], m[1], m[2]});
    const double scale = length > maxPathLength ? maxPathLength / length : 1.0;
    for (Motion& m : path)
        for (int c = 0; c < 6; ++c)
            m[c] = Rounded(c < 3 ? m[c] * scale : m[c]);
    return path;
}

struct Placed {
    std::string line;
    Vec centre;   // world coordinates
    double bound; // radius of a sphere around `centre` holding the object
};

// One object of a random kind at a random place in the view, `size` scene units across or so.
Placed RandomObject(Random& random, int id, double depth)
{
    const double size = depth * random.Between(0.04, 0.14);
    const Vec centre{Rounded(depth * viewTanX * random.Between(-1, 1)), Rounded(baseCamera[1] + depth),
                     Rounded(depth * viewTanZ * random.Between(-1, 1))};
    const std::string head = "; id " + std::to_string(id) + "; texture: " + std::to_string(random.Below(11))
        + "; colour: " + Numbers({Rounded(random.Between(0.3, 1.0)), Rounded(random.Between(0.3, 1.0)),
                                  Rounded(random.Between(0.3, 1.0))});
    const std::string position = "; position: " + Numbers({centre[0], centre[1], centre[2]}) + "; "
        + Numbers({Rounded(random.Between(0, 360)), Rounded(random.Between(0, 360)), Rounded(random.Between(0, 360))});
    switch (random.Below(4)) {
    case 0: {
        const double r = Rounded(size * random.Between(0.4, 0.8));
        return {"SPHERE" + head + position + "; dim: " + Numbers({r}), centre, r};
    }
    case 1: {
        const Vec h{Rounded(size * random.Between(0.2, 0.6)), Rounded(size * random.Between(0.2, 0.6)),
                    Rounded(size * random.Between(0.2, 0.6))};
        return {"CUBOID" + head + position + "; dim: " + Numbers({h[0], h[1], h[2]}), centre, Length(h)};
    }
    case 2: {
        const double base = Rounded(size * random.Between(0.1, 0.4));
        const double top = Rounded(size * random.Between(0.0, 0.4));
        const double height = Rounded(size * random.Between(0.4, 1.0));
        // The cylinder starts at `centre` and runs `height` along its own axis.
        const double bound = std::sqrt(std::max(base, top) * std::max(base, top) + height * height);
        return {"CYLINDER" + head + position + "; dim: " + Numbers({base, top, height}), centre, bound};
    }
    default: {
        const Vec u = UnitVector(random);
        Vec w = UnitVector(random);
        const double along = u[0] * w[0] + u[1] * w[1] + u[2] * w[2];
        for (int c = 0; c < 3; ++c)
            w[c] -= along * u[c];
        const double wLength = Length(w);
        if (wLength < 0.1)
            return RandomObject(random, id, depth);
        const double a = size * random.Between(0.3, 0.6);
        const double b = size * random.Between(0.3, 0.6);
        std::string vertices;
        double bound = 0.0;
        for (const auto& [su, sw] : {std::pair{1, 1}, {-1, 1}, {-1, -1}, {1, -1}}) {
            Vec corner;
            for (int c = 0; c < 3; ++c)
                corner[c] = Rounded(centre[c] + su * a * u[c] + sw * b * w[c] / wLength);
            bound = std::max(bound, Length({corner[0] - centre[0], corner[1] - centre[1], corner[2] - centre[2]}));
            vertices += (vertices.empty() ? "" : "; ") + Numbers({corner[0], corner[1], corner[2]});
        }
        return {"QUAD" + head + "; vertices: " + vertices, centre, bound};
    }
    }
}

} // namespace

MotionPreset MotionPresetNamed(const std::string& name)
{
    for (const MotionRange& range : motionRanges)
        if (name == range.name)
            return range.preset;
    throw UserError("unknown motion '" + name + "' (small, medium or large)");
}

std::vector<std::string> RandomSceneLines(const RandomSceneOptions& options)
{
    if (options.objects < 0 || options.objects > 255)
        throw UserError("objects must be 0 (20 to 40 at random) to 255, not " + std::to_string(options.objects));
    if (options.frames < 1 || options.frames > 10000)
        throw UserError("frames must be 1 to 10000, not " + std::to_string(options.frames));
    if (options.floorPlane && options.objects == 255)
        throw UserError("a scene with a floor plane holds at most 254 objects besides it");
    const MotionRange& range =
        *std::find_if(std::begin(motionRanges), std::end(motionRanges),
                      [&](const MotionRange& r) { return r.preset == options.motion; });

    Random random(options.seed);
    const int objects = options.objects > 0 ? options.objects : 20 + random.Below(21);
    const std::vector<Motion> path = EgoPath(random, options.frames, range);
    double reach = 0.0; // farthest the camera gets from the base camera
    for (const Motion& m : path)
        reach += Length({m[0], m[1], m[2]});

    std::vector<std::string> lines{"// Random scene, seed " + std::to_string(options.seed),
                                   "SPHERE; id 0; texture: " + std::to_string(random.Below(11))
                                       + "; colour: 1.000; 1.000; 1.000; position: "
                                       + Numbers({baseCamera[0], baseCamera[1], baseCamera[2]})
                                       + "; 0.000; 0.000; 0.000; dim: " + Numbers({backgroundRadius})};
    if (options.floorPlane) {
        const double floor = Rounded(-(nearClearance + reach + 0.1));
        lines.push_back("PLANE; id " + std::to_string(objects + 1) + "; texture: "
                        + std::to_string(random.Below(11)) + "; colour: 1.000; 1.000; 1.000; normal: "
                        + Numbers({0.0, 0.0, 1.0}) + "; point: " + Numbers({baseCamera[0], baseCamera[1], floor}));
    }
    const double nearest = nearClearance + reach;
    for (int id = 1; id <= objects; ++id) {
        for (int attempt = 0;; ++attempt) {
            TAVRIK_CHECK_LT(attempt, 10000);
            const double u = random.Unit();
            // Denser near the rig, as in a cluttered room.
            const double depth = nearest + 0.3 + (farthestObject - nearest - 0.3) * u * u;
            Placed placed = RandomObject(random, id, depth);
            const double distance = Length({placed.centre[0] - baseCamera[0], placed.centre[1] - baseCamera[1],
                                            placed.centre[2] - baseCamera[2]});
            if (distance - placed.bound >= nearest && distance + placed.bound <= backgroundRadius - reach - 1.0) {
                lines.push_back(std::move(placed.line));
                break;
            }
        }
    }
    for (const Motion& m : path)
        lines.push_back("EGO; " + Numbers({m[0], m[1], m[2], m[3], m[4], m[5]}));
    return lines;
}

} // namespace tavrik
