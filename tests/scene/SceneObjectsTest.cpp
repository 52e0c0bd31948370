#include "scene/SceneObjects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace tavrik {
namespace {

Vec3 Normal(const Vec3& p1, const Vec3& p2, const Vec3& p3)
{
    Vec3 n;
    Obiekt::NormalFromPoints(p1[0], p2[0], p3[0], p1[1], p2[1], p3[1], p1[2], p2[2], p3[2], n[0], n[1], n[2]);
    return n;
}

Vec3 Cross(const Vec3& u, const Vec3& w)
{
    return {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
}

Vec3 Minus(const Vec3& p, const Vec3& q)
{
    return {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
}

// Solving and normalising a 3 x 3 system of moderate numbers loses a few
// units in the last place, far below 1e-12.
void ExpectUnit(const Vec3& actual, const Vec3& expected)
{
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(actual[k], expected[k], 1e-12) << "component " << k;
}

struct NormalCase {
    std::array<Vec3, 3> points;
    Vec3 normal;
};

class NormalTowardOrigin : public ::testing::TestWithParam<NormalCase> {};

TEST_P(NormalTowardOrigin, PointsToTheOriginWhateverTheOrderOfThePoints)
{
    std::array<int, 3> order{0, 1, 2};
    do {
        const auto& p = GetParam().points;
        ExpectUnit(Normal(p[order[0]], p[order[1]], p[order[2]]), GetParam().normal);
    } while (std::next_permutation(order.begin(), order.end()));
}

const double invSqrt3 = 1 / std::sqrt(3.0);

INSTANTIATE_TEST_SUITE_P(
    SceneObjects, NormalTowardOrigin,
    ::testing::Values(
        // The floor of the default scene at z = -1.4: the origin is above it.
        NormalCase{{{{-1.6, -2.0, -1.4}, {1.6, -2.0, -1.4}, {1.6, 6.0, -1.4}}}, {0, 0, 1}},
        // Its wall at x = 1.6.
        NormalCase{{{{1.6, -2.0, -1.4}, {1.6, 6.0, -1.4}, {1.6, 6.0, 2.4}}}, {-1, 0, 0}},
        NormalCase{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {-invSqrt3, -invSqrt3, -invSqrt3}},
        NormalCase{{{{-5, 0, 0}, {0, -5, 0}, {0, 0, -5}}}, {invSqrt3, invSqrt3, invSqrt3}},
        // Coordinates so small or so large that |m|^2 under- or overflows.
        NormalCase{{{{0, 0, 1e-200}, {1e-200, 0, 1e-200}, {0, 1e-200, 1e-200}}}, {0, 0, -1}},
        NormalCase{{{{0, 0, 1e300}, {1e300, 0, 1e300}, {0, 1e300, 1e300}}}, {0, 0, -1}}));

struct DegenerateCase {
    std::array<Vec3, 3> points;
    Vec3 normal;
};

class DegenerateNormal : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(DegenerateNormal, IsAFiniteUnitVector)
{
    const auto& p = GetParam().points;
    ExpectUnit(Normal(p[0], p[1], p[2]), GetParam().normal);
}

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    SceneObjects, DegenerateNormal,
    ::testing::Values(
        // A plane through the origin: the edge cross product (1,0,0) x (0,1,0).
        DegenerateCase{{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, {0, 0, 1}},
        // The plane y = 0 through the origin: (-1,0,1) x (-2,0,0) points to -y.
        DegenerateCase{{{{1, 0, 0}, {0, 0, 1}, {-1, 0, 0}}}, {0, -1, 0}},
        // Collinear and coincident points have no plane at all.
        DegenerateCase{{{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}}, {0, 0, 1}},
        DegenerateCase{{{{4, 5, 6}, {4, 5, 6}, {4, 5, 6}}}, {0, 0, 1}},
        DegenerateCase{{{{nan, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, 1}}));

TEST(SceneObjects, NonFiniteOrExtremeCoordinatesStillGiveAFiniteUnitNormal)
{
    const double big = std::numeric_limits<double>::max();
    for (const auto& p : std::vector<std::array<Vec3, 3>>{
             {{{inf, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
             {{{-inf, inf, 0}, {0, 1, nan}, {0, 0, 1}}},
             {{{big, -big, big}, {-big, big, big}, {big, big, -big}}},
             {{{5e-324, 0, 0}, {0, 5e-324, 0}, {0, 0, 5e-324}}},
         }) {
        const Vec3 n = Normal(p[0], p[1], p[2]);
        ASSERT_TRUE(std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(n[2]));
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1, 1e-12);
    }
}

TEST(SceneObjects, BoxFacesPointOutwardCounterClockwiseWithTheWholeTexture)
{
    const Vec3 half{1, 2, 3};
    std::set<std::array<std::int8_t, 3>> normals;
    for (const BoxFace& face : Prostopadloscian::faces) {
        normals.insert(face.normal);
        std::array<Vec3, 4> v;
        std::vector<std::pair<float, float>> texCorners;
        for (int k = 0; k < 4; ++k) {
            const BoxCorner& c = face.corners[k];
            v[k] = {c.x * half[0], c.y * half[1], c.z * half[2]};
            texCorners.emplace_back(c.s, c.t);
            // Every corner lies on the face's side of the box.
            for (int axis = 0; axis < 3; ++axis) {
                if (face.normal[axis] != 0) {
                    EXPECT_EQ(v[k][axis], face.normal[axis] * half[axis]);
                }
            }
        }
        // Counter-clockwise seen from outside: each turn of the outline
        // agrees with the outward normal, for the vertices and the texture.
        for (int k = 0; k < 4; ++k) {
            const Vec3 turn = Cross(Minus(v[(k + 1) % 4], v[k]), Minus(v[(k + 2) % 4], v[(k + 1) % 4]));
            EXPECT_GT(turn[0] * face.normal[0] + turn[1] * face.normal[1] + turn[2] * face.normal[2], 0);
            const auto [s0, t0] = texCorners[k];
            const auto [s1, t1] = texCorners[(k + 1) % 4];
            const auto [s2, t2] = texCorners[(k + 2) % 4];
            EXPECT_GT((s1 - s0) * (t2 - t1) - (t1 - t0) * (s2 - s1), 0) << "texture mirrored";
        }
        std::sort(texCorners.begin(), texCorners.end());
        EXPECT_EQ(texCorners, (std::vector<std::pair<float, float>>{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
    }
    EXPECT_EQ(normals.size(), 6u);
}

struct PlaneCase {
    Vec3 normal;
    Vec3 point;
    int solvedAxis;
    Quad firstStrip; // corners of strip -1000
};

class PlaneStrips : public ::testing::TestWithParam<PlaneCase> {};

TEST_P(PlaneStrips, LieOnThePlaneAndSpanTheStripGrid)
{
    const PlaneCase& c = GetParam();
    const Plane plane(c.normal[0], c.normal[1], c.normal[2], c.point[0], c.point[1], c.point[2]);
    ASSERT_EQ(plane.SolvedAxis(), c.solvedAxis);
    EXPECT_EQ(plane.StripCorners(Plane::firstStrip), c.firstStrip);
    for (const int i : {Plane::firstStrip, 0, Plane::firstStrip + Plane::stripCount - 1}) {
        for (const Vec3& p : plane.StripCorners(i)) {
            const double residual = c.normal[0] * p[0] + c.normal[1] * p[1] + c.normal[2] * p[2] + plane.offset;
            EXPECT_NEAR(residual, 0, 1e-9);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    SceneObjects, PlaneStrips,
    ::testing::Values(
        // Solved for x: strips along y, z from 40 to -30.
        PlaneCase{{1, 0, 0}, {2, 0, 0}, 0, {{{2, -1000, 40}, {2, -999, 40}, {2, -999, -30}, {2, -1000, -30}}}},
        PlaneCase{{1, 1, 0}, {1, 0, 0}, 0, {{{1001, -1000, 40}, {1000, -999, 40}, {1000, -999, -30}, {1001, -1000, -30}}}},
        // Normal a = 0: solved for the largest component, strips along x.
        PlaneCase{{0, 0, 2}, {0, 0, -1.4}, 2,
                  {{{-1000, 40, -1.4}, {-999, 40, -1.4}, {-999, -30, -1.4}, {-1000, -30, -1.4}}}},
        PlaneCase{{0, -1, 0}, {0, 3, 0}, 1, {{{-1000, 3, 40}, {-999, 3, 40}, {-999, 3, -30}, {-1000, 3, -30}}}},
        PlaneCase{{0, 1, -2}, {0, 0, 0}, 2, {{{-1000, 40, 20}, {-999, 40, 20}, {-999, -30, -15}, {-1000, -30, -15}}}}));

TEST(SceneObjects, PlaneOffsetPutsThePointOnThePlaneAndAZeroNormalIsNotDrawable)
{
    const Plane plane(1, 2, 3, 4, 5, 6);
    EXPECT_EQ(plane.offset, -32);
    EXPECT_EQ(Plane(0, 0, 0, 1, 2, 3).SolvedAxis(), -1);
}

TEST(SceneObjects, PlaneStripNormalPointsTowardTheOrigin)
{
    const Plane plane(1, 0, 0, 2, 0, 0);
    const Quad strip = plane.StripCorners(0);
    ExpectUnit(Normal(strip[0], strip[1], strip[2]), {-1, 0, 0});
}

std::vector<double> RedValues(std::uint32_t seed, int count)
{
    SeedPlaneColours(seed);
    std::vector<double> reds;
    for (int k = 0; k < count; ++k)
        reds.push_back(NextPlaneRed());
    return reds;
}

TEST(SceneObjects, PlaneRedsAreHundredthsBelowOneThatRepeatAfterReseeding)
{
    const std::vector<double> reds = RedValues(7, 2000);
    EXPECT_EQ(RedValues(7, 2000), reds);
    EXPECT_NE(RedValues(8, 2000), reds);
    std::set<long> hundredths;
    for (const double r : reds) {
        const long h = std::lround(r * 100);
        EXPECT_DOUBLE_EQ(r, h * 0.01);
        hundredths.insert(h);
    }
    EXPECT_EQ(*hundredths.begin(), 0);
    EXPECT_EQ(*hundredths.rbegin(), 98);
    EXPECT_EQ(hundredths.size(), 99u);
    SeedPlaneColours(1);
}

} // namespace
} // namespace tavrik
