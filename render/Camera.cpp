#include "render/Camera.h"

#include "base/Check.h"
#include "scene/GaussianElimination.h"

#include <cmath>
#include <numbers>

namespace tavrik {

Mat4 Mat4::Identity()
{
    Mat4 r;
    r(0, 0) = r(1, 1) = r(2, 2) = r(3, 3) = 1.0;
    return r;
}

Mat4 operator*(const Mat4& a, const Mat4& b)
{
    Mat4 r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += a(row, k) * b(k, c);
            r(row, c) = sum;
        }
    return r;
}

std::array<double, 4> Mat4::Apply(double x, double y, double z) const
{
    std::array<double, 4> r{};
    for (int row = 0; row < 4; ++row)
        r[row] = (*this)(row, 0) * x + (*this)(row, 1) * y + (*this)(row, 2) * z + (*this)(row, 3);
    return r;
}

Mat4 Inverse(const Mat4& a)
{
    Matrix system(4, 4);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            system(row + 1, column + 1) = a(row, column);
    Mat4 inverse;
    for (int column = 0; column < 4; ++column) {
        Matrix unit(4, 1);
        unit(column + 1, 1) = 1.0;
        Matrix solution(4, 1);
        TAVRIK_CHECK_NE(GaussianElimination(system, unit, solution), 0.0);
        for (int row = 0; row < 4; ++row)
            inverse(row, column) = solution(row + 1, 1);
    }
    return inverse;
}

Mat4 Translation(double x, double y, double z)
{
    Mat4 r = Mat4::Identity();
    r(0, 3) = x;
    r(1, 3) = y;
    r(2, 3) = z;
    return r;
}

namespace {

// Sine and cosine of an angle in degrees, exact at multiples of 90 degrees
// so that quarter turns leave no rounding residue in the camera.
void SinCosDegrees(double degrees, double& s, double& c)
{
    const double turns = degrees / 90.0;
    if (turns == std::floor(turns) && std::abs(turns) < 1e15) {
        static constexpr double sines[4] = {0.0, 1.0, 0.0, -1.0};
        static constexpr double cosines[4] = {1.0, 0.0, -1.0, 0.0};
        const int q = static_cast<int>(std::fmod(std::fmod(turns, 4.0) + 4.0, 4.0));
        s = sines[q];
        c = cosines[q];
        return;
    }
    const double radians = degrees * std::numbers::pi / 180.0;
    s = std::sin(radians);
    c = std::cos(radians);
}

// Rotation in the plane of axes (i, j): counter-clockwise about the third
// axis, seen from its positive end.
Mat4 PlaneRotation(int i, int j, double degrees)
{
    double s = 0.0, c = 1.0;
    SinCosDegrees(degrees, s, c);
    Mat4 r = Mat4::Identity();
    r(i, i) = c;
    r(i, j) = -s;
    r(j, i) = s;
    r(j, j) = c;
    return r;
}

} // namespace

Mat4 RotationX(double degrees) { return PlaneRotation(1, 2, degrees); }
Mat4 RotationY(double degrees) { return PlaneRotation(2, 0, degrees); }
Mat4 RotationZ(double degrees) { return PlaneRotation(0, 1, degrees); }

Mat4 Perspective(double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double halfAngle = fovyDegrees / 2.0 * std::numbers::pi / 180.0;
    const double f = std::cos(halfAngle) / std::sin(halfAngle);
    Mat4 r;
    r(0, 0) = f / aspect;
    r(1, 1) = f;
    r(2, 2) = (zFar + zNear) / (zNear - zFar);
    r(2, 3) = 2.0 * zFar * zNear / (zNear - zFar);
    r(3, 2) = -1.0;
    return r;
}

Mat4 BasePose(double viewAngleX, double viewAngleZ, double viewDistance)
{
    return Translation(0.0, 0.0, -viewDistance) * RotationX(-viewAngleX) * RotationZ(-viewAngleZ);
}

Mat4 EgoMotion(const std::array<double, 3>& translation, const std::array<double, 3>& rotationDegrees)
{
    const double n = egoSubSteps;
    const Mat4 step = Translation(translation[0] / n, translation[1] / n, translation[2] / n)
        * RotationX(rotationDegrees[0] / n) * RotationY(rotationDegrees[1] / n) * RotationZ(rotationDegrees[2] / n);
    Mat4 motion = Mat4::Identity();
    for (int i = 0; i < egoSubSteps; ++i)
        motion = motion * step;
    return motion;
}

void StereoCamera::Reset(const Mat4& perspective, double baseline, bool rightCamera)
{
    perspective_ = perspective;
    motion_ = Mat4::Identity();
    baseline_ = baseline;
    rightCamera_ = rightCamera;
}

void StereoCamera::ApplyEgoMotion(const std::array<double, 3>& translation,
                                  const std::array<double, 3>& rotationDegrees)
{
    motion_ = motion_ * EgoMotion(translation, rotationDegrees);
}

Mat4 StereoCamera::Matrix() const
{
    const Mat4 shift = rightCamera_ ? Translation(-baseline_, 0.0, 0.0) : Mat4::Identity();
    return perspective_ * shift * motion_;
}

} // namespace tavrik
