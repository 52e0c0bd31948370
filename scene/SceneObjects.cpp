#include "scene/SceneObjects.h"

#include "scene/GaussianElimination.h"
#include "scene/Matrix.h"

#include "base/Check.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace tavrik {

namespace {

bool AllFinite(const Vec3& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// v = v / |v|; false (v unusable) when v is zero or not finite. Dividing by
// the largest component first keeps the squares from overflowing.
bool Normalise(Vec3& v)
{
    const double largest = std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])});
    if (!AllFinite(v) || largest == 0)
        return false;
    for (double& c : v)
        c /= largest;
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (double& c : v)
        c /= length;
    return true;
}

// The normal for three points whose plane has no solution m . P = -1: the
// cross product (P2 - P1) x (P3 - P1), turned toward the origin unless the
// plane passes through it, else (0, 0, 1). The edges are normalised first so
// that tiny or huge coordinates neither underflow nor overflow.
Vec3 FallbackNormal(const Vec3& p1, const Vec3& p2, const Vec3& p3)
{
    Vec3 u{p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    Vec3 w{p3[0] - p1[0], p3[1] - p1[1], p3[2] - p1[2]};
    if (!Normalise(u) || !Normalise(w))
        return {0, 0, 1};
    Vec3 n{u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    if (!Normalise(n))
        return {0, 0, 1};
    if (n[0] * p1[0] + n[1] * p1[1] + n[2] * p1[2] > 0)
        n = {-n[0], -n[1], -n[2]};
    return n;
}

std::mt19937& PlaneColourGenerator()
{
    static std::mt19937 generator(1);
    return generator;
}

} // namespace

void Obiekt::NormalFromPoints(double x1, double x2, double x3, double y1, double y2, double y3, double z1,
                              double z2, double z3, double& nx, double& ny, double& nz)
{
    Matrix A(3, 3);
    const double rows[3][3] = {{x1, y1, z1}, {x2, y2, z2}, {x3, y3, z3}};
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            A(k + 1, j + 1) = rows[k][j];
    Matrix b(3, 1);
    b.fill(-1);
    Matrix m(3, 1);

    // n = m / |m|. A singular system (points on a line or on a plane through
    // the origin) leaves m at zero; an ill-conditioned one may overflow.
    Vec3 n{0, 0, 0};
    if (GaussianElimination(A, b, m) != 0)
        n = {m(1, 1), m(2, 1), m(3, 1)};
    if (!Normalise(n))
        n = FallbackNormal({x1, y1, z1}, {x2, y2, z2}, {x3, y3, z3});
    nx = n[0];
    ny = n[1];
    nz = n[2];
}

Plane::Plane(double a, double b, double c, double px, double py, double pz)
    : Obiekt(kindPlane), normal{a, b, c}, offset(-(a * px + b * py + c * pz)), point{px, py, pz}
{
}

int Plane::SolvedAxis() const
{
    if (normal[0] != 0)
        return 0;
    if (normal[1] == 0 && normal[2] == 0)
        return -1;
    return std::fabs(normal[1]) >= std::fabs(normal[2]) ? 1 : 2;
}

Quad Plane::StripCorners(int i) const
{
    const int solved = SolvedAxis();
    TAVRIK_CHECK_GE(solved, 0);
    // The free coordinates in x, y, z order: the first runs along the strips,
    // the second from top to bottom.
    const int along = solved == 0 ? 1 : 0;
    const int across = solved == 2 ? 1 : 2;
    const auto corner = [&](double u, double v) {
        Vec3 p;
        p[along] = u;
        p[across] = v;
        p[solved] = (-offset - normal[along] * u - normal[across] * v) / normal[solved];
        return p;
    };
    return {corner(i, stripTop), corner(i + 1, stripTop), corner(i + 1, stripBottom), corner(i, stripBottom)};
}

void SeedPlaneColours(std::uint32_t seed)
{
    PlaneColourGenerator().seed(seed);
}

double NextPlaneRed()
{
    return static_cast<double>(PlaneColourGenerator()() % 99) * 0.01;
}

std::mt19937 SavePlaneColours()
{
    return PlaneColourGenerator();
}

void RestorePlaneColours(const std::mt19937& state)
{
    PlaneColourGenerator() = state;
}

} // namespace tavrik
