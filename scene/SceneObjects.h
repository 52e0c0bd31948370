#pragma once

#include <array>
#include <cstdint>
#include <random>

namespace tavrik {

// A point or direction in scene units: x, y, z.
using Vec3 = std::array<double, 3>;

// Values of Obiekt::kind, the class code each class's constructor sets.
enum ObjectKind : std::int32_t {
    kindEgo = 0,
    kindSphere = 1,   // Kula
    kindCuboid = 2,   // Prostopadloscian
    kindPlane = 3,    // Plane
    kindQuad = 4,     // Czworobok
    kindCylinder = 5, // Cylinder
};

// The base of every scene object. The parser fills the common fields; each
// derived constructor sets `kind`, by which Draw (scene/ObjectDrawing.h) sends
// the object to OpenGL. The model itself needs no GL.
class Obiekt {
public:
    virtual ~Obiekt() = default;

    // The unit normal of the plane through P1 = (x1, y1, z1), P2 = (x2, y2, z2)
    // and P3 = (x3, y3, z3) (arguments grouped by coordinate, not by point).
    // It solves m . Pk = -1 for k = 1, 2, 3, so the normal points from the
    // plane toward the origin whatever the order of the points.
    // Degenerate input still gives a finite unit normal: for points on a
    // plane through the origin it is the normalised (P2 - P1) x (P3 - P1);
    // when that is zero or not finite (collinear points, non-finite
    // coordinates) it is (0, 0, 1).
    static void NormalFromPoints(double x1, double x2, double x3, double y1, double y2, double y3,
                                 double z1, double z2, double z3, double& nx, double& ny, double& nz);

    std::uint32_t texture = 0; // GL texture name bound while drawing; 0 = untextured
    std::int32_t id = 0;       // object id; 0 to 255 label segmentation maps
    std::int32_t kind;         // ObjectKind
    Vec3 colour{};             // red, green, blue, nominally 0 to 1
    Vec3 position{};           // translation; for an Ego the frame's translation T
    Vec3 rotation{};           // degrees about x, y, z; for an Ego the frame's rotation W

protected:
    explicit Obiekt(std::int32_t objectKind) : kind(objectKind) {}
};

// One frame's ego motion (position = T, rotation = W in degrees); never drawn.
class Ego : public Obiekt {
public:
    Ego() : Obiekt(kindEgo) {}
};

// A sphere of `radius` around `position`; `rotation` has no effect.
class Kula : public Obiekt {
public:
    explicit Kula(double r) : Obiekt(kindSphere), radius(r) {}

    double radius;
};

// One corner of a box face: texture coordinate (s, t) and the vertex
// (x * a, y * b, z * c) of the box with half-extents a, b, c.
struct BoxCorner {
    float s, t;
    std::int8_t x, y, z;
};

// One face of a box: its outward normal and its four corners, counter-clockwise
// seen from outside.
struct BoxFace {
    std::array<std::int8_t, 3> normal;
    std::array<BoxCorner, 4> corners;
};

// A box of half-extents `halfSize`, turned by `rotation` (about z first, then
// y, then x) and centred on `position`.
class Prostopadloscian : public Obiekt {
public:
    Prostopadloscian(double a, double b, double c) : Obiekt(kindCuboid), halfSize{a, b, c} {}

    static constexpr std::array<BoxFace, 6> faces{{
        {{0, 0, 1}, {{{0, 0, -1, -1, 1}, {1, 0, 1, -1, 1}, {1, 1, 1, 1, 1}, {0, 1, -1, 1, 1}}}},
        {{0, 0, -1}, {{{1, 0, -1, -1, -1}, {1, 1, -1, 1, -1}, {0, 1, 1, 1, -1}, {0, 0, 1, -1, -1}}}},
        {{0, 1, 0}, {{{0, 1, -1, 1, -1}, {0, 0, -1, 1, 1}, {1, 0, 1, 1, 1}, {1, 1, 1, 1, -1}}}},
        {{0, -1, 0}, {{{1, 1, -1, -1, -1}, {0, 1, 1, -1, -1}, {0, 0, 1, -1, 1}, {1, 0, -1, -1, 1}}}},
        {{1, 0, 0}, {{{1, 0, 1, -1, -1}, {1, 1, 1, 1, -1}, {0, 1, 1, 1, 1}, {0, 0, 1, -1, 1}}}},
        {{-1, 0, 0}, {{{0, 0, -1, -1, -1}, {1, 0, -1, -1, 1}, {1, 1, -1, 1, 1}, {0, 1, -1, 1, -1}}}},
    }};

    Vec3 halfSize;
};

// The four corners of a quadrilateral, in drawing order.
using Quad = std::array<Vec3, 4>;

// The plane normal . X + offset = 0 through `point`, drawn as 2000 strips one
// unit wide. Normally the strips run over y from -1000 to 1000 and z from 40
// to -30, x solved from the plane equation. A plane with normal a = 0 is
// solved for the coordinate of its largest normal component instead, the
// strips spanning the other two coordinates in x, y, z order over the same
// ranges. A plane whose normal is zero is not drawn.
class Plane : public Obiekt {
public:
    static constexpr int firstStrip = -1000;
    static constexpr int stripCount = 2000;
    static constexpr double stripTop = 40;
    static constexpr double stripBottom = -30;

    Plane(double a, double b, double c, double px, double py, double pz);

    // The coordinate the strips are solved for (0 x, 1 y, 2 z), or -1 when
    // the normal is zero.
    int SolvedAxis() const;
    // Corners P1 to P4 of strip i (firstStrip <= i < firstStrip + stripCount):
    // (i, top), (i + 1, top), (i + 1, bottom), (i, bottom) in the two free
    // coordinates. Requires SolvedAxis() >= 0.
    Quad StripCorners(int i) const;

    Vec3 normal;
    double offset;
    Vec3 point;
};

// A quadrilateral with corners in scene coordinates, drawn as they stand;
// `position` and `rotation` are not used.
class Czworobok : public Obiekt {
public:
    Czworobok(double x1, double y1, double z1, double x2, double y2, double z2, double x3, double y3,
              double z3, double x4, double y4, double z4)
        : Obiekt(kindQuad), vertices{{{x1, y1, z1}, {x2, y2, z2}, {x3, y3, z3}, {x4, y4, z4}}}
    {
    }

    Quad vertices;
};

// A cylinder or cone along +z from z = 0 to z = height, closed by disks
// where its radii are positive (the top one only when height > 0), turned
// like a Prostopadloscian and standing on `position`.
class Cylinder : public Obiekt {
public:
    Cylinder(double base, double top, double h) : Obiekt(kindCylinder), baseRadius(base), topRadius(top), height(h) {}

    double baseRadius;
    double topRadius;
    double height;
};

// The generator behind the plane's red value, (next value mod 99) x 0.01, a
// new one each time a plane is drawn. It is process-wide and seeded with 1 at
// start-up; reseeding it makes the drawn colours repeat exactly.
void SeedPlaneColours(std::uint32_t seed);
double NextPlaneRed();
// The generator's whole state, and setting it back: views drawn in between
// leave the colours of later views as they would have been.
std::mt19937 SavePlaneColours();
void RestorePlaneColours(const std::mt19937& state);

} // namespace tavrik
